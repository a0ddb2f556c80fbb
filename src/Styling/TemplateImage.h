#pragma once

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace mivo {

// Monochrome images drawn as masks in one colour at paint time (template images).
// The drawings are SVG in the application's resources: black is ink, white cuts
// holes into the ink, anything transparent stays transparent.
namespace TemplateImage {

// Whether a drawing exists at the resource path (":/mivo/...").
bool exists(const QString& resourcePath);

// The drawing fitted into `size` (device-independent pixels; aspect kept, centred),
// rendered at `devicePixelRatio`, in `color`.
QPixmap render(const QString& resourcePath, const QSize& size, qreal devicePixelRatio, const QColor& color);

// Draw the drawing fitted into `rect` (aspect kept, centred) in `color`.
void paint(QPainter& painter, const QRectF& rect, const QString& resourcePath, const QColor& color);

} // namespace TemplateImage

} // namespace mivo
