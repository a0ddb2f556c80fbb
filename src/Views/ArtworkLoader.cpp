#include "Views/ArtworkLoader.h"

#include "Services/ArtworkCacheKey.h"
#include "Services/ArtworkProvider.h"

#include <QCoreApplication>
#include <QPointer>

namespace mivo {

namespace {

constexpr qsizetype kKeptBytes = 16 * 1024 * 1024;

qsizetype costOf(const QImage& image)
{
    return std::max<qsizetype>(1, image.sizeInBytes());
}

ArtworkLoader::Source providerSource()
{
    return {
        [](const ArtworkRef& ref, double size) { return ArtworkProvider::shared().cachedImage(ref, size); },
        [](ArtworkRef ref, double size) { return ArtworkProvider::shared().image(std::move(ref), size); },
    };
}

} // namespace

ArtworkLoader::ArtworkLoader(QObject* parent)
    : ArtworkLoader(providerSource(), parent)
{
}

ArtworkLoader::ArtworkLoader(Source source, QObject* parent)
    : ArtworkLoader(std::move(source), MonotonicClock::system(), parent)
{
}

ArtworkLoader::ArtworkLoader(Source source, MonotonicClock& clock, QObject* parent)
    : QObject(parent)
    , m_source(std::move(source))
    , m_clock(clock)
    , m_loaded(kKeptBytes)
{
}

bool ArtworkLoader::hasFailed(const QString& key) const
{
    const auto failed = m_failedAt.constFind(key);
    return failed != m_failedAt.cend() && m_clock.now() - *failed < kRetryAfter;
}

namespace {
QPointer<ArtworkLoader> g_replacement;
}

ArtworkLoader& ArtworkLoader::shared()
{
    if (g_replacement)
        return *g_replacement;
    static QPointer<ArtworkLoader> loader;
    if (!loader)
        loader = new ArtworkLoader(QCoreApplication::instance());
    return *loader;
}

void ArtworkLoader::setShared(ArtworkLoader* loader)
{
    g_replacement = loader;
}

std::optional<QString> ArtworkLoader::key(const ArtworkRef& ref, double size)
{
    return ArtworkCacheKey::forRef(ref, size);
}

QImage ArtworkLoader::image(const ArtworkRef& ref, double size)
{
    const std::optional<QString> k = key(ref, size);
    if (!k || std::holds_alternative<ArtworkRef::None>(ref.value))
        return {};
    if (const QImage* kept = m_loaded.object(*k))
        return *kept;
    if (hasFailed(*k))
        return {};
    QImage cached = m_source.cached(ref, size);
    if (!cached.isNull())
        return cached;
    if (!m_loading.contains(*k)) {
        m_loading.insert(*k);
        run(ref, size, *k);
    }
    return {};
}

QCoro::Task<void> ArtworkLoader::run(ArtworkRef ref, double size, QString key)
{
    const QPointer<ArtworkLoader> self(this);
    QCoro::Task<QImage> loading = m_source.load(std::move(ref), size);
    const QImage image = co_await std::move(loading);
    if (!self)
        co_return;
    m_loading.remove(key);
    if (image.isNull()) {
        m_failedAt.insert(key, m_clock.now());
        co_return;
    }
    m_failedAt.remove(key);
    m_loaded.insert(key, new QImage(image), costOf(image));
    emit ready(key);
}

} // namespace mivo
