#pragma once

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QString>

namespace mivo {

// Decoded images by key, bounded by their decoded size: an image costs
// width × height × 4 bytes, and the least recently used images are dropped
// once the total would pass the limit. Safe to use from any thread, so views
// can look images up while painting.
class ArtworkMemoryCache {
public:
    explicit ArtworkMemoryCache(qint64 costLimit);

    // The image under `key`, or a null image.
    QImage image(const QString& key) const;
    // An image that alone costs more than the limit is not kept.
    void insert(const QString& key, const QImage& image);

    qint64 totalCost() const;
    static qint64 cost(const QImage& image);

private:
    mutable QMutex m_mutex;
    mutable QCache<QString, QImage> m_images;
};

} // namespace mivo
