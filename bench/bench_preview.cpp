// The selection preview of one 10,000-track playlist: from selectionChanged() to
// the groups being published, through the real client and pipes to the stand-in
// helper (the quiet period set to zero, so the figure is the fetch alone), and the
// heap the published rows hold per track. Beside it, the same reply decoded and
// turned into rows from memory, without the pipe.
#include "App/AppModel.h"
#include "State/PreviewStore.h"
#include "Transport/ResultRecords.h"
#include "Transport/WireCoding.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace mivo;

namespace {

constexpr int kTracks = 10000;
constexpr int kWaitMs = 60000;

// Runs the event loop until `done` holds or the wait runs out.
bool spinUntil(PreviewStore* sender, void (PreviewStore::*signal)(), const std::function<bool()>& done)
{
    if (done())
        return true;
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

// A model started against the stand-in helper serving one playlist of kTracks
// tracks, with that playlist selected.
struct Session {
    QTemporaryDir dir;
    std::unique_ptr<AppModel> model;

    Session()
    {
        qputenv("MIVO_HELPER_PATH", MIVO_TEST_HELPER_PATH);
        qputenv("MIVO_STANDIN_CONFIG", dir.filePath(QStringLiteral("config.json")).toLocal8Bit());
        qputenv("MIVO_STANDIN_LIBRARY", QByteArray("1x") + QByteArray::number(kTracks));
        AppModel::Options options;
        options.previewDebounce = MonotonicClock::Duration::zero();
        options.cliTool.toolPaths = {};
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        model = std::make_unique<AppModel>(options);
        QCoro::waitFor(model->start());
        QSet<QString> ids;
        for (const PlaylistDTO& playlist : model->library()->playlists())
            ids.insert(playlist.id);
        model->library()->setSelection(ids);
    }
    ~Session()
    {
        for (const char* name : { "MIVO_HELPER_PATH", "MIVO_STANDIN_CONFIG", "MIVO_STANDIN_LIBRARY" })
            qunsetenv(name);
    }

    // Previews the selection afresh and waits for the groups.
    bool preview()
    {
        PreviewStore* store = model->preview();
        store->clear();
        model->selectionChanged();
        return spinUntil(store, &PreviewStore::isLoadingChanged, [store] { return !store->isLoading(); })
            && store->trackCount() == kTracks;
    }
};

void BM_PreviewOfALargePlaylistFromTheHelper(benchmark::State& state)
{
    Session session;
    if (session.model->startupError() || session.model->library()->playlists().size() != 1) {
        state.SkipWithError("the stand-in helper did not start");
        return;
    }
    for (auto _ : state) {
        if (!session.preview()) {
            state.SkipWithError("the preview was not published");
            return;
        }
    }
    state.SetItemsProcessed(long(state.iterations()) * kTracks);

    // The heap the published rows hold: with them on screen, and once cleared.
    PreviewStore* store = session.model->preview();
    store->clear();
    QCoreApplication::processEvents();
    const size_t cleared = heapInUse();
    if (!session.preview()) {
        state.SkipWithError("the preview was not published");
        return;
    }
    QCoreApplication::processEvents();
    const size_t held = heapInUse();
    state.counters["bytes_per_track"] = double(held > cleared ? held - cleared : 0) / kTracks;
}
BENCHMARK(BM_PreviewOfALargePlaylistFromTheHelper)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

// The client's and the store's share of that work: the same reply line parsed,
// decoded and turned into rows, from memory.
void BM_RowsFromTheSameReplyInMemory(benchmark::State& state)
{
    PreviewTracksResult result;
    for (int row = 0; row < kTracks; ++row) {
        PreviewTrackDTO track;
        track.id = WireProtocol::trackId(QStringLiteral("spotify:pl-gen-1"), row);
        track.title = QStringLiteral("Title of track %1").arg(row);
        track.artist = QStringLiteral("Some Artist");
        track.album = QStringLiteral("Some Album");
        track.durationSec = 215.5;
        track.artwork = ArtworkRef::url(QUrl(QStringLiteral("https://example.org/art/%1.jpg").arg(row)));
        track.onDisk = row % 4 == 0 ? OnDisk::present : OnDisk::missing;
        result.tracks.append(track);
    }
    const QByteArray line = dumpJson(encodeValue(result));
    for (auto _ : state) {
        const auto decoded = decodeValue<PreviewTracksResult>(parseJsonLine(line));
        QList<std::shared_ptr<TrackModel>> rows;
        rows.reserve(decoded.tracks.size());
        for (const PreviewTrackDTO& track : decoded.tracks)
            rows.append(std::make_shared<TrackModel>(track));
        PlaylistGroup group(
            QStringLiteral("spotify:pl-gen-1"), QStringLiteral("Generated 1"), 0, std::move(rows));
        benchmark::DoNotOptimize(group.total());
    }
    state.SetItemsProcessed(long(state.iterations()) * kTracks);
    state.counters["reply_bytes"] = double(line.size());
}
BENCHMARK(BM_RowsFromTheSameReplyInMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace
