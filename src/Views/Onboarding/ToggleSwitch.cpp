#include "Views/Onboarding/ToggleSwitch.h"

#include "Styling/FocusRing.h"
#include "Styling/ThemeColor.h"

#include <QPainter>

namespace mivo {

namespace {
constexpr QSize kSize(34, 20);
constexpr qreal kKnobInset = 2;
} // namespace

ToggleSwitch::ToggleSwitch(const QString& accessibleName, QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QSize ToggleSwitch::sizeHint() const
{
    // Room for the focus ring around the capsule.
    return kSize + QSize(2 * FocusRing::kOutset, 2 * FocusRing::kOutset);
}

bool ToggleSwitch::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(QPointF(0, 0), QSizeF(kSize))
                             .translated((width() - kSize.width()) / 2.0, (height() - kSize.height()) / 2.0);
    const qreal radius = track.height() / 2;
    const ThemeColor fill = isChecked() ? ThemeColor::accent() : ThemeColor::quaternary().withOpacity(1.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill.withOpacity(isEnabled() ? 1.0 : 0.5).resolve(palette()));
    painter.drawRoundedRect(track, radius, radius);

    const qreal knob = track.height() - 2 * kKnobInset;
    const qreal x = isChecked() ? track.right() - kKnobInset - knob : track.left() + kKnobInset;
    painter.setBrush(isEnabled() ? QColor(Qt::white) : QColor(245, 245, 245));
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(x, track.top() + kKnobInset, knob, knob));

    if (FocusRing::shows(this))
        FocusRing::paintAround(painter, track, radius, palette(), fill.resolve(palette()));
}

} // namespace mivo
