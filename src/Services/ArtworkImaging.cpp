#include "Services/ArtworkImaging.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <climits>

namespace mivo::ArtworkImaging {

namespace {
constexpr qint64 kMiB = 1024 * 1024;

// Vector formats are drawn rather than decoded and may pull in other files:
// artwork is always a raster picture.
bool isRasterFormat(const QByteArray& format)
{
    return !format.isEmpty() && !format.startsWith("svg");
}

qint64 decodedBytes(QSize size)
{
    return qint64(size.width()) * size.height() * 4;
}

QSize fitted(QSize size, int maxPixel)
{
    if (std::max(size.width(), size.height()) <= maxPixel)
        return size;
    const QSize scaled = size.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
    return { std::max(1, scaled.width()), std::max(1, scaled.height()) };
}
} // namespace

QImage downsample(const QByteArray& data, int maxPixel, qint64 maxDecodeBytes)
{
    maxPixel = std::max(1, maxPixel);
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    if (!isRasterFormat(reader.format()))
        return {};
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(std::clamp<qint64>((maxDecodeBytes + kMiB - 1) / kMiB, 1, INT_MAX)));

    const QSize full = reader.size();
    if (full.isValid()) {
        if (full.isEmpty() || decodedBytes(full) > maxDecodeBytes)
            return {};
        const QSize target = fitted(full, maxPixel);
        if (target != full)
            reader.setScaledSize(target);
    }
    QImage image = reader.read();
    if (image.isNull() || decodedBytes(image.size()) > maxDecodeBytes)
        return {};
    // Formats that cannot tell their size up front are scaled after decoding.
    const QSize target = fitted(image.size(), maxPixel);
    if (target != image.size())
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage composeMosaic(const QList<QImage>& images, int pixels)
{
    if (images.isEmpty() || pixels < 1)
        return {};
    QImage mosaic(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    if (mosaic.isNull())
        return {};
    mosaic.fill(Qt::transparent);

    const qreal half = pixels / 2;
    const qsizetype last = images.size() - 1;
    const QPointF origins[] = { { 0, 0 }, { half, 0 }, { 0, half }, { half, half } };
    QPainter painter(&mosaic);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (qsizetype tile = 0; tile < 4; ++tile)
        painter.drawImage(QRectF(origins[tile], QSizeF(half, half)), images.at(std::min(tile, last)));
    painter.end();
    return mosaic;
}

} // namespace mivo::ArtworkImaging
