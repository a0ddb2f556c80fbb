#include "Styling/SurfaceStyle.h"

#include "Styling/CachedDrawing.h"
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
    // The glass tier's two layers are drawn as they come.
    if (glassTint) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        // Only reached where the system offers glass (never on this platform):
        // the closest drawing of our own is a regular material under the tint.
        painter.fillPath(shape(rect), Materials::fill(Material::regular, palette));
        painter.fillPath(shape(rect), glassTint->resolve(palette));
        painter.restore();
        return;
    }
    QColor color;
    if (material)
        color = Materials::fill(*material, palette);
    else if (fill)
        color = fill->resolve(palette);
    else
        return;
    const SurfaceStyle style = *this;
    const QString key = QStringLiteral("surface:%1:%2").arg(cornerRadius).arg(CachedDrawing::colorKey(color));
    CachedDrawing::paint(painter, rect, key,
        [style, color](QPainter& on, const QRectF& area) {
            on.save();
            on.setRenderHint(QPainter::Antialiasing);
            on.fillPath(style.shape(area), color);
            on.restore();
        });
}

void SurfaceStyle::paintOverlay(QPainter& painter, const QRectF& rect, const QPalette& palette) const
{
    const bool bordered = border && border->width > 0;
    if (!overlay && !bordered)
        return;
    const std::optional<QColor> tint = overlay ? std::optional(overlay->resolve(palette)) : std::nullopt;
    const std::optional<QColor> line = bordered ? std::optional(border->color.resolve(palette)) : std::nullopt;
    const QString key = QStringLiteral("surface-overlay:%1:%2:%3:%4")
                            .arg(cornerRadius)
                            .arg(tint ? CachedDrawing::colorKey(*tint) : QString())
                            .arg(line ? CachedDrawing::colorKey(*line) : QString())
                            .arg(bordered ? border->width : 0);
    const SurfaceStyle style = *this;
    CachedDrawing::paint(painter, rect, key, [style, tint, line](QPainter& on, const QRectF& area) {
        on.save();
        on.setRenderHint(QPainter::Antialiasing);
        if (tint)
            on.fillPath(style.shape(area), *tint);
        if (line) {
            // Stroked inside the outline: the path is inset by half the line width.
            const qreal inset = style.border->width / 2;
            SurfaceStyle inner = style;
            inner.cornerRadius = std::max<qreal>(0, style.cornerRadius - inset);
            QPen pen(*line, style.border->width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
            pen.setMiterLimit(10);
            on.setPen(pen);
            on.setBrush(Qt::NoBrush);
            on.drawPath(inner.shape(area.adjusted(inset, inset, -inset, -inset)));
        }
        on.restore();
    });
}

} // namespace mivo
