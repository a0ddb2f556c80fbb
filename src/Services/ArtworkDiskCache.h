#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace mivo {

// Image bytes by key, one file per key in one folder, bounded by the files'
// total size. Reading a file marks it as used now, and pruning removes the
// least recently used files first. Not thread-safe: one thread owns it.
class ArtworkDiskCache {
public:
    using Clock = std::function<QDateTime()>;

    struct Limits {
        qint64 sizeLimit = 0; // total bytes of the files kept after a prune
        std::chrono::seconds pruneInterval {}; // a prune happens at most once per interval
        qint64 maxFileBytes = 0; // larger files are never read back
    };

    // Creates the folder (with its parents) when missing; a failure only makes
    // later reads and writes fail.
    ArtworkDiskCache(QString folder, Limits limits, Clock clock);

    QString folder() const { return m_folder; }
    QString path(const QString& key) const;

    // The bytes stored under `key`; marks the file as used now.
    std::optional<QByteArray> read(const QString& key);
    // Replaces the file of `key` in one step; errors are ignored.
    void write(const QString& key, const QByteArray& bytes);
    // When more than the prune interval has passed since the last prune, deletes
    // the least recently used files until the total is within the size limit.
    void pruneIfNeeded();

private:
    void markUsed(const QString& path) const;

    QString m_folder;
    Limits m_limits;
    Clock m_clock;
    std::optional<QDateTime> m_lastPrune;
};

} // namespace mivo
