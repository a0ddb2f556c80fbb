#pragma once

#include <QImage>
#include <QString>

class QPainter;
class QPalette;
class QRectF;

namespace mivo {

// Draws cover art the way every list of the main window shows it: a rounded
// square with the image scaled to fill (cropped where its shape differs), or a
// neutral placeholder with a symbol while there is no image, and a hairline
// border over either.
namespace ArtworkPainter {

inline constexpr qreal kSymbolScale = 0.42; // the placeholder symbol's size per edge length
inline constexpr qreal kBorderWidth = 0.5;
inline constexpr qreal kBorderOpacity = 0.4;

// `image` may be null: the placeholder is drawn with `placeholderSymbol`.
void paint(QPainter& painter, const QRectF& rect, const QImage& image, const QString& placeholderSymbol,
    qreal cornerRadius, const QPalette& palette);

} // namespace ArtworkPainter

} // namespace mivo
