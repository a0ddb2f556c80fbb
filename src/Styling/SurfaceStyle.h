#pragma once

#include "Styling/GlassResolver.h"
#include "Styling/GlassRole.h"
#include "Styling/Material.h"
#include "Styling/ThemeColor.h"

#include <optional>

class QPainter;
class QRectF;
class QPainterPath;

namespace mivo {

// A border stroked inside a surface's outline.
struct SurfaceBorder {
    ThemeColor color;
    qreal width = 0;

    bool operator==(const SurfaceBorder&) const = default;
};

// How one surface role looks in one tier: what lies behind the content and what
// is laid over it. The shape is a rounded rectangle with `cornerRadius`.
struct SurfaceStyle {
    GlassTier tier = GlassTier::translucent;
    qreal cornerRadius = 0;
    // Behind the content: exactly one of these is set.
    std::optional<ThemeColor> glassTint; // glass tier: the glass, tinted (transparent = untinted)
    std::optional<Material> material; // translucent tier
    std::optional<ThemeColor> fill; // opaque tier
    // Over the content.
    std::optional<ThemeColor> overlay; // the light tint of a translucent selection
    std::optional<SurfaceBorder> border;

    static SurfaceStyle of(const GlassRole& role, GlassTier tier);

    // The surface's outline in `rect`.
    QPainterPath shape(const QRectF& rect) const;
    // Draw what lies behind the content.
    void paintBackground(QPainter& painter, const QRectF& rect, const QPalette& palette) const;
    // Draw what lies over the content (the selection tint and the border).
    void paintOverlay(QPainter& painter, const QRectF& rect, const QPalette& palette) const;

    bool operator==(const SurfaceStyle&) const = default;
};

} // namespace mivo
