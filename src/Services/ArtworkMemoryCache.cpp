#include "Services/ArtworkMemoryCache.h"

namespace mivo {

ArtworkMemoryCache::ArtworkMemoryCache(qint64 costLimit)
    : m_images(costLimit)
{
}

QImage ArtworkMemoryCache::image(const QString& key) const
{
    const QMutexLocker lock(&m_mutex);
    const QImage* found = m_images.object(key);
    return found ? *found : QImage();
}

void ArtworkMemoryCache::insert(const QString& key, const QImage& image)
{
    if (image.isNull())
        return;
    const QMutexLocker lock(&m_mutex);
    // QCache makes room before it replaces an entry: drop the old one first so
    // that its cost does not push out a neighbour.
    m_images.remove(key);
    m_images.insert(key, new QImage(image), cost(image));
}

qint64 ArtworkMemoryCache::totalCost() const
{
    const QMutexLocker lock(&m_mutex);
    return m_images.totalCost();
}

qint64 ArtworkMemoryCache::cost(const QImage& image)
{
    return qint64(image.width()) * image.height() * 4;
}

} // namespace mivo
