#include "ScreenFixture.h"

#include "Support/SampleData.h"
#include "Transport/ResultRecords.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QThread>
#include <QUrlQuery>

namespace mivo::screens {

QCoro::Task<std::optional<JSONValue>> ScreenHelperClient::requestRaw(
    Request request, std::chrono::milliseconds timeout)
{
    if (m_held.contains(request.method()))
        co_await qCoro(this, &ScreenHelperClient::released);
    if (const auto failure = m_failures.constFind(request.method()); failure != m_failures.cend())
        throw *failure;
    QCoro::Task<std::optional<JSONValue>> answer = MockHelperClient::requestRaw(std::move(request), timeout);
    co_return co_await std::move(answer);
}

namespace {

constexpr char kArtworkHost[] = "screens.invalid";

// A soft two-tone square of the hue named in the address; nothing for anything else.
QImage madeUpArtwork(const ArtworkRef& ref, double size)
{
    const auto* url = std::get_if<ArtworkRef::Url>(&ref.value);
    if (!url || url->url.host() != QLatin1String(kArtworkHost))
        return {};
    const int hue = QUrlQuery(url->url).queryItemValue(QStringLiteral("hue")).toInt();
    const int side = std::max(1, int(size * 2));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, side, side);
    gradient.setColorAt(0, QColor::fromHsv(hue % 360, 120, 235));
    gradient.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 200, 150));
    painter.fillRect(image.rect(), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 70));
    painter.drawEllipse(QPointF(side * 0.5, side * 0.5), side * 0.3, side * 0.3);
    return image;
}

} // namespace

ScreenFixture::ScreenFixture(const QPalette& palette)
    : m_palette(palette)
    , m_defaults(std::make_unique<QSettingsUserDefaults>(m_folder.filePath(QStringLiteral("defaults.ini"))))
    , m_responses(sampleResponses())
    , m_artwork(std::make_unique<ArtworkLoader>(ArtworkLoader::Source {
          [](const ArtworkRef& ref, double size) { return madeUpArtwork(ref, size); },
          [](ArtworkRef ref, double size) -> QCoro::Task<QImage> { co_return madeUpArtwork(ref, size); } }))
{
    m_defaults->setDidOnboard(true);
    ArtworkLoader::setShared(m_artwork.get());
}

ScreenFixture::~ScreenFixture()
{
    ArtworkLoader::setShared(nullptr);
}

QMap<Method, JSONValue> ScreenFixture::sampleResponses()
{
    return {
        { Method::getConfig, encode(ConfigResult { SampleData::sampleConfig() }) },
        { Method::listPlaylists, encode(ListPlaylistsResult { SampleData::playlists() }) },
        { Method::getPlaylistTracks, SampleData::previewTracksResult() },
    };
}

void ScreenFixture::setPlaylists(const QList<PlaylistDTO>& playlists)
{
    m_responses[Method::listPlaylists] = encode(ListPlaylistsResult { playlists });
}

void ScreenFixture::setConfig(const SafeConfig& config)
{
    m_responses[Method::getConfig] = encode(ConfigResult { config });
}

AppModel& ScreenFixture::model()
{
    if (!m_model) {
        auto client = std::make_unique<ScreenHelperClient>(m_responses);
        for (const Method method : std::as_const(m_held))
            client->hold(method);
        for (auto failure = m_failures.cbegin(); failure != m_failures.cend(); ++failure)
            client->fail(failure.key(), failure.value());
        m_client = client.get();
        AppModel::Options options;
        options.defaults = m_defaults.get();
        m_model = std::make_unique<AppModel>(std::move(client), options);
    }
    return *m_model;
}

ScreenHelperClient& ScreenFixture::client()
{
    model();
    return *m_client;
}

UpdaterModel& ScreenFixture::updater()
{
    if (!m_updater)
        m_updater = std::make_unique<UpdaterModel>(&model().sync());
    return *m_updater;
}

MainWindow::Environment ScreenFixture::environment()
{
    return { nullptr, m_defaults.get(), {} };
}

void ScreenFixture::loadLibrary()
{
    AppModel& app = model();
    if (SettingsStore* settings = app.settings())
        settings->refresh();
    if (LibraryStore* library = app.library())
        library->refresh(std::nullopt);
    settle();
}

void ScreenFixture::settle()
{
    // Coalesced notifications and finished loads post further events; run until quiet.
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

ArtworkRef ScreenFixture::artwork(int hue)
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(QString::fromLatin1(kArtworkHost));
    url.setPath(QStringLiteral("/art.png"));
    url.setQuery(QStringLiteral("hue=%1").arg(hue));
    return ArtworkRef::url(url);
}

} // namespace mivo::screens
