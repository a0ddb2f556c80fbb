#include "Services/ArtworkProvider.h"

#include "BuildConfig.h"
#include "Services/ArtworkCacheKey.h"
#include "Services/ArtworkImaging.h"
#include "Base/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QPromise>
#include <QSslSocket>
#include <QStandardPaths>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcoronetworkreply.h>

namespace mivo {

namespace {
constexpr int kMaxRedirects = 5;
constexpr qsizetype kMosaicTiles = 4;

// Only web addresses are downloaded: never local files, resources or inline
// data named by the helper's records.
QString unfetchableReason(const QUrl& url)
{
    if (!url.isValid())
        return QStringLiteral("invalid URL");
    if (url.scheme() != u"http" && url.scheme() != u"https")
        return QStringLiteral("unsupported URL scheme \"%1\"").arg(url.scheme());
    if (url.host().isEmpty())
        return QStringLiteral("URL without a host");
    // Names in the reserved .invalid domain never resolve; asking a name
    // server about one only sends a query off the machine for nothing.
    const QString host = url.host().toLower();
    if (host == u"invalid" || host.endsWith(u".invalid"))
        return QStringLiteral("host \"%1\" never resolves").arg(host);
    return {};
}

void logUrlFailure(const QString& reason)
{
    qCDebug(lcArtwork).noquote() << QStringLiteral("url art failed: %1").arg(reason);
}

// Deletes a network reply when the load ends, unless its manager took it along.
struct ReplyRelease {
    QPointer<QNetworkReply> reply;
    ~ReplyRelease()
    {
        if (reply)
            reply->deleteLater();
    }
};

// What went wrong with a reply beyond what it reports itself.
struct ReplyGuard {
    QString failure;
};
} // namespace

ArtworkProviderOptions ArtworkProviderOptions::defaults()
{
    ArtworkProviderOptions options;
    const QString caches = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    options.diskDir = QDir(caches).filePath(QString::fromUtf8(build::kAppId) + QStringLiteral("/artwork"));
    options.clock = [] { return QDateTime::currentDateTimeUtc(); };
    options.openLibrary = openSystemMusicLibrary;
    return options;
}

ArtworkProvider::ArtworkProvider(ArtworkProviderOptions options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_memory(m_options.memoryCostLimit)
    , m_disk(
          m_options.diskDir, { m_options.diskSizeLimit, m_options.pruneInterval, m_options.maxResponseBytes },
          m_options.clock ? m_options.clock : [] { return QDateTime::currentDateTimeUtc(); })
    , m_library(m_options.openLibrary ? m_options.openLibrary : openSystemMusicLibrary)
    , m_network(new QNetworkAccessManager(this))
{
    m_worker.setMaxThreadCount(1);
#if QT_CONFIG(ssl)
    // The first download over https loads the TLS library, which takes the
    // main thread most of a frame: load it on the worker now instead.
    m_worker.start([] { QSslSocket::supportsSsl(); });
#endif
}

ArtworkProvider::~ArtworkProvider()
{
    // A transfer still running would be deleted with the network manager without
    // ever finishing, and its load would wait forever: end each one now, so that
    // every awaiting load gets its (empty) answer.
    m_shuttingDown = true;
    const auto replies = m_network->findChildren<QNetworkReply*>();
    for (QNetworkReply* reply : replies)
        reply->abort();
    // Every queued job still runs, so that each awaiting load gets its answer.
    m_worker.waitForDone();
}

ArtworkProvider& ArtworkProvider::shared()
{
    static QPointer<ArtworkProvider> instance;
    if (!instance) {
        instance = new ArtworkProvider(ArtworkProviderOptions::defaults(), QCoreApplication::instance());
        // Gone before the application takes its event loop apart: a network manager
        // destroyed after that leaves its running transfers' state behind.
        qAddPostRoutine([] { delete instance; });
    }
    return *instance;
}

QImage ArtworkProvider::cachedImage(const ArtworkRef& ref, double size) const
{
    const auto key = ArtworkCacheKey::forRef(ref, size);
    return key ? m_memory.image(*key) : QImage();
}

bool ArtworkProvider::iTunesLibraryAvailable() const
{
    return m_library.isAvailable();
}

QString ArtworkProvider::diskDir() const
{
    return m_disk.folder();
}

QCoro::Task<QImage> ArtworkProvider::image(ArtworkRef ref, double size)
{
    const auto key = ArtworkCacheKey::forRef(ref, size);
    if (!key)
        co_return QImage();
    const int pixels = static_cast<int>(size * kScale);
    // Nothing larger than a decode may take is ever made, a mosaic included.
    if (qint64(pixels) * pixels * 4 > m_options.maxDecodeBytes)
        co_return QImage();
    if (QImage hit = m_memory.image(*key); !hit.isNull())
        co_return hit;
    if (std::holds_alternative<ArtworkRef::None>(ref.value))
        co_return QImage();

    // The compiler mishandles temporaries that live across a suspension, so
    // every awaited future is named first.
    const QPointer<ArtworkProvider> self(this);
    const QFuture<QImage> diskLookup = onWorker([this, k = *key, pixels] { return lookUpDisk(k, pixels); });
    const QImage fromDisk = co_await diskLookup;
    if (!self)
        co_return QImage();
    if (!fromDisk.isNull())
        co_return fromDisk;

    if (const auto* url = std::get_if<ArtworkRef::Url>(&ref.value)) {
        QCoro::Task<QImage> download = loadURL(url->url, pixels, *key);
        const QImage image = co_await download;
        co_return image;
    }
    QFuture<QImage> load;
    if (const auto* item = std::get_if<ArtworkRef::AppleMusic>(&ref.value))
        load = onWorker(
            [this, id = item->persistentID, pixels, k = *key] { return loadAppleMusic(id, pixels, k); });
    else if (const auto* mosaic = std::get_if<ArtworkRef::Mosaic>(&ref.value))
        load = onWorker(
            [this, ids = mosaic->trackIds, pixels, k = *key] { return loadMosaic(ids, pixels, k); });
    else
        co_return QImage();
    const QImage image = co_await load;
    co_return image;
}

QCoro::Task<QImage> ArtworkProvider::loadURL(QUrl url, int pixels, QString key)
{
    if (const QString reason = unfetchableReason(url); !reason.isEmpty()) {
        logUrlFailure(reason);
        co_return QImage();
    }

    // Redirects are followed to web addresses only, and never from HTTPS to HTTP.
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(m_options.requestTimeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    QNetworkReply* reply = m_network->get(request);
    const ReplyRelease release { reply };
    const auto guard = std::make_shared<ReplyGuard>();
    const qint64 cap = m_options.maxResponseBytes;

    connect(
        reply, &QNetworkReply::downloadProgress, reply, [reply, guard, cap](qint64 received, qint64 total) {
            if (received > cap || total > cap) {
                guard->failure = QStringLiteral("response larger than %1 bytes").arg(cap);
                reply->abort();
            }
        });

    const QPointer<ArtworkProvider> self(this);
    co_await reply;
    if (!self || self->m_shuttingDown || !release.reply)
        co_return QImage();
    if (!guard->failure.isEmpty()) {
        logUrlFailure(guard->failure);
        co_return QImage();
    }
    if (reply->error() != QNetworkReply::NoError) {
        logUrlFailure(reply->errorString());
        co_return QImage();
    }
    // An error page is no artwork, even when it carries a picture.
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        logUrlFailure(QStringLiteral("HTTP status %1").arg(status));
        co_return QImage();
    }
    const QByteArray bytes = reply->readAll();
    if (bytes.size() > cap) {
        logUrlFailure(QStringLiteral("response larger than %1 bytes").arg(cap));
        co_return QImage();
    }
    const QFuture<QImage> decoding
        = onWorker([this, bytes, pixels, key] { return decodeAndStore(bytes, pixels, key); });
    const QImage image = co_await decoding;
    co_return image;
}

QImage ArtworkProvider::lookUpDisk(const QString& key, int pixels)
{
    const auto bytes = m_disk.read(key);
    if (!bytes)
        return {};
    // Bytes that do not decode are left in place; a fresh load overwrites them.
    QImage image = ArtworkImaging::downsample(*bytes, pixels, m_options.maxDecodeBytes);
    if (image.isNull())
        return {};
    m_memory.insert(key, image);
    m_disk.pruneIfNeeded();
    return image;
}

QImage ArtworkProvider::loadAppleMusic(const QString& persistentID, int pixels, const QString& key)
{
    m_library.ensureIndex();
    if (!m_library.isAvailable())
        return {};
    const auto item = m_library.mediaItem(persistentID);
    if (!item)
        return {};
    const auto data = item->artworkImageData();
    if (!data)
        return {};
    return decodeAndStore(*data, pixels, key);
}

QImage ArtworkProvider::loadMosaic(const QList<QString>& trackIds, int pixels, const QString& key)
{
    m_library.ensureIndex();
    // Only the first four tracks are tried: a missing tile is not replaced by a
    // later track.
    QList<QImage> tiles;
    for (const QString& id : trackIds.mid(0, kMosaicTiles)) {
        const QImage tile = loadAppleMusic(id, pixels / 2, ArtworkCacheKey::tile(key, id));
        if (!tile.isNull())
            tiles.append(tile);
    }
    const QImage mosaic = ArtworkImaging::composeMosaic(tiles, pixels);
    if (mosaic.isNull())
        return {};
    m_memory.insert(key, mosaic);
    return mosaic;
}

QImage ArtworkProvider::decodeAndStore(const QByteArray& bytes, int pixels, const QString& key)
{
    QImage image = ArtworkImaging::downsample(bytes, pixels, m_options.maxDecodeBytes);
    if (image.isNull())
        return {};
    m_memory.insert(key, image);
    m_disk.write(key, bytes);
    m_disk.pruneIfNeeded();
    return image;
}

QFuture<QImage> ArtworkProvider::onWorker(std::function<QImage()> job)
{
    const auto promise = std::make_shared<QPromise<QImage>>();
    QFuture<QImage> future = promise->future();
    promise->start();
    m_worker.start([promise, job = std::move(job)] {
        QImage result;
        try {
            result = job();
        } catch (const std::exception& error) {
            qCWarning(lcArtwork).noquote() << QStringLiteral("artwork work failed: %1").arg(error.what());
        }
        promise->addResult(result);
        promise->finish();
    });
    return future;
}

} // namespace mivo
