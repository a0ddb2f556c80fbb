#include "Views/WheelGuard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>

namespace mivo::WheelGuard {

namespace {

constexpr char kGuarded[] = "mivo.wheelGuard";
// Set on a control while it holds focus the user gave it.
constexpr char kUserFocus[] = "mivo.wheelGuard.userFocus";

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

bool isGuardedWindow(const QWidget* widget)
{
    return widget && widget->window() && widget->window()->property(kGuarded).toBool();
}

// One filter on the application serves every guarded window.
class Filter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            noteKey(static_cast<QKeyEvent*>(event));
            return false;
        case QEvent::FocusIn:
            noteFocus(qobject_cast<QWidget*>(watched), static_cast<QFocusEvent*>(event));
            return false;
        case QEvent::Polish:
        case QEvent::Wheel:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!isGuardedWindow(widget))
            return false;
        if (event->type() == QEvent::Polish) {
            if (isGuardedControl(widget))
                takeNoFocusByWheel(widget);
            return false;
        }
        QWidget* control = controlOf(widget);
        if (!control || hasFocusFromUser(control))
            return false;
        // Not delivered here; ignored, it travels on to the parents, the scrolling pane among them.
        event->ignore();
        return true;
    }

private:
    // Qt moves the focus on with the reasons of Tab and Backtab also when the
    // focused widget is hidden; only while the key itself is delivered is a
    // move by those reasons the user's.
    void noteKey(const QKeyEvent* key)
    {
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
            return;
        m_tabKeyDelivered = true;
        QMetaObject::invokeMethod(
            this, [this] { m_tabKeyDelivered = false; }, Qt::QueuedConnection);
    }

    // Decided as the focus comes: where it comes from is what tells.
    void noteFocus(QWidget* widget, const QFocusEvent* focus)
    {
        if (!focus->gotFocus() || !isGuardedWindow(widget) || !isGuardedControl(widget))
            return;
        const Qt::FocusReason reason = focus->reason();
        // Back from the control's own pop-up list, or with its window coming
        // to the front again: as it was when it left.
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return;
        const bool fromUser = reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason
            || ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && m_tabKeyDelivered);
        widget->setProperty(kUserFocus, fromUser);
    }

    bool m_tabKeyDelivered = false;
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

bool hasFocusFromUser(const QWidget* control)
{
    return control && control->hasFocus() && control->property(kUserFocus).toBool();
}

} // namespace mivo::WheelGuard
