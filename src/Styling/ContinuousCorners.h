#pragma once

#include <QPainterPath>
#include <QRectF>

namespace mivo::ContinuousCorners {

// A rounded rectangle whose corners blend into the straight edges without a
// jump in curvature (a "continuous" or squircle corner). Each corner is a cubic
// curve that starts further along the edge than a circular arc would and meets
// the diagonal where an arc of `radius` would; the start is limited to half the
// shorter side. A radius of 0 gives the plain rectangle.
QPainterPath path(const QRectF& rect, qreal radius);

} // namespace mivo::ContinuousCorners
