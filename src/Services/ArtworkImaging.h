#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// Decoding and composing of artwork images. Pure functions on values, safe on
// any thread.
namespace mivo::ArtworkImaging {

// Decodes `data` straight to at most `maxPixel` pixels on the longer edge
// (never enlarged), with the EXIF orientation applied. A null image when the
// bytes are not a raster image, or when the picture's full size would take
// more than `maxDecodeBytes` bytes to decode (width × height × 4).
QImage downsample(const QByteArray& data, int maxPixel, qint64 maxDecodeBytes);

// A square of `pixels` × `pixels` made of four tiles, each half the edge:
// images 0 to 3 at top left, top right, bottom left, bottom right; with fewer
// than four images the last one fills the remaining tiles. Each image is
// scaled into its tile. A null image for no images or no pixels.
QImage composeMosaic(const QList<QImage>& images, int pixels);

} // namespace mivo::ArtworkImaging
