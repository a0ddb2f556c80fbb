// Folding a large sync run into SyncStore: every track is started, checked on
// disk, reports 20 download progress steps and finishes.
//
// Reported per benchmark:
//   items_per_second  events folded per second
//   bytes/track       heap held per track row once the groups are built
//                     (mallinfo2 before/after the playlistStarted events)
//   bytes/track.done  heap held per track row at the end of the run

#include "State/SyncStore.h"
#include "Transport/HelperEvent.h"
#include "Transport/ServerEvent.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace mivo;

namespace {

constexpr int kTracks = 10'000;
constexpr int kProgressSteps = 20;

HelperEvent server(ServerEvent::Value value)
{
    return HelperEvent { HelperEvent::Server { ServerEvent { std::move(value) } } };
}

struct Run {
    QList<HelperEvent> start; // syncStarted and the playlistStarted events
    QList<HelperEvent> tracks; // everything that happens to the tracks
    QList<HelperEvent> end; // playlistFinished and syncDone
    qsizetype count() const { return start.size() + tracks.size() + end.size(); }
};

Run makeRun(int playlists)
{
    const QString run = QStringLiteral("run-1");
    Run events;
    events.start.append(server(ServerEvent::SyncStarted { run, run, playlists }));
    QList<QString> trackIds;
    const int perPlaylist = kTracks / playlists;
    for (int p = 0; p < playlists; ++p) {
        const QString playlistId = QStringLiteral("spotify:playlist-%1").arg(p);
        QList<TrackDTO> tracks;
        for (int row = 0; row < perPlaylist; ++row) {
            const QString id = playlistId + u'#' + QString::number(row);
            trackIds.append(id);
            tracks.append(
                TrackDTO { id, QStringLiteral("Track %1").arg(row), QStringLiteral("Artist %1").arg(row % 97),
                    QStringLiteral("Album %1").arg(row % 13), 180.0 + row % 240, ArtworkRef::none() });
        }
        events.start.append(server(ServerEvent::PlaylistStarted {
            run, playlistId, p, QStringLiteral("Playlist %1").arg(p), tracks }));
        events.end.append(server(ServerEvent::PlaylistFinished { run, playlistId, Finish::ok }));
    }
    const TrackMeta meta { QStringLiteral("FLAC"), QStringLiteral("1024"), QStringLiteral("soulseek") };
    for (const QString& id : std::as_const(trackIds)) {
        events.tracks.append(server(ServerEvent::TrackStarted { run, id, 0, id }));
        events.tracks.append(
            server(ServerEvent::DiskCheck { run, id, DiskCheckResult::missing, std::nullopt }));
        for (int step = 1; step <= kProgressSteps; ++step) {
            events.tracks.append(
                server(ServerEvent::DownloadProgress { run, id, step * 100.0 / kProgressSteps,
                    QStringLiteral("%1 MB").arg(step), QStringLiteral("1.%1 MB/s").arg(step % 10) }));
        }
        events.tracks.append(server(ServerEvent::TrackFinished {
            run, id, Finish::ok, std::nullopt, TrackFinishKind::verified, meta }));
    }
    events.end.append(server(ServerEvent::SyncDone { run, run, SyncSummary { 0, kTracks, 0, 0, 0, 0, 0 } }));
    return events;
}

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

// readEveryEvent: a view that reads the derived values after every event instead
// of once per event-loop turn (the worst case for the cached counts).
void foldRun(benchmark::State& state, bool readEveryEvent)
{
    const Run run = makeRun(int(state.range(0)));
    double bytesPerTrack = 0;
    double bytesPerTrackDone = 0;
    for (auto _ : state) {
        SyncStore store;
        const size_t before = heapInUse();
        for (const HelperEvent& event : run.start)
            store.route(event);
        const size_t built = heapInUse();
        for (const QList<HelperEvent>* part : { &run.tracks, &run.end }) {
            for (const HelperEvent& event : *part) {
                store.route(event);
                if (readEveryEvent) {
                    benchmark::DoNotOptimize(store.overallFraction());
                    benchmark::DoNotOptimize(store.reviewCount());
                    benchmark::DoNotOptimize(store.failedCount());
                }
            }
        }
        const size_t done = heapInUse();
        benchmark::DoNotOptimize(store.overallCompleted());
        bytesPerTrack = double(built - before) / kTracks;
        bytesPerTrackDone = double(done - before) / kTracks;
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * run.count());
    state.counters["events"] = double(run.count());
    state.counters["bytes/track"] = bytesPerTrack;
    state.counters["bytes/track.done"] = bytesPerTrackDone;
}

void BM_FoldSync(benchmark::State& state)
{
    foldRun(state, false);
}

void BM_FoldSyncReadingCountsEveryEvent(benchmark::State& state)
{
    foldRun(state, true);
}

} // namespace

// Argument: number of playlists the 10,000 tracks are spread over.
BENCHMARK(BM_FoldSync)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FoldSyncReadingCountsEveryEvent)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
