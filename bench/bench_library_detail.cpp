// The library detail in the real main window, shown offscreen, against the
// stand-in helper:
// - a sync run of one 10,000-track playlist streamed at 2,000 events per second
//   (reviews answered as they come): the longest stall of the main thread, seen
//   by a timer that should fire every millisecond, and how many 60 Hz frames it
//   missed; run again with the playlist's group folded shut by its chevron and
//   open again while the events stream, with the longest stall and the missed
//   frames of each fold on its own (fold:1 with the spring, fold:2 at once as
//   under reduce motion, fold:0 the same waits with nothing pressed);
// - the first of 100 previewed playlists of 100 tracks folded shut and open the
//   same two ways, beside the same wait without a fold (fold:0);
// - selecting that playlist until its preview rows are painted (quiet period
//   zero);
// - the resident memory of the window with those rows, and with 100 playlists
//   of 100 tracks.
//
// A stall depends on what else the machine runs, and the first fold of a
// process pays for what the process does for the first time: take the fold
// figures from fresh processes on an idle machine. bench/fold_figures.sh runs
// every fold case (and the run without a fold) in five fresh processes each and
// prints, per process, the longest stall and the missed frames:
//   bench/fold_figures.sh build/bench/bench_library_detail [processes]
#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "StallProbe.h"
#include "Styling/ExpandSpring.h"
#include "Styling/GlassEnvironment.h"
#include "Support/UserDefaults.h"
#include "Views/Detail/LibraryDetailList.h"
#include "Views/Detail/LibraryDetailView.h"
#include "Views/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

using namespace mivo;

namespace {

constexpr int kWaitMs = 60000;

// Runs the event loop until `done` or the time is up, looking for events
// without pause. A loop that sleeps until woken measures, on a virtual machine,
// mostly how late the sleeping thread wakes (up to a millisecond for each
// reply, chunk and hand-over between threads), not the window.
bool spinUntil(const std::function<bool()>& done, int waitMs = kWaitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < waitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Resident memory of the process in bytes.
double residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024;
    }
    return 0;
}

// The main window on a model started against the stand-in helper with `library`
// ("1x10000", "100x100"), shown offscreen with the library loaded, for a user
// who has been through the setup wizard before.
struct Session {
    QTemporaryDir dir;
    QSettingsUserDefaults defaults { dir.filePath(QStringLiteral("defaults.ini")) };
    std::unique_ptr<AppModel> model;
    std::unique_ptr<UpdaterModel> updater;
    std::unique_ptr<MainWindow> window;

    explicit Session(const QByteArray& library)
    {
        qputenv("MIVO_HELPER_PATH", MIVO_TEST_HELPER_PATH);
        qputenv("MIVO_STANDIN_CONFIG", dir.filePath(QStringLiteral("config.json")).toLocal8Bit());
        qputenv("MIVO_STANDIN_LIBRARY", library);
        qputenv("MIVO_STANDIN_EVENT_RATE", "2000");
        AppModel::Options options;
        options.previewDebounce = MonotonicClock::Duration::zero();
        options.cliTool.toolPaths = {};
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        defaults.setDidOnboard(true);
        options.defaults = &defaults;
        model = std::make_unique<AppModel>(options);
        updater = std::make_unique<UpdaterModel>(&model->sync());
        window = std::make_unique<MainWindow>(
            *model, *updater, MainWindow::Environment { nullptr, &defaults, {} });
        window->resize(MainWindow::kDefaultSize);
        window->show();
        spinUntil([this] {
            return model->startupError()
                || (model->library() && model->library()->loadState() == LibraryStore::LoadState::loaded());
        });
    }
    ~Session()
    {
        window.reset();
        model.reset();
        for (const char* name :
            { "MIVO_HELPER_PATH", "MIVO_STANDIN_CONFIG", "MIVO_STANDIN_LIBRARY", "MIVO_STANDIN_EVENT_RATE" })
            qunsetenv(name);
    }

