#include "Views/Onboarding/ServiceIcon.h"

#include "Styling/AssetImages.h"
#include "Styling/ContinuousCorners.h"
#include "Styling/Symbols.h"
#include "Views/ViewAccessibility.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mivo {

namespace {

// Larger icons are drawn at this edge length; a length that is not a number is 0.
constexpr qreal kIconMaxSize = 4096;

qreal sane(qreal size)
{
    return std::isfinite(size) ? std::clamp<qreal>(size, 0, kIconMaxSize) : 0;
}

QRectF centredSquare(const QPointF& centre, qreal side)
{
    return { centre - QPointF(side / 2, side / 2), QSizeF(side, side) };
}

void paintGlyph(QPainter& painter, const QRectF& square, const ServiceIcon::Look& look, const QColor& color)
{
    if (AssetImages::contains(look.assetName)) {
        AssetImages::paint(painter, square, look.assetName, color);
        return;
    }
    const qreal side = square.width() * ServiceIcon::kSymbolScale;
    Symbols::paint(painter, centredSquare(square.center(), side), look.fallbackSymbol, color);
}

} // namespace

ServiceIcon::ServiceIcon(const QString& assetName, qreal size, const ThemeColor& tint,
    const std::optional<ThemeColor>& brandChip, const QString& fallbackSymbol,
    const QString& accessibilityName, QWidget* parent)
    : ServiceIcon(Look { assetName, size, tint, brandChip, fallbackSymbol, accessibilityName }, parent)
{
}

ServiceIcon::ServiceIcon(Look look, QWidget* parent)
    : QWidget(parent)
    , m_look(std::move(look))
{
    m_look.size = sane(m_look.size);
    ViewAccessibility::setRole(this, QAccessible::Graphic);
    setAccessibleName(m_look.accessibilityName);
    setFixedSize(sizeHint());
}

void ServiceIcon::setTint(const ThemeColor& tint)
{
    if (m_look.tint == tint)
        return;
    m_look.tint = tint;
    update();
}

void ServiceIcon::setBrandChip(const std::optional<ThemeColor>& chip)
{
    if (m_look.brandChip == chip)
        return;
    m_look.brandChip = chip;
    update();
}

QSize ServiceIcon::sizeHint() const
{
    const int side = int(std::ceil(m_look.size));
    return { side, side };
}

void ServiceIcon::paint(QPainter& painter, const QRectF& rect, const Look& look, const QPalette& palette)
{
    const qreal size = std::min({ rect.width(), rect.height(), sane(look.size) });
    if (!(size > 0))
        return;
    const QRectF square = centredSquare(rect.center(), size);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (look.brandChip) {
        painter.fillPath(
            ContinuousCorners::path(square, chipCornerRadius(size)), look.brandChip->resolve(palette));
        paintGlyph(painter, centredSquare(square.center(), glyphSide(size, true)), look, Qt::white);
    } else {
        paintGlyph(painter, square, look, look.tint.resolve(palette));
    }
    painter.restore();
}

void ServiceIcon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), m_look, palette());
}

} // namespace mivo
