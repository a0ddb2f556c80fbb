#include "Views/Settings/SwitchButton.h"

#include "Styling/FocusRing.h"
#include "Styling/ThemeColor.h"

#include <QPainter>
#include <QPainterPath>

namespace mivo {

SwitchButton::SwitchButton(const QString& accessibleName, QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(accessibleName);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SwitchButton::switchSize()
{
    return { 34, 20 };
}

QSize SwitchButton::sizeHint() const
{
    // Room for the focus ring around the track.
    return switchSize() + QSize(2 * FocusRing::kOutset, 2 * FocusRing::kOutset);
}

void SwitchButton::paint(
    QPainter& painter, const QRectF& rect, bool on, bool enabled, const QPalette& palette)
{
    const QSizeF size = switchSize();
    const QRectF track(
        rect.right() - size.width(), rect.center().y() - size.height() / 2, size.width(), size.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(enabled ? 1.0 : 0.45);
    const QColor trackColor
        = on ? ThemeColor::accent().resolve(palette) : ThemeColor::quaternary().resolve(palette);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColor);
    painter.drawRoundedRect(track, size.height() / 2, size.height() / 2);
    const qreal inset = 2;
    const qreal knobSide = size.height() - 2 * inset;
    const qreal knobX = on ? track.right() - inset - knobSide : track.left() + inset;
    const QRectF knob(knobX, track.top() + inset, knobSide, knobSide);
    painter.setBrush(QColor(Qt::white));
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(knob);
    painter.restore();
}

void SwitchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int outset = FocusRing::kOutset;
    const QRectF area = QRectF(rect()).adjusted(outset, outset, -outset, -outset);
    paint(painter, area, isChecked(), isEnabled(), palette());
    if (FocusRing::shows(this)) {
        const QSizeF size = switchSize();
        const QRectF track(
            area.right() - size.width(), area.center().y() - size.height() / 2, size.width(), size.height());
        const QColor fill
            = (isChecked() ? ThemeColor::accent() : ThemeColor::quaternary()).resolve(palette());
        FocusRing::paintAround(painter, track, size.height() / 2, palette(), fill);
    }
}

} // namespace mivo