    bool ready() const
    {
        return !model->startupError() && model->library() && !model->library()->playlists().isEmpty();
    }
    LibraryDetailList* list() const { return window->findChild<LibraryDetailList*>(); }

    void selectAll()
    {
        QSet<QString> ids;
        for (const PlaylistDTO& playlist : model->library()->playlists())
            ids.insert(playlist.id);
        model->library()->setSelection(ids);
    }
};

// Notes when the list's viewport has painted rows.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(LibraryDetailList* list)
        : m_list(list)
    {
        list->viewport()->installEventFilter(this);
    }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_list->model()->rowCount() > 0)
            painted = true;
        return false;
    }

private:
    LibraryDetailList* m_list;
};

struct Stall {
    double longestMs = 0;
    int missedFrames = 0;
};

// Presses the first group's chevron (or, without `press`, waits as long as a
// fold takes) and returns the longest stall and the frames missed from the
// press to a tenth of a second after the fold has settled.
Stall foldStall(StallProbe& probe, LibraryDetailList* list, bool press = true)
{
    probe.beginWindow();
    if (press) {
        list->activateButton(list->detailModel().headerRow(0));
        spinUntil([&] { return !list->isFolding(); });
    } else {
        QElapsedTimer fold;
        fold.start();
        spinUntil([&] { return fold.elapsed() >= ExpandSpring::kDurationMs; });
    }
    QElapsedTimer settle;
    settle.start();
    spinUntil([&] { return settle.elapsed() >= 100; });
    return { probe.windowLongestMs(), probe.windowMissedFrames() };
}

void count(benchmark::State& state, const std::string& name, const Stall& stall)
{
    state.counters[name + "_stall_ms"] = stall.longestMs;
    state.counters[name + "_missed"] = stall.missedFrames;
}

