#pragma once

#include <QRectF>
#include <QString>
#include <functional>

class QColor;
class QPainter;

namespace mivo {

// Drawings that are the same on every repaint (antialiased outlines, fills and
// strokes of a given size) kept as pictures, so that a repaint costs one copy
// instead of rasterising the shapes again.
namespace CachedDrawing {

// What draws the drawing into a painter, in a rect of the drawing's size.
using Draw = std::function<void(QPainter& painter, const QRectF& rect)>;

// Draws `draw` at `rect`, through the picture kept under `key` (which must
// name everything the drawing depends on besides its size) when the painter
// only moves it to a whole device pixel and blends normally; directly
// otherwise, and off the main thread.
void paint(QPainter& painter, const QRectF& rect, const QString& key, const Draw& draw);

// A colour as it goes into a key: every channel at full precision.
QString colorKey(const QColor& color);

} // namespace CachedDrawing

} // namespace mivo
