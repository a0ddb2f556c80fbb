#include "Styling/ContinuousCorners.h"

#include <algorithm>
#include <cmath>

namespace mivo::ContinuousCorners {

namespace {
// With both inner control points on the corner, the curve's midpoint lies at
// a distance of extent / 8 from the corner along each axis; a circular arc of
// radius r crosses the diagonal at r (1 − 1/√2). Equal when extent = 8 r (1 − 1/√2).
const qreal kExtentPerRadius = 8 * (1 - 1 / std::sqrt(2.0));
} // namespace

QPainterPath path(const QRectF& rect, qreal radius)
{
    QPainterPath shape;
    if (!(radius > 0) || rect.isEmpty()) {
        shape.addRect(rect);
        return shape;
    }
    const qreal e = std::min({ radius * kExtentPerRadius, rect.width() / 2, rect.height() / 2 });
    const qreal l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    shape.moveTo(l + e, t);
    shape.lineTo(r - e, t);
    shape.cubicTo(r, t, r, t, r, t + e);
    shape.lineTo(r, b - e);
    shape.cubicTo(r, b, r, b, r - e, b);
    shape.lineTo(l + e, b);
    shape.cubicTo(l, b, l, b, l, b - e);
    shape.lineTo(l, t + e);
    shape.cubicTo(l, t, l, t, l + e, t);
    shape.closeSubpath();
    return shape;
}

} // namespace mivo::ContinuousCorners
