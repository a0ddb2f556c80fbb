#include "Views/Detail/LinearProgress.h"

#include "Styling/Format.h"
#include "Styling/Inflection.h"
#include "Styling/PercentAccessible.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace mivo {

namespace {

QAccessibleInterface* accessibleFactory(const QString&, QObject* object)
{
    auto* bar = qobject_cast<LinearProgress*>(object);
    if (!bar)
        return nullptr;
    const QPointer<LinearProgress> guarded(bar);
    return new PercentAccessible(
        bar, [guarded] { return guarded ? int(LinearProgress::wholePercent(guarded->fraction())) : 0; },
        [guarded] { return guarded ? guarded->accessibleValue() : QString(); });
}

} // namespace

LinearProgress::LinearProgress(QWidget* parent)
    : QWidget(parent)
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(accessibleFactory); });
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void LinearProgress::setFraction(double fraction)
{
    if (fraction == m_fraction)
        return;
    const QString before = accessibleValue();
    m_fraction = fraction;
    update();
    if (accessibleValue() != before && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, accessibleValue());
        QAccessible::updateAccessibility(&event);
    }
}

void LinearProgress::setTint(std::optional<ThemeColor> tint)
{
    if (tint == m_tint)
        return;
    m_tint = std::move(tint);
    update();
}

qint64 LinearProgress::wholePercent(double fraction)
{
    return Format::roundedPercent(fraction).value_or(0);
}

QString LinearProgress::spokenPercent(double fraction)
{
    return tr("%n percent", nullptr, Inflection::forTr(wholePercent(fraction)));
}

void LinearProgress::paint(
    QPainter& painter, const QRectF& rect, double fraction, const QColor& fill, const QPalette& palette)
{
    const qreal thickness = std::min(kThickness, rect.height());
    const QRectF track(rect.left(), rect.center().y() - thickness / 2, rect.width(), thickness);
    if (track.width() <= 0)
        return;
    const qreal radius = thickness / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(
        ThemeColor::primary().withOpacity(ThemeColor::isDark(palette) ? 0.16 : 0.1).resolve(palette));
    painter.drawRoundedRect(track, radius, radius);
    const double clamped = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (clamped > 0) {
        // The fill keeps the track's rounded ends even when it is shorter than they are.
        QPainterPath clip;
        clip.addRoundedRect(track, radius, radius);
        painter.setClipPath(clip, Qt::IntersectClip);
        const QRectF filled(
            track.left(), track.top(), std::max(track.width() * clamped, thickness), thickness);
        painter.setBrush(fill);
        painter.drawRoundedRect(filled.intersected(track), radius, radius);
    }
    painter.restore();
}

QSize LinearProgress::sizeHint() const
{
    return { 120, int(std::ceil(kThickness)) + 2 };
}

void LinearProgress::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_fraction, m_tint.value_or(ThemeColor::accent()).resolve(palette()),
        palette());
}

} // namespace mivo
