// The tool bar in each phase, the VPN control's states, the review inspector,
// the sync banner's kinds and the orphans banner, alone and in the window.

#include "ScreenFixture.h"
#include "ScreenRegistry.h"
#include "Styling/GlassEnvironment.h"
#include "Support/SampleData.h"
#include "Transport/ResultRecords.h"
#include "Views/Banners/OrphansBanner.h"
#include "Views/Banners/SyncBannerView.h"
#include "Views/MainCommands.h"
#include "Views/MainWindow.h"
#include "Views/Review/ReviewInspector.h"
#include "Views/Toolbar/MainToolbar.h"
#include "Views/Toolbar/VPNToolbarControl.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QToolBar>
#include <QVBoxLayout>

namespace mivo::screens {

namespace {

HelperEvent server(ServerEvent::Value value)
{
    return HelperEvent::server(ServerEvent { std::move(value) });
}

CandidateDTO candidate(const char* id, const char* title, const char* channel, double duration,
    std::optional<QString> source, std::optional<QString> format, std::optional<qint64> bitrate,
    std::optional<double> confidence)
{
    CandidateDTO c;
    c.id = QString::fromUtf8(id);
    c.title = QString::fromUtf8(title);
    c.channel = QString::fromUtf8(channel);
    c.durationSec = duration;
    c.source = std::move(source);
    c.format = std::move(format);
    c.bitrateKbps = bitrate;
    c.confidence = confidence;
    return c;
}

QList<CandidateDTO> candidates()
{
    return {
        candidate("c1", "Rivers of Light (Extended Mix)", "Solace Records", 412, "soulseek", "flac",
            std::nullopt, 0.87),
        candidate("c2", "Rivers Of Light - Extended", "djnightowl", 405, "youtube", "m4a", 256, 0.64),
        candidate("c3", "Rivers of Light (Radio Edit)", "Solace Records", 214, "bandcamp", "mp3", 320, 0.41),
        candidate("c4", "Rivers of Light [live]", "tapes & co", 431, std::nullopt, std::nullopt, std::nullopt,
            std::nullopt),
    };
}

// A run of one playlist with three tracks waiting for review (the second
// without candidates) and the VPN routing connected.
void runWithReviews(ScreenFixture& fixture, SyncPhase phase = SyncPhase::running)
{
    const QString playlist = QStringLiteral("spotify:demo");
    QList<TrackDTO> tracks;
    const char* titles[] = { "Rivers of Light", "Nightcall", "Aurora", "Open Window", "Glass Hours" };
    for (int row = 0; row < 5; ++row)
        tracks.append(TrackDTO { playlist + QStringLiteral("#%1").arg(row), QString::fromUtf8(titles[row]),
            QStringLiteral("Solace"), QStringLiteral("Lights Out EP"), 410.0 - row * 20,
            ScreenFixture::artwork(200 + 30 * row) });
    ScreenHelperClient& client = fixture.client();
    client.emitEvent(server(ServerEvent::SyncStarted { "c", "run-1", 1 }));
    client.emitEvent(server(ServerEvent::ProxyStatus { ProxyStatusValue::connected, "12 servers in use" }));
    client.emitEvent(server(ServerEvent::PlaylistStarted { "c", playlist, 0, "Late Night Drive", tracks }));
    client.emitEvent(server(ServerEvent::NeedsReview { "c", tracks[0].id, "", std::nullopt, candidates() }));
    client.emitEvent(server(ServerEvent::NeedsReview { "c", tracks[2].id, "", std::nullopt, {} }));
    client.emitEvent(
        server(ServerEvent::NeedsReview { "c", tracks[4].id, "", std::nullopt, candidates().mid(1) }));
    ScreenFixture::settle();
    if (phase == SyncPhase::cancelled)
        fixture.model().cancelSync();
    ScreenFixture::settle();
}

void withVPN(ScreenFixture& fixture, bool enabled, std::optional<qint64> nodes = std::nullopt)
{
    SafeConfig config = SampleData::sampleConfig();
    config.proxy = SafeConfig::Proxy { enabled, true };
    fixture.setConfig(config);
    fixture.responses()[Method::proxyInfo]
        = ScreenFixture::encode(ProxyInfoResult { nodes.has_value(), nodes.value_or(0) });
}

// The tool bar alone, as the window's tool bar shows it.
QWidget* toolbar(ScreenFixture& fixture, const std::function<void(ScreenFixture&, MainToolbar&)>& drive = {})
{
    auto* host = new QWidget;
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(host);
    bar->setMovable(false);
    layout->addWidget(bar);
    layout->addStretch();
    auto* commands = new MainCommands(fixture.model(), fixture.updater(), host);
    auto* items = new MainToolbar(fixture.model(), *commands, bar);
    fixture.loadLibrary();
    if (drive)
        drive(fixture, *items);
    ScreenFixture::settle();
    return host;
}

void selectAll(ScreenFixture& fixture)
{
    QSet<QString> ids;
    for (const PlaylistDTO& playlist : fixture.model().library()->playlists())
        ids.insert(playlist.id);
    fixture.model().library()->setSelection(ids);
}

QWidget* vpn(ScreenFixture& fixture, bool enabled, std::optional<qint64> nodes,
    const std::function<void(ScreenFixture&, VPNToolbarControl&)>& drive = {})
{
    withVPN(fixture, enabled, nodes);
    return toolbar(fixture, [drive](ScreenFixture& f, MainToolbar& items) {
        selectAll(f);
        ScreenFixture::settle();
        if (drive && items.vpnControl())
            drive(f, *items.vpnControl());
    });
}

// Waits for the sync banner to finish sliding in.
void settleBanner(QWidget* root)
{
    QElapsedTimer clock;
    clock.start();
    for (SyncBannerView* banner : root->findChildren<SyncBannerView*>()) {
        while (banner->isVisibleTo(root) && banner->presence() < 1 && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

QWidget* bannerAlone(ScreenFixture& fixture, SyncBanner notice)
{
    auto* host = new QWidget;
    host->setAutoFillBackground(true);
    auto* banner = new SyncBannerView(fixture.model(), host);
    fixture.model().sync().setBanner(std::move(notice));
    const int width = 560;
    banner->setGeometry(16, 8, width, banner->heightForWidth(width));
    settleBanner(host);
    return host;
}

QWidget* inspectorAlone(
    ScreenFixture& fixture, const std::function<void(ScreenFixture&, ReviewInspector&)>& drive)
{
    auto* inspector = new ReviewInspector(fixture.model());
    inspector->setAutoFillBackground(true);
    runWithReviews(fixture);
    drive(fixture, *inspector);
    ScreenFixture::settle();
    return inspector;
}

QStringList orphanPaths(int count)
{
    QStringList paths;
    const char* names[] = { "Rivers of Light (Extended Mix).flac", "Nightcall.mp3",
        "Aurora - Live at the Lighthouse.flac", "Open Window.m4a", "Glass Hours (Dub).mp3" };
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("/home/dj/Music/DjayImport/%1 %2")
                         .arg(i + 1, 2, 10, QLatin1Char('0'))
                         .arg(QString::fromUtf8(names[i % 5])));
    return paths;
}

QWidget* orphansAlone(ScreenFixture& fixture, int count, bool expanded, bool failed = false)
{
    auto* host = new QWidget;
    host->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    if (failed)
        fixture.fail(Method::trashOrphans,
            HelperError::engineError(QStringLiteral("io_error"),
                QStringLiteral("The files could not be moved to the trash: permission denied.")));
    auto* banner = new OrphansBanner(fixture.model(), host);
    layout->addWidget(banner);
    fixture.model().orphans()->accumulate(orphanPaths(count));
    banner->setExpanded(expanded);
    if (failed) {
        fixture.model().orphans()->trash(fixture.model().orphans()->paths());
        ScreenFixture::settle();
    }
    ScreenFixture::settle();
    return host;
}

const QSize kBar { 640, 44 };
const QSize kBanner { 592, 120 };
const QSize kInspector { 340, 720 };

// The main window reviewing a run, with both banners and the inspector open.
QWidget* reviewing(ScreenFixture& f)
{
    withVPN(f, true);
    auto* window = new MainWindow(f.model(), f.updater(), f.environment());
    f.loadLibrary();
    selectAll(f);
    f.model().selectionChanged();
    ScreenFixture::settle();
    runWithReviews(f);
    f.model().sync().setBanner(
        SyncBanner { SyncBanner::Kind::error, "Your Spotify sign-in has expired.", "spotify_auth_expired" });
    f.model().orphans()->accumulate(orphanPaths(13));
    f.model().openReview();
    ScreenFixture::settle();
    settleBanner(window);
    return window;
}

const ScreenRegistration registration {
    { "toolbar-idle", kBar, [](ScreenFixture& f) { return toolbar(f); } },
    { "toolbar-ready", kBar,
        [](ScreenFixture& f) { return toolbar(f, [](ScreenFixture& s, MainToolbar&) { selectAll(s); }); } },
    { "toolbar-running", kBar,
        [](ScreenFixture& f) {
            withVPN(f, true);
            return toolbar(f, [](ScreenFixture& s, MainToolbar&) { runWithReviews(s); });
        } },
    { "toolbar-cancelled", kBar,
        [](ScreenFixture& f) {
            return toolbar(f, [](ScreenFixture& s, MainToolbar&) {
                selectAll(s);
                runWithReviews(s, SyncPhase::cancelled);
            });
        } },
    { "vpn-off", kBar, [](ScreenFixture& f) { return vpn(f, false, std::nullopt); } },
    { "vpn-on", kBar, [](ScreenFixture& f) { return vpn(f, true, 1); } },
    { "vpn-connected", kBar,
        [](ScreenFixture& f) {
            return vpn(f, true, std::nullopt, [](ScreenFixture& s, VPNToolbarControl&) {
                s.client().emitEvent(
                    server(ServerEvent::ProxyStatus { ProxyStatusValue::connected, "12 servers" }));
            });
        } },
    { "vpn-down", kBar,
        [](ScreenFixture& f) {
            return vpn(f, true, 8, [](ScreenFixture& s, VPNToolbarControl&) {
                s.client().emitEvent(
                    server(ServerEvent::ProxyStatus { ProxyStatusValue::down, std::nullopt }));
            });
        } },
    { "vpn-testing", kBar,
        [](ScreenFixture& f) {
            f.hold(Method::testProxy);
            return vpn(f, true, std::nullopt, [](ScreenFixture&, VPNToolbarControl& c) { c.runTest(); });
        } },
    { "vpn-test-passed", kBar,
        [](ScreenFixture& f) {
            f.responses()[Method::testProxy] = ScreenFixture::encode(TestProxyResult { true, "6 reachable" });
            return vpn(f, true, std::nullopt, [](ScreenFixture&, VPNToolbarControl& c) { c.runTest(); });
        } },
    { "vpn-test-failed", kBar,
        [](ScreenFixture& f) {
            f.responses()[Method::testProxy] = ScreenFixture::encode(TestProxyResult { false, "no route" });
            return vpn(f, true, 4, [](ScreenFixture&, VPNToolbarControl& c) { c.runTest(); });
        } },
    { "inspector-candidates", kInspector,
        [](ScreenFixture& f) {
            return inspectorAlone(f, [](ScreenFixture& s, ReviewInspector& inspector) {
                s.model().openReview();
                ScreenFixture::settle();
                QListView* list = inspector.candidateList();
                list->clicked(list->model()->index(1, 0));
            });
        } },
    { "inspector-no-candidates", kInspector,
        [](ScreenFixture& f) {
            return inspectorAlone(f, [](ScreenFixture& s, ReviewInspector& inspector) {
                s.model().focusReview(QStringLiteral("spotify:demo#2"));
                inspector.urlField()->setText(QStringLiteral("https://soundcloud.com/solace/nightcall"));
            });
        } },
    { "inspector-all-caught-up", kInspector,
        [](ScreenFixture& f) { return inspectorAlone(f, [](ScreenFixture&, ReviewInspector&) {}); } },
    { "banner-info", kBanner,
        [](ScreenFixture& f) {
            return bannerAlone(
                f, { SyncBanner::Kind::info, "Select one or more playlists first.", std::nullopt });
        } },
    { "banner-warning", kBanner,
        [](ScreenFixture& f) {
            return bannerAlone(f,
                { SyncBanner::Kind::warning, "The sync was interrupted. Re-run Sync to continue safely.",
                    std::nullopt });
        } },
    { "banner-error", kBanner,
        [](ScreenFixture& f) {
            return bannerAlone(f,
                { SyncBanner::Kind::error,
                    "The output folder could not be written: the disk is full. Free some space, then run "
                    "Sync "
                    "again; tracks already on disk are kept.",
                    std::nullopt });
        } },
    { "banner-long-path", kBanner,
        [](ScreenFixture& f) {
            return bannerAlone(f,
                { SyncBanner::Kind::error,
                    "Could not write "
                    "/home/dj/Music/DjayImport/Late-Night-Drive/Hollow-Cathedral-Extended-Mix-"
                    "Remastered-2024-Bootleg-Edit.flac.part",
                    std::nullopt });
        } },
    { "banner-reconnect", kBanner,
        [](ScreenFixture& f) {
            return bannerAlone(
                f, { SyncBanner::Kind::error, "Your Spotify sign-in has expired.", "spotify_auth_expired" });
        } },
    { "orphans-collapsed", { 760, 90 }, [](ScreenFixture& f) { return orphansAlone(f, 1, false); } },
    { "orphans-expanded", { 760, 330 }, [](ScreenFixture& f) { return orphansAlone(f, 25, true); } },
    { "orphans-trash-failed", { 760, 120 },
        [](ScreenFixture& f) { return orphansAlone(f, 12, false, true); } },
    { "main-reviewing", MainWindow::kDefaultSize, reviewing },
    // The same at a larger scale, the window as large as it fits a 1920 × 1080 screen then.
    { "main-reviewing-larger-scale", QSize(), reviewing, 1.6 },
};

} // namespace

} // namespace mivo::screens
