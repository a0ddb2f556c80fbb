#pragma once

#include <QColor>
#include <QString>

class QPainter;
class QRectF;

namespace mivo {

// The application's named images (the service logos), drawn as template images
// in one colour. Each is a monogram of our own.
namespace AssetImages {

bool contains(const QString& name);

// Draw the image fitted into `rect` (aspect kept, centred) in `color`; a missing
// image is logged once and draws nothing.
void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color);

} // namespace AssetImages

} // namespace mivo
