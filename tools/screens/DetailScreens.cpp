// The library detail's states: the helper unavailable, nothing selected, the
// preview loading and loaded, a start waiting for the helper, a run under way with tracks in every kind of
// state, a finished run with its summary, and a collapsed group.

#include "ScreenFixture.h"
#include "ScreenRegistry.h"
#include "Views/MainWindow.h"

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>

namespace mivo::screens {

namespace {

const QSize kWindow = MainWindow::kDefaultSize;

PlaylistDTO playlist(const char* id, PlaylistSourceId source, const char* name, qint64 tracks, int hue)
{
    return { QString::fromUtf8(id), source, QString::fromUtf8(name), false, std::nullopt, tracks,
        ScreenFixture::artwork(hue) };
}

QList<PlaylistDTO> library()
{
    using enum PlaylistSourceId;
    return {
        playlist("apple:warmup", apple, "Warm-Up", 8, 20),
        playlist("apple:peak", apple, "Peak Time", 31, 340),
        playlist("spotify:drive", spotify, "Late Night Drive", 3, 230),
    };
}

struct Song {
    const char* title;
    const char* artist;
    const char* album; // may be null
    double seconds;
    int hue;
};

const Song kWarmUp[] = {
    { "Night Drive", "Aurora Lane", "Coastline", 258, 20 },
    { "Slow Burn", "The Meridians", "Embers", 312, 45 },
    { "Glass Hours", "Kite Theory", nullptr, 401, 190 },
    { "Undertow", "Mara Vey", "Tides", 287, 210 },
    { "Paper Planes at Dawn", "Northbound Collective", "First Light (Deluxe Edition)", 344, 280 },
    { "Halcyon", "Dunes", "Halcyon", 365, 120 },
    { "Low Orbit", "Satellite Hearts", "Signals", 299, 320 },
    { "Afterglow", "Lumen", "Afterglow EP", 276, 60 },
};

const Song kDrive[] = {
    { "City Lights", "Neon Avenue", "Night Shift", 241, 230 },
    { "Overpass", "Static Bloom", nullptr, 305, 250 },
    { "Last Exit", "Vela", "Mileage", 272, 200 },
};

template <size_t N> QList<TrackDTO> tracks(const char* playlistId, const Song (&songs)[N])
{
    QList<TrackDTO> list;
    for (size_t i = 0; i < N; ++i) {
        const Song& s = songs[i];
        list.append({ QString::fromUtf8(playlistId) + u'#' + QString::number(i), QString::fromUtf8(s.title),
            QString::fromUtf8(s.artist), s.album ? std::optional(QString::fromUtf8(s.album)) : std::nullopt,
            s.seconds, ScreenFixture::artwork(s.hue) });
    }
    return list;
}

PreviewTrackDTO previewTrack(const TrackDTO& track, bool onDisk)
{
    PreviewTrackDTO preview;
    preview.id = track.id;
    preview.title = track.title;
    preview.artist = track.artist;
    preview.album = track.album;
    preview.durationSec = track.durationSec;
    preview.artwork = track.artwork;
    preview.onDisk = onDisk ? OnDisk::present : OnDisk::missing;
    if (onDisk)
        preview.meta = TrackMeta { QStringLiteral("FLAC"), std::nullopt, QStringLiteral("bandcamp") };
    return preview;
}

void route(ScreenFixture& fixture, ServerEvent::Value event)
{
    fixture.model().sync().route(HelperEvent::server(ServerEvent { std::move(event) }));
}

MainWindow* window(ScreenFixture& fixture)
{
    fixture.setPlaylists(library());
    auto* w = new MainWindow(fixture.model(), fixture.updater(), fixture.environment());
    fixture.loadLibrary();
    return w;
}

QWidget* helperUnavailable(ScreenFixture& fixture)
{
    // A model of its own whose start finds no helper.
    qputenv("MIVO_HELPER_PATH", QByteArrayLiteral("/nonexistent/mivo-helper"));
    auto* model = new AppModel;
    auto* w = new MainWindow(*model, fixture.updater(), fixture.environment());
    model->setParent(w);
    QCoro::waitFor(model->start());
    qunsetenv("MIVO_HELPER_PATH");
    ScreenFixture::settle();
    return w;
}

QWidget* selectPlaylist(ScreenFixture& fixture)
{
    return window(fixture);
}

QWidget* preview(ScreenFixture& fixture, bool loading)
{
    QList<PreviewTrackDTO> rows;
    const QList<TrackDTO> warmUp = tracks("apple:warmup", kWarmUp);
    for (qsizetype i = 0; i < warmUp.size(); ++i)
        rows.append(previewTrack(warmUp[i], i % 3 == 0));
    fixture.responses().insert(
        Method::getPlaylistTracks, ScreenFixture::encode(PreviewTracksResult { rows }));
    if (loading)
        fixture.hold(Method::getPlaylistTracks);
    MainWindow* w = window(fixture);
    fixture.model().library()->setSelection({ QStringLiteral("apple:warmup") });
    fixture.model().selectionChanged();
    // The preview asks for the tracks once the selection has been quiet a while.
    QEventLoop quiet;
    QTimer::singleShot(PreviewStore::kDebounce + std::chrono::milliseconds(50), &quiet, &QEventLoop::quit);
    quiet.exec();
    ScreenFixture::settle();
    return w;
}

// A run of two playlists: the first with tracks in every state, the second
// finished.
void run(ScreenFixture& fixture, bool finished)
{
    const TrackMeta flac { QStringLiteral("FLAC"), std::nullopt, QStringLiteral("bandcamp") };
    const TrackMeta mp3 { QStringLiteral("MP3"), QStringLiteral("320"), QStringLiteral("soulseek") };
    route(fixture, ServerEvent::SyncStarted { "c", "run-1", 2 });
    route(fixture,
        ServerEvent::PlaylistStarted { "c", "apple:warmup", 0, "Warm-Up", tracks("apple:warmup", kWarmUp) });
    route(fixture,
        ServerEvent::PlaylistStarted {
            "c", "spotify:drive", 1, "Late Night Drive", tracks("spotify:drive", kDrive) });
    const auto id = [](const char* playlist, int row) {
        return QString::fromUtf8(playlist) + u'#' + QString::number(row);
    };

    route(fixture, ServerEvent::DiskCheck { "c", id("apple:warmup", 0), DiskCheckResult::present, flac });
    route(fixture,
        ServerEvent::TrackFinished {
            "c", id("apple:warmup", 1), Finish::ok, std::nullopt, TrackFinishKind::downloaded, mp3 });
    route(fixture,
        ServerEvent::TrackFinished {
            "c", id("apple:warmup", 5), Finish::skipped, std::nullopt, std::nullopt, std::nullopt });
    route(fixture,
        ServerEvent::TrackFinished { "c", id("apple:warmup", 4), Finish::failed,
            QStringLiteral("No match found"), std::nullopt, std::nullopt });
    if (finished) {
        route(fixture,
            ServerEvent::TrackFinished { "c", id("apple:warmup", 2), Finish::lowConfidence, std::nullopt,
                TrackFinishKind::downloaded, mp3 });
        route(fixture,
            ServerEvent::TrackFinished {
                "c", id("apple:warmup", 3), Finish::ok, std::nullopt, TrackFinishKind::downloaded, flac });
        for (int row : { 6, 7 })
            route(fixture,
                ServerEvent::TrackFinished { "c", id("apple:warmup", row), Finish::ok, std::nullopt,
                    TrackFinishKind::downloaded, flac });
        route(fixture, ServerEvent::PlaylistFinished { "c", "apple:warmup", Finish::failed });
    } else {
        route(fixture,
            ServerEvent::DownloadProgress {
                "c", id("apple:warmup", 2), 42, QStringLiteral("8.1 MB"), QStringLiteral("1.4 MB/s") });
        route(fixture, ServerEvent::Step { "c", id("apple:warmup", 3), Phase::searching, std::nullopt });
        route(
            fixture, ServerEvent::NeedsReview { "c", id("apple:warmup", 6), "Low Orbit", std::nullopt, {} });
        route(fixture, ServerEvent::TrackStarted { "c", id("apple:warmup", 7), 7, "Afterglow" });
    }
    for (int row = 0; row < 3; ++row)
        route(fixture,
            ServerEvent::TrackFinished {
                "c", id("spotify:drive", row), Finish::ok, std::nullopt, TrackFinishKind::verified, flac });
    route(fixture, ServerEvent::PlaylistFinished { "c", "spotify:drive", Finish::ok });
    if (finished)
        route(fixture, ServerEvent::SyncDone { "c", "run-1", SyncSummary { 1, 7, 1, 1, 1, 0, 0 } });
    ScreenFixture::settle();
}

// Sync pressed, the helper yet to confirm the start: no playlist of the run to count.
QWidget* preparing(ScreenFixture& fixture)
{
    fixture.hold(Method::startSync);
    MainWindow* w = window(fixture);
    fixture.model().library()->setSelection({ QStringLiteral("apple:warmup") });
    fixture.model().startSync();
    ScreenFixture::settle();
    return w;
}

QWidget* running(ScreenFixture& fixture)
{
    MainWindow* w = window(fixture);
    run(fixture, false);
    return w;
}

QWidget* finished(ScreenFixture& fixture)
{
    MainWindow* w = window(fixture);
    run(fixture, true);
    return w;
}

QWidget* collapsed(ScreenFixture& fixture)
{
    MainWindow* w = window(fixture);
    run(fixture, true);
    fixture.model().sync().groups()[0]->setCollapsed(true);
    ScreenFixture::settle();
    return w;
}

const ScreenRegistration registration {
    { QStringLiteral("detail-helper-unavailable"), kWindow, helperUnavailable },
    { QStringLiteral("detail-select-playlist"), kWindow, selectPlaylist },
    { QStringLiteral("detail-preview-loading"), kWindow, [](ScreenFixture& f) { return preview(f, true); } },
    { QStringLiteral("detail-preview"), kWindow, [](ScreenFixture& f) { return preview(f, false); } },
    { QStringLiteral("detail-run-preparing"), kWindow, preparing },
    { QStringLiteral("detail-run"), kWindow, running },
    { QStringLiteral("detail-run-finished"), kWindow, finished },
    { QStringLiteral("detail-collapsed-group"), kWindow, collapsed },
};

} // namespace

} // namespace mivo::screens
