#include "Services/ArtworkDiskCache.h"

#include "Services/ArtworkCacheKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace mivo {

ArtworkDiskCache::ArtworkDiskCache(QString folder, Limits limits, Clock clock)
    : m_folder(std::move(folder))
    , m_limits(limits)
    , m_clock(std::move(clock))
{
    QDir().mkpath(m_folder);
}

QString ArtworkDiskCache::path(const QString& key) const
{
    return QDir(m_folder).filePath(ArtworkCacheKey::fileName(key));
}

std::optional<QByteArray> ArtworkDiskCache::read(const QString& key)
{
    QFile file(path(key));
    if (!file.open(QIODevice::ReadOnly) || file.size() > m_limits.maxFileBytes)
        return std::nullopt;
    file.setFileTime(m_clock(), QFileDevice::FileModificationTime);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

void ArtworkDiskCache::write(const QString& key, const QByteArray& bytes)
{
    const QString target = path(key);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return;
    markUsed(target);
}

void ArtworkDiskCache::markUsed(const QString& path) const
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        file.setFileTime(m_clock(), QFileDevice::FileModificationTime);
}

void ArtworkDiskCache::pruneIfNeeded()
{
    const QDateTime now = m_clock();
    const auto interval = std::chrono::duration_cast<std::chrono::milliseconds>(m_limits.pruneInterval);
    if (m_lastPrune && m_lastPrune->msecsTo(now) <= interval.count())
        return;
    m_lastPrune = now;

    struct Entry {
        QString path;
        qint64 size;
        QDateTime modified;
    };
    QList<Entry> entries;
    const QFileInfoList infos
        = QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& info : infos) {
        const QDateTime modified = info.lastModified();
        if (modified.isValid())
            entries.append({ info.filePath(), info.size(), modified });
    }
    qint64 total = 0;
    for (const Entry& entry : entries)
        total += entry.size;
    if (total <= m_limits.sizeLimit)
        return;

    std::stable_sort(entries.begin(), entries.end(),
        [](const Entry& a, const Entry& b) { return a.modified < b.modified; });
    for (const Entry& entry : entries) {
        if (total <= m_limits.sizeLimit)
            break;
        QFile::remove(entry.path);
        total -= entry.size;
    }
}

} // namespace mivo