void BM_RunStreamsIntoTheWindow(benchmark::State& state)
{
    Session session("1x10000");
    if (!session.ready() || !session.list()) {
        state.SkipWithError("the stand-in helper or the detail did not start");
        return;
    }
    session.selectAll();
    // Answer every review as it comes, so the run goes on.
    QObject::connect(&session.model->sync(), &SyncStore::changed, session.model.get(), [&session] {
        for (const auto& track : session.model->sync().reviewQueue())
            session.model->submitReview(track->id(), ReviewDecision::accept());
    });
    const int seconds = int(state.range(0));
    // 1: the chevron folds the group with the spring; 2: under reduce motion,
    // where its rows go and come at once; 0: no fold, the same waits measured
    // for the stalls of the run alone beside them.
    const bool fold = state.range(1) != 0;
    if (state.range(1) == 2) {
        GlassResolver glass = GlassEnvironment::of(session.list());
        glass.reduceMotion = true;
        GlassEnvironment::set(session.list(), glass);
    }
    for (auto _ : state) {
        StallProbe probe;
        session.model->startSync();
        probe.start();
        QElapsedTimer clock;
        clock.start();
        qint64 events = 0;
        const auto runOver = [&] { return session.model->sync().phase() == SyncPhase::done; };
        // Three seconds in, the chevron folds the playlist's 10,000 rows shut;
        // three seconds later it opens them again.
        LibraryDetailList* list = session.list();
        spinUntil([&] { return runOver() || list->detailModel().rowCount() > 1; });
        const auto press = [&](const char* name) {
            spinUntil(runOver, 3000);
            count(state, name, foldStall(probe, list, fold));
        };
        press("collapse");
        press("expand");
        if (fold)
            state.counters["rows_after"] = list->detailModel().rowCount();
        spinUntil(runOver, int(std::max<qint64>(0, seconds * 1000 - clock.elapsed())));
        probe.stop();
        events = session.model->sync().overallCompleted();
        state.counters["longest_stall_ms"] = probe.longestMs();
        state.counters["missed_frames"] = probe.missedFrames();
        state.counters["tracks_finished"] = double(events);
        state.counters["rss_MiB"] = residentBytes() / (1024.0 * 1024.0);
        state.SetIterationTime(double(clock.elapsed()) / 1000.0);
        session.model->cancelSync();
    }
}
BENCHMARK(BM_RunStreamsIntoTheWindow)
    ->ArgNames({ "seconds", "fold" })
    ->Args({ 20, 0 })
    ->Args({ 20, 1 })
    ->Args({ 20, 2 })
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// From the selection to the preview's rows painted, and the memory they hold.
void previewBenchmark(benchmark::State& state, const QByteArray& library)
{
    Session session(library);
    if (!session.ready() || !session.list()) {
        state.SkipWithError("the stand-in helper or the detail did not start");
        return;
    }
    QCoreApplication::processEvents();
    const double before = residentBytes();
    double longest = 0;
    for (auto _ : state) {
        session.model->library()->setSelection({});
        session.model->selectionChanged();
        spinUntil([&] { return session.model->preview()->groups().isEmpty(); });
        PaintWatch watch(session.list());
        QElapsedTimer clock;
        clock.start();
        session.selectAll();
        session.model->selectionChanged();
        if (!spinUntil([&] { return watch.painted; })) {
            state.SkipWithError("the preview was not painted");
            return;
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        longest = std::max(longest, ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["rows"] = session.list()->model()->rowCount();
    state.counters["slowest_ms"] = longest;
    state.counters["window_rss_MiB"] = before / (1024.0 * 1024.0);
    state.counters["rss_with_rows_MiB"] = residentBytes() / (1024.0 * 1024.0);
}

void BM_PreviewOfOnePlaylistOf10000(benchmark::State& state)
{
    previewBenchmark(state, "1x10000");
}
BENCHMARK(BM_PreviewOfOnePlaylistOf10000)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PreviewOf100PlaylistsOf100(benchmark::State& state)
{
    previewBenchmark(state, "100x100");
}
BENCHMARK(BM_PreviewOf100PlaylistsOf100)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// The first of 100 previewed playlists of 100 tracks folded shut and open by
// its chevron: the rows of the others move with the fold. Without a fold
// (fold:0) the same two waits, for the stalls of an idle window beside it.
void BM_FoldAmong100Playlists(benchmark::State& state)
{
    Session session("100x100");
    if (!session.ready() || !session.list()) {
        state.SkipWithError("the stand-in helper or the detail did not start");
        return;
    }
    LibraryDetailList* list = session.list();
    if (state.range(0) == 2) { // at once, as under reduce motion
        GlassResolver glass = GlassEnvironment::of(list);
        glass.reduceMotion = true;
        GlassEnvironment::set(list, glass);
    }
    session.selectAll();
    session.model->selectionChanged();
    if (!spinUntil([&] { return list->detailModel().rowCount() > 10000; })) {
        state.SkipWithError("the preview did not arrive");
        return;
    }
    spinUntil([] { return false; }, 500);
    const bool press = state.range(0) != 0;
    Stall collapse;
    Stall expand;
    StallProbe probe;
    probe.start();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        for (Stall* figure : { &collapse, &expand }) {
            const Stall stall = foldStall(probe, list, press);
            figure->longestMs = std::max(figure->longestMs, stall.longestMs);
            figure->missedFrames += stall.missedFrames;
        }
        state.SetIterationTime(double(clock.elapsed()) / 1000.0);
    }
    probe.stop();
    state.counters["rows"] = list->detailModel().rowCount();
    count(state, "collapse", collapse);
    count(state, "expand", expand);
    state.counters["longest_stall_ms"] = probe.longestMs();
    state.counters["missed_frames"] = probe.missedFrames();
}
BENCHMARK(BM_FoldAmong100Playlists)
    ->ArgName("fold")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
