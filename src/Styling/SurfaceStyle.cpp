#include "Styling/SurfaceStyle.h"

#include "Styling/ContinuousCorners.h"

#include <QPainter>
#include <QPainterPath>

namespace mivo {

namespace {

Material materialOf(GlassRole::Kind kind)
{
    switch (kind) {
    case GlassRole::Kind::chrome:
        return Material::bar;
    case GlassRole::Kind::groupCard:
    case GlassRole::Kind::panel:
        return Material::regular;
    case GlassRole::Kind::floating:
        return Material::thick;
    case GlassRole::Kind::chip:
    case GlassRole::Kind::selection:
        return Material::ultraThin;
    }
    return Material::regular;
}

ThemeColor opaqueFillOf(const GlassRole& role)
{
    switch (role.kind()) {
    case GlassRole::Kind::chrome:
    case GlassRole::Kind::floating:
        return ThemeColor::windowBackground();
    case GlassRole::Kind::groupCard:
    case GlassRole::Kind::panel:
        return ThemeColor::controlBackground();
    case GlassRole::Kind::chip:
        return ThemeColor::quaternaryLabel();
    case GlassRole::Kind::selection:
        return role.tint().value_or(ThemeColor::accent()).withOpacity(0.18);
    }
    return ThemeColor::windowBackground();
}

} // namespace

SurfaceStyle SurfaceStyle::of(const GlassRole& role, GlassTier tier)
{
    SurfaceStyle style;
    style.tier = tier;
    style.cornerRadius = role.cornerRadius();
    const bool selection = role.kind() == GlassRole::Kind::selection;
    const bool bordered = role.kind() != GlassRole::Kind::chrome;
    const ThemeColor tint = role.tint().value_or(ThemeColor::accent());

    switch (tier) {
    case GlassTier::glass:
        style.glassTint = selection ? tint.withOpacity(0.5) : ThemeColor::fixed(Qt::transparent);
        break;
    case GlassTier::translucent:
        style.material = materialOf(role.kind());
        if (selection)
            style.overlay = tint.withOpacity(0.16);
        if (bordered)
            style.border = SurfaceBorder { ThemeColor::separator().withOpacity(0.5), 0.5 };
        break;
    case GlassTier::opaque:
        style.fill = opaqueFillOf(role);
        if (bordered)
            style.border = SurfaceBorder { ThemeColor::separator().withOpacity(0.9), 1.0 };
        break;
    }
    return style;
}

QPainterPath SurfaceStyle::shape(const QRectF& rect) const
{
    return ContinuousCorners::path(rect, cornerRadius);
}

void SurfaceStyle::paintBackground(QPainter& painter, const QRectF& rect, const QPalette& palette) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (material) {
        painter.setBrush(Materials::fill(*material, palette));
    } else if (fill) {
        painter.setBrush(fill->resolve(palette));
    } else if (glassTint) {
        // Only reached where the system offers glass (never on this platform):
        // the closest drawing of our own is a regular material under the tint.
        painter.fillPath(shape(rect), Materials::fill(Material::regular, palette));
        painter.setBrush(glassTint->resolve(palette));
    }
    painter.drawPath(shape(rect));
    painter.restore();
}

void SurfaceStyle::paintOverlay(QPainter& painter, const QRectF& rect, const QPalette& palette) const
{
    if (!overlay && !border)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (overlay)
        painter.fillPath(shape(rect), overlay->resolve(palette));
    if (border && border->width > 0) {
        // Stroked inside the outline: the path is inset by half the line width.
        const qreal inset = border->width / 2;
        SurfaceStyle inner = *this;
        inner.cornerRadius = std::max<qreal>(0, cornerRadius - inset);
        QPen pen(border->color.resolve(palette), border->width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(inner.shape(rect.adjusted(inset, inset, -inset, -inset)));
    }
    painter.restore();
}

} // namespace mivo
