#include "Views/WheelGuard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>

namespace mivo::WheelGuard {

namespace {

constexpr char kGuarded[] = "mivo.wheelGuard";

bool isGuardedControl(const QWidget* widget)
{
    if (qobject_cast<const QScrollBar*>(widget))
        return false;
    return qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)
        || qobject_cast<const QAbstractSlider*>(widget);
}

// The control a wheel over `widget` would change: the widget itself, or the
// control it is part of (a spin box's text field).
QWidget* controlOf(QWidget* widget)
{
    for (QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (isGuardedControl(w))
            return w;
    }
    return nullptr;
}

void takeNoFocusByWheel(QWidget* control)
{
    if ((control->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
        control->setFocusPolicy(Qt::StrongFocus);
}

// One filter on the application serves every guarded window.
class Filter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Wheel && type != QEvent::Polish)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !widget->window() || !widget->window()->property(kGuarded).toBool())
            return false;
        if (type == QEvent::Polish) {
            if (isGuardedControl(widget))
                takeNoFocusByWheel(widget);
            return false;
        }
        QWidget* control = controlOf(widget);
        if (!control || control->hasFocus())
            return false;
        // Not delivered here; ignored, it travels on to the parents, the scrolling pane among them.
        event->ignore();
        return true;
    }
};

} // namespace

void install(QWidget* window)
{
    static QPointer<Filter> filter;
    if (!filter && qApp) {
        filter = new Filter(qApp);
        qApp->installEventFilter(filter);
    }
    window->setProperty(kGuarded, true);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (isGuardedControl(child))
            takeNoFocusByWheel(child);
    }
}

} // namespace mivo::WheelGuard
