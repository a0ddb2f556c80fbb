#include "Styling/FocusRing.h"

#include "Styling/Material.h"
#include "Styling/ThemeColor.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <algorithm>
#include <array>

namespace mivo::FocusRing {

namespace {

enum class Input { none, keyboard, pointer };

QColor mixed(const QColor& from, const QColor& to, double amount)
{
    const auto channel = [&](double a, double b) { return a + (b - a) * amount; };
    return QColor::fromRgbF(float(channel(from.redF(), to.redF())),
        float(channel(from.greenF(), to.greenF())), float(channel(from.blueF(), to.blueF())));
}

// Notes the latest input and puts a window's rings away when the pointer is
// pressed in it.
class InputTracker : public QObject {
public:
    using QObject::QObject;

    Input last = Input::none;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            last = Input::keyboard;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            last = Input::pointer;
            if (auto* widget = qobject_cast<QWidget*>(watched))
                putRingsAway(widget->window());
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void putRingsAway(QWidget* window)
    {
        if (!window || !window->testAttribute(Qt::WA_KeyboardFocusChange))
            return;
        window->setAttribute(Qt::WA_KeyboardFocusChange, false);
        if (QWidget* focused = window->focusWidget()) {
            focused->update();
            if (auto* area = qobject_cast<QAbstractScrollArea*>(focused))
                area->viewport()->update();
        }
    }
};

QPointer<InputTracker>& tracker()
{
    static QPointer<InputTracker> instance;
    return instance;
}

} // namespace

QColor color(const QPalette& palette, const QColor& fill, const QColor& border)
{
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor content = palette.color(QPalette::Active, QPalette::Base);
    const QColor card = ThemeColor::composite(Materials::fill(Material::regular, palette), window);
    // The surfaces, the fill laid over each of them, and the border over that.
    std::array<QColor, 9> backgrounds { window, content, card };
    std::size_t count = 3;
    for (std::size_t i = 0; i < 3; ++i) {
        const QColor under = fill.isValid() ? ThemeColor::composite(fill, backgrounds[i]) : backgrounds[i];
        if (fill.isValid())
            backgrounds[count++] = under;
        if (border.isValid())
            backgrounds[count++] = ThemeColor::composite(border, under);
    }
    // A little above the least, so that smoothing at the ring's edges keeps it.
    const double wanted = kContrast + 0.2;
    const auto reaches = [&](const QColor& candidate) {
        return std::all_of(backgrounds.begin(), backgrounds.begin() + std::ptrdiff_t(count),
            [&](const QColor& background) { return ThemeColor::contrast(candidate, background) >= wanted; });
    };
    const QColor accent = ThemeColor::composite(ThemeColor::accent().resolve(palette), window);
    const QColor target = ThemeColor::isDark(palette) ? QColor(Qt::white) : QColor(Qt::black);
    for (int step = 0; step <= 20; ++step) {
        const QColor candidate = mixed(accent, target, step / 20.0);
        if (reaches(candidate))
            return candidate;
    }
    return target;
}

void paintAround(
    QPainter& painter, const QRectF& bezel, qreal radius, const QPalette& palette, const QColor& fill)
{
    const qreal out = kGap + kWidth;
    paintWithin(painter, bezel.adjusted(-out, -out, out, out), radius + out, palette, fill);
}

void paintWithin(QPainter& painter, const QRectF& rect, qreal radius, const QPalette& palette,
    const QColor& fill, const QColor& border)
{
    const qreal half = kWidth / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(1.0);
    painter.setPen(QPen(color(palette, fill, border), kWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal corner = std::max<qreal>(0, radius - half);
    painter.drawRoundedRect(rect.adjusted(half, half, -half, -half), corner, corner);
    painter.restore();
}

bool shows(const QWidget* widget)
{
    return widget && widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void followInput()
{
    if (tracker() || !qApp)
        return;
    tracker() = new InputTracker(qApp);
    qApp->installEventFilter(tracker());
}

Qt::FocusReason reasonForUserAction()
{
    if (!tracker())
        return Qt::OtherFocusReason;
    switch (tracker()->last) {
    case Input::keyboard:
        return Qt::ShortcutFocusReason;
    case Input::pointer:
        return Qt::MouseFocusReason;
    case Input::none:
        break;
    }
    return Qt::OtherFocusReason;
}

void giveFocus(QWidget* widget, Qt::FocusReason reason)
{
    if (!widget)
        return;
    QWidget* window = widget->window();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
        window->setAttribute(Qt::WA_KeyboardFocusChange);
    else if (reason == Qt::MouseFocusReason)
        window->setAttribute(Qt::WA_KeyboardFocusChange, false);
    widget->setFocus(reason);
    widget->update();
}

void passFocusThrough(QScrollArea* area)
{
    area->setFocusPolicy(Qt::NoFocus);
    QObject::connect(qApp, &QApplication::focusChanged, area, [area](QWidget*, QWidget* now) {
        if (now && area->widget() && area->widget()->isAncestorOf(now))
            area->ensureWidgetVisible(now);
    });
}

} // namespace mivo::FocusRing
