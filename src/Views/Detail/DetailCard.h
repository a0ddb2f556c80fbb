#pragma once

#include <QRectF>

class QPainter;
class QPalette;

namespace mivo {

struct SurfaceStyle;

// The cards of the library detail (a group's header, its track table, a fold)
// drawn from one kept picture of the card's two ends with a band of its middle
// between them: every row of a card's middle is the same, so the band is laid
// down as often as the middle needs. A card of any height (a table of 10,000
// tracks, a fold that changes height every frame) then costs a few plain copies
// of that picture, never rasterises its outline again and never fills the
// picture cache with one picture per height. Cards too short for both ends, or
// drawn where a copy would not land on whole device pixels, are drawn as the
// surface draws itself.
namespace DetailCard {

// Draws the part of `card` that lies inside `slice` (a band of the card's full
// width: the row being painted).
void paint(QPainter& painter, const QRectF& card, const QRectF& slice, const SurfaceStyle& style,
    const QPalette& palette);

// The rows kept at each end of the picture: enough for the corners and the turns
// of the border of a card with `cornerRadius`.
qreal endHeight(qreal cornerRadius);

} // namespace DetailCard

} // namespace mivo
