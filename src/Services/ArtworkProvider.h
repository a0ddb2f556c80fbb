#pragma once

#include "Services/ArtworkDiskCache.h"
#include "Services/ArtworkMemoryCache.h"
#include "Services/MusicLibrary.h"
#include "Services/MusicLibraryIndex.h"
#include "Transport/PlaylistRecords.h"

#include <QDateTime>
#include <QFuture>
#include <QImage>
#include <QObject>
#include <QThreadPool>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <qcoro/qcorotask.h>

class QNetworkAccessManager;

namespace mivo {

// Everything the artwork provider takes from outside: its limits, its folder,
// its clock and the local music library. defaults() gives the real ones.
struct ArtworkProviderOptions {
    static constexpr qint64 kMiB = 1024 * 1024;

    QString diskDir; // the disk cache's folder
    qint64 memoryCostLimit = 64 * kMiB; // decoded bytes kept in memory
    qint64 diskSizeLimit = 256 * kMiB; // file bytes kept on disk after a prune
    std::chrono::seconds pruneInterval { 60 }; // the disk is pruned at most once per interval
    std::chrono::milliseconds requestTimeout { 20000 }; // a download that stalls this long fails
    qint64 maxResponseBytes = 32 * kMiB; // larger downloads are abandoned
    qint64 maxDecodeBytes = 256 * kMiB; // larger pictures (width × height × 4) are not decoded
    std::function<QDateTime()> clock; // wall clock for the disk cache's file dates
    MusicLibraryOpener openLibrary; // opens the local music library

    // The user's cache folder + the application id + "artwork", the system
    // clock and the system's music library.
    static ArtworkProviderOptions defaults();
};

// Turns an ArtworkRef and an edge length in points into a decoded image of at
// most twice that many pixels on its longer edge: from a memory cache, a disk
// cache of the original bytes, a download over HTTP(S), the local music
// library's cover art, or a 2×2 mosaic of library items. Every failure gives a
// null image; the caller shows its placeholder.
//
// Lives on the main thread; file input and output, decoding, composing and the
// music library run on one worker thread of its own, one job at a time, so the
// main thread never waits on the disk or the network.
class ArtworkProvider : public QObject {
    Q_OBJECT
public:
    static constexpr double kScale = 2.0; // image pixels per point

    explicit ArtworkProvider(ArtworkProviderOptions options, QObject* parent = nullptr);
    ~ArtworkProvider() override;

    // The application's provider, built with the real defaults on first use.
    // First call it on the main thread once the application object exists; it
    // lives as long as the application object.
    static ArtworkProvider& shared();

    // The image held in memory for `ref` at `size` points, or a null image.
    // Never loads; callable from any thread without waiting.
    QImage cachedImage(const ArtworkRef& ref, double size) const;

    // The full lookup: memory, then disk, then loading by the reference's kind.
    // A null image for `none`, an unusable size and on any failure. Never throws.
    QCoro::Task<QImage> image(ArtworkRef ref, double size);

    // True until opening the local music library has failed.
    bool iTunesLibraryAvailable() const;

    QString diskDir() const;

private:
    QCoro::Task<QImage> loadURL(QUrl url, int pixels, QString key);

    // These run on the worker thread.
    QImage lookUpDisk(const QString& key, int pixels);
    QImage loadAppleMusic(const QString& persistentID, int pixels, const QString& key);
    QImage loadMosaic(const QList<QString>& trackIds, int pixels, const QString& key);
    QImage decodeAndStore(const QByteArray& bytes, int pixels, const QString& key);

    QFuture<QImage> onWorker(std::function<QImage()> job);

    ArtworkProviderOptions m_options;
    ArtworkMemoryCache m_memory;
    ArtworkDiskCache m_disk; // worker thread only
    MusicLibraryIndex m_library; // worker thread only
    QNetworkAccessManager* m_network; // main thread, owned as a child
    bool m_shuttingDown = false; // main thread
    QThreadPool m_worker; // destroyed first: waits for the running job
};

} // namespace mivo
