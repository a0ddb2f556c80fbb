#include "App/AppModel.h"
#include "Base/Log.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "Transport/HelperClient.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <set>

using namespace mivo;

namespace {

constexpr int kRunTimeoutMs = 30000;

// The helper found as the application finds it, with the stand-in's switches for
// one test; its configuration lives in a temporary folder. Everything is unset
// again afterwards.
class Environment {
public:
    explicit Environment(std::initializer_list<std::pair<const char*, QByteArray>> values)
    {
        set("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        set("MIVO_STANDIN_CONFIG", m_dir.filePath(QStringLiteral("config.json")).toLocal8Bit());
        set("MIVO_STANDIN_LIBRARY", "2x12");
        set("MIVO_STANDIN_EVENT_RATE", "0");
        for (const auto& [name, value] : values)
            set(name, value);
    }
    ~Environment()
    {
        for (const QByteArray& name : std::as_const(m_names))
            qunsetenv(name.constData());
    }

    void set(const char* name, const QByteArray& value)
    {
        if (!m_names.contains(name))
            m_names.append(name);
        qputenv(name, value);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QList<QByteArray> m_names;
};

// A model lets its helper run on when it goes; the test's helper ends first,
// while the folder of its configuration is still there.
struct StopHelperFirst {
    void operator()(AppModel* model) const
    {
        model->stopHelper();
        delete model;
    }
};
using OwnedModel = std::unique_ptr<AppModel, StopHelperFirst>;

OwnedModel makeModel(const Environment& environment, MonotonicClock* clock = nullptr)
{
    AppModel::Options options;
    if (clock)
        options.clock = clock;
    options.cliTool.toolPaths = { environment.path(QStringLiteral("bin/mivo")) };
    options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
    return OwnedModel(new AppModel(options));
}

bool started(AppModel& model)
{
    test::TaskProbe<void> start(model.start());
    return QTest::qWaitFor([&start] { return start.isDone(); }, kRunTimeoutMs) && !start.failed();
}

// Starts the model and selects every playlist of the library.
bool startedWithEverythingSelected(AppModel& model)
{
    if (!started(model) || !model.library())
        return false;
    QSet<QString> ids;
    for (const PlaylistDTO& playlist : model.library()->playlists())
        ids.insert(playlist.id);
    model.library()->setSelection(ids);
    model.selectionChanged();
    return !ids.isEmpty();
}

// Waits for the first track of the run that waits for review.
std::shared_ptr<TrackModel> firstReview(AppModel& model)
{
    if (!QTest::qWaitFor([&model] { return model.sync().reviewCount() > 0; }, kRunTimeoutMs))
        return nullptr;
    const auto queue = model.sync().reviewQueue();
    return queue.isEmpty() ? nullptr : queue.first();
}

int timesLoggedByHelper(const AppModel& model, const QString& message)
{
    int count = 0;
    for (const auto& entry : model.diagnostics()->logs()) {
        if (entry.message == message)
            ++count;
    }
    return count;
}

bool loggedByHelper(const AppModel& model, const QString& message)
{
    return timesLoggedByHelper(model, message) > 0;
}

} // namespace

// The application model on the main road, without a window: the real client,
// process and pipes against the stand-in helper.
class TestAppModelHelper : public QObject {
    Q_OBJECT

private slots:
    void syncsTheSelectionToTheEnd()
    {
        Environment environment({});
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        QVERIFY(model->isReady());
        QCOMPARE(model->startupError(), std::nullopt);
        QVERIFY(model->settings()->config());
        QCOMPARE(model->library()->loadState(), LibraryStore::LoadState::loaded());
        QCOMPARE(model->cliTool().state(), CLIToolStore::State::notInstalled());

        // The preview: one group per playlist, by name, with the files on disk.
        PreviewStore& preview = *model->preview();
        QTRY_COMPARE_WITH_TIMEOUT(preview.groups().size(), 2, kRunTimeoutMs);
        QVERIFY(!preview.isLoading());
        QCOMPARE(preview.groups()[0]->name(), QStringLiteral("Generated 1"));
        QCOMPARE(preview.groups()[1]->name(), QStringLiteral("Generated 2"));
        QCOMPARE(preview.trackCount(), 24);
        QVERIFY(preview.onDiskCount() >= 2);
        QVERIFY(preview.groups()[0]->tracks()[0]->state().is<TrackState::Present>());

        model->startSync();
        QCOMPARE(model->sync().phase(), SyncPhase::preparing);
        QVERIFY(preview.groups().isEmpty());

        // Every track that waits for review is accepted as it comes.
        QSet<QString> answered;
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const auto& track : model->sync().reviewQueue()) {
                    if (!answered.contains(track->id())) {
                        answered.insert(track->id());
                        model->submitReview(track->id(), ReviewDecision::accept());
                    }
                }
                return model->sync().phase() == SyncPhase::done;
            },
            kRunTimeoutMs));

        SyncStore& sync = model->sync();
        QVERIFY(sync.runId());
        QVERIFY(sync.summary());
        QCOMPARE(sync.groups().size(), 2);
        QCOMPARE(sync.overallTotal(), 24);
        QCOMPARE(sync.overallCompleted(), 24);
        QCOMPARE(sync.reviewCount(), 0);
        QCOMPARE(answered.size(), 2);
        for (const auto& group : sync.groups()) {
            for (const auto& track : group->tracks()) {
                if (answered.contains(track->id()))
                    QCOMPARE(track->statusRole(), StatusRole::done);
            }
        }
        const SyncSummary& summary = *sync.summary();
        QCOMPARE(summary.present + summary.ok + summary.flagged + summary.failed + summary.skipped
                + summary.upgraded,
            24);

        // The other stores got their share of the run's events.
        QVERIFY(!model->diagnostics()->logs().isEmpty());
        QVERIFY(!model->orphans()->paths().isEmpty());
        QCOMPARE(model->toolProvisioning()->tools()[0].phase, ToolPhase::done);
        QCOMPARE(sync.proxyStatus(), ProxyStatusValue::off);

        // A selection change after the run drops its results and previews again.
        model->selectionChanged();
        QCOMPARE(sync.phase(), SyncPhase::idle);
        QVERIFY(sync.groups().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(preview.groups().size(), 2, kRunTimeoutMs);
    }

    void cancelStopsTheRun()
    {
        Environment environment({});
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        model->startSync();
        QVERIFY(firstReview(*model));
        const std::optional<QString> runId = model->sync().runId();
        QVERIFY(runId);

        model->cancelSync();
        QCOMPARE(model->sync().phase(), SyncPhase::cancelled);
        QTRY_VERIFY_WITH_TIMEOUT(loggedByHelper(*model, QStringLiteral("Sync cancelled")), kRunTimeoutMs);
        // The helper stopped the run: nothing finishes it any more.
        QTRY_COMPARE(model->sync().proxyStatus(), ProxyStatusValue::off);
        QCOMPARE(model->sync().phase(), SyncPhase::cancelled);
        QCOMPARE(model->sync().summary(), std::nullopt);
        QCOMPARE(model->sync().runId(), runId);
    }

    // Cancel pressed before the helper confirms a start, after an earlier run
    // left its id behind: the new run is stopped by its own id and never shows
    // as running.
    void cancelBeforeTheStartIsConfirmedStopsThatRun()
    {
        Environment environment({});
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        const QString cancelled = QStringLiteral("Sync cancelled");
        model->startSync();
        QVERIFY(firstReview(*model));
        const std::optional<QString> earlierRun = model->sync().runId();
        model->cancelSync();
        QTRY_COMPARE_WITH_TIMEOUT(timesLoggedByHelper(*model, cancelled), 1, kRunTimeoutMs);

        SyncStore& sync = model->sync();
        QList<SyncPhase> phases;
        connect(&sync, &SyncStore::phaseChanged, this, [&] { phases.append(sync.phase()); });
        model->startSync();
        model->cancelSync();
        QTRY_COMPARE_WITH_TIMEOUT(timesLoggedByHelper(*model, cancelled), 2, kRunTimeoutMs);
        QVERIFY(sync.runId());
        QVERIFY(sync.runId() != earlierRun);
        QCOMPARE(phases, (QList<SyncPhase> { SyncPhase::preparing, SyncPhase::cancelled }));
        QCOMPARE(sync.reviewCount(), 0);
    }

    // Cancel pressed while the start waits, and the start's request then times
    // out: the cancel is kept for that start, so the helper's late syncStarted is
    // answered with cancelSync and the run never shows as running.
    void cancelOutlivesATimedOutStart()
    {
        Environment environment({});
        test::ManualClock clock;
        auto model = makeModel(environment, &clock);
        QVERIFY(startedWithEverythingSelected(*model));
        SyncStore& sync = model->sync();
        QList<SyncPhase> phases;
        connect(&sync, &SyncStore::phaseChanged, this, [&] { phases.append(sync.phase()); });
        // The run's own events (the VPN connecting, an account error) may replace
        // the banner as soon as they arrive, which can be before the cancel reaches
        // the helper: every banner shown is kept.
        QList<std::optional<SyncBanner>> banners;
        connect(&sync, &SyncStore::bannerChanged, this, [&] { banners.append(sync.banner()); });

        model->startSync();
        model->cancelSync();
        // The time-out passes before the helper has even read the start.
        clock.advance(HelperClienting::kDefaultTimeout);
        const SyncBanner timedOut { SyncBanner::Kind::error, HelperError::requestTimedOut().userText(),
            std::nullopt };
        QTRY_VERIFY(banners.contains(timedOut));
        QCOMPARE(sync.phase(), SyncPhase::cancelled);

        QTRY_VERIFY_WITH_TIMEOUT(loggedByHelper(*model, QStringLiteral("Sync cancelled")), kRunTimeoutMs);
        QVERIFY(sync.runId());
        QCOMPARE(sync.phase(), SyncPhase::cancelled);
        QCOMPARE(phases, (QList<SyncPhase> { SyncPhase::preparing, SyncPhase::cancelled }));
        QCOMPARE(sync.reviewCount(), 0);
    }

    // The start's reply held back past its time-out, while the helper runs the
    // sync at once: the run goes on to its end under its own notice, the expired
    // Spotify sign-in with its Reconnect, and no time-out is ever shown over it.
    void startReplyTimingOutAfterItsRunStartedShowsNoTimeout()
    {
        Environment environment({ { "MIVO_STANDIN_DELAY", "startSync=600000" } });
        test::ManualClock clock;
        auto model = makeModel(environment, &clock);
        QVERIFY(startedWithEverythingSelected(*model));
        SyncStore& sync = model->sync();
        QList<std::optional<SyncBanner>> banners;
        connect(&sync, &SyncStore::bannerChanged, this, [&] { banners.append(sync.banner()); });

        model->startSync();
        QVERIFY(firstReview(*model));
        QCOMPARE(sync.phase(), SyncPhase::running);
        QVERIFY(sync.banner() && sync.banner()->asksToAct());
        const SyncBanner notice = *sync.banner();
        auto* helper = qobject_cast<HelperClient*>(model->client());
        QVERIFY(helper);
        QVERIFY(helper->pendingCount() > 0);
        clock.advance(HelperClienting::kDefaultTimeout);
        QCOMPARE(helper->pendingCount(), 0);

        QSet<QString> answered;
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const auto& track : sync.reviewQueue()) {
                    if (!answered.contains(track->id())) {
                        answered.insert(track->id());
                        model->submitReview(track->id(), ReviewDecision::accept());
                    }
                }
                return sync.phase() == SyncPhase::done;
            },
            kRunTimeoutMs));
        const SyncBanner timedOut { SyncBanner::Kind::error, HelperError::requestTimedOut().userText(),
            std::nullopt };
        QVERIFY(!banners.contains(timedOut));
        QCOMPARE(sync.banner(), notice);
    }

    // Quitting while a run waits for a decision: the helper sees its input end,
    // stops the run and exits by itself with status 0; nothing relaunches it.
    void quitDuringARunLetsTheHelperEndByItself()
    {
        Environment environment({});
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        model->startSync();
        QVERIFY(firstReview(*model));
        auto& process = static_cast<HelperClient*>(model->client())->process();

        const auto stop = model->stopHelper();
        QVERIFY(stop);
        QCOMPARE(stop->way, HelperProcess::Stop::Way::byItself);
        QCOMPARE(stop->termination, HelperProcess::Termination::clean());
        QCoreApplication::processEvents();
        QVERIFY(!process.isRunning());
        QVERIFY(!process.isLaunching());
    }

    // The helper dies while the run waits for a review decision: the run is
    // interrupted, the helper comes back and answers again.
    void crashDuringARunInterruptsItAndTheHelperComesBack()
    {
        Environment environment({ { "MIVO_STANDIN_CRASH_ON", "reviewDecision" } });
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        model->startSync();
        const auto review = firstReview(*model);
        QVERIFY(review);
        auto& process = static_cast<HelperClient*>(model->client())->process();

        model->submitReview(review->id(), ReviewDecision::accept());
        QTRY_COMPARE_WITH_TIMEOUT(model->sync().phase(), SyncPhase::interrupted, kRunTimeoutMs);
        QCOMPARE(model->sync().banner(),
            (SyncBanner { SyncBanner::Kind::warning,
                QStringLiteral("The sync was interrupted. Re-run Sync to continue safely."), std::nullopt }));
        QVERIFY(model->isReady());

        QTRY_VERIFY_WITH_TIMEOUT(process.isRunning(), kRunTimeoutMs);
        test::TaskProbe<void> refreshed(model->library()->refresh());
        QTRY_VERIFY_WITH_TIMEOUT(refreshed.isDone(), kRunTimeoutMs);
        QCOMPARE(model->library()->loadState(), LibraryStore::LoadState::loaded());
        QVERIFY(model->isReady());
        QCOMPARE(model->sync().phase(), SyncPhase::interrupted);
    }

    // A track still waiting for a decision when its run stops can no longer be
    // decided: it leaves the review queue with its candidates, and the inspector
    // closes.
    void waitingReviewsLeaveTheQueueWhenTheRunStops_data()
    {
        QTest::addColumn<bool>("killHelper");
        QTest::addColumn<SyncPhase>("phase");
        QTest::newRow("cancelled") << false << SyncPhase::cancelled;
        QTest::newRow("helper killed") << true << SyncPhase::interrupted;
    }
    void waitingReviewsLeaveTheQueueWhenTheRunStops()
    {
        QFETCH(bool, killHelper);
        QFETCH(SyncPhase, phase);
        Environment environment({});
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        model->startSync();
        const auto review = firstReview(*model);
        QVERIFY(review);
        const auto candidates = std::get<TrackState::AwaitingReview>(review->state().value).candidates;
        QVERIFY(!candidates.isEmpty());
        model->openReview();
        QVERIFY(model->isInspectorPresented());
        QCOMPARE(model->resolvedFocusedReview(), review);

        if (killHelper)
            static_cast<HelperClient*>(model->client())->process().kill();
        else
            model->cancelSync();
        QTRY_COMPARE_WITH_TIMEOUT(model->sync().phase(), phase, kRunTimeoutMs);

        QCOMPARE(review->state(), TrackState::undecided(candidates));
        QCOMPARE(model->sync().reviewCount(), 0);
        QVERIFY(model->sync().reviewQueue().isEmpty());
        QVERIFY(!model->isInspectorPresented());
        QVERIFY(!model->resolvedFocusedReview());
        model->openReview();
        QVERIFY(!model->isInspectorPresented());
    }

    // A helper that will not come back shows as unavailable, with the helper
    // error's text, instead of leaving the model looking ready.
    void helperGoneForGoodShowsAsUnavailable_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("error");
        QTest::newRow("clean exit") << QByteArray("MIVO_STANDIN_CRASH_AFTER") << QByteArray("2,exit:0")
                                    << HelperError::helperUnavailable().userText();
        QTest::newRow("crashes too often") << QByteArray("MIVO_STANDIN_CRASH_AT_START")
                                           << QByteArray("exit:3") << HelperError::helperCrashed().userText();
    }
    void helperGoneForGoodShowsAsUnavailable()
    {
        QFETCH(QByteArray, variable);
        QFETCH(QByteArray, value);
        QFETCH(QString, error);
        Environment environment({ { variable.constData(), value } });
        test::ManualClock clock;
        auto model = makeModel(environment, &clock);
        QVERIFY(started(*model));
        auto& process = static_cast<HelperClient*>(model->client())->process();

        // Relaunches follow each crash as soon as their back-off has passed.
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (!process.isRunning() && !process.isLaunching() && !process.isEnding()) {
                    if (const auto delay = clock.nextDelay())
                        clock.advance(*delay);
                }
                return model->startupError().has_value();
            },
            kRunTimeoutMs));
        QCOMPARE(model->startupError(), error);
        QVERIFY(!model->isReady());
        QVERIFY(model->library());
    }

    // A refresh of one source replaces that source's playlists only, also when it
    // is asked for while the start-up listing of every source is on its way.
    void oneSourceRefreshKeepsTheOtherSource()
    {
        Environment environment({ { "MIVO_STANDIN_DELAY", "listPlaylists=300" } });
        auto model = makeModel(environment);
        test::TaskProbe<void> start(model->start());
        QTRY_VERIFY_WITH_TIMEOUT(
            model->library() && model->library()->loadState() == LibraryStore::LoadState::loading(),
            kRunTimeoutMs);
        LibraryStore& library = *model->library();
        test::TaskProbe<void> apple(library.refresh(PlaylistSourceId::apple));
        QTRY_VERIFY_WITH_TIMEOUT(start.isDone() && apple.isDone(), kRunTimeoutMs);
        QCOMPARE(library.loadState(), LibraryStore::LoadState::loaded());
        const QList<PlaylistDTO> everything = library.playlists();
        const auto sources = [](const QList<PlaylistDTO>& playlists) {
            std::set<PlaylistSourceId> found;
            for (const PlaylistDTO& playlist : playlists)
                found.insert(playlist.source);
            return found;
        };
        QVERIFY(sources(everything) == (std::set { PlaylistSourceId::apple, PlaylistSourceId::spotify }));

        QSet<QString> ids;
        for (const PlaylistDTO& playlist : everything)
            ids.insert(playlist.id);
        library.setSelection(ids);
        test::TaskProbe<void> spotify(library.refresh(PlaylistSourceId::spotify));
        QTRY_VERIFY_WITH_TIMEOUT(spotify.isDone(), kRunTimeoutMs);
        QCOMPARE(library.playlists(), everything);
        QCOMPARE(library.selectionPayload().size(), everything.size());
    }

    // Without a helper executable the model stays without stores, and the next
    // start tries again.
    void missingHelperIsLookedForAgain()
    {
        test::LogCapture log;
        Environment environment({});
        environment.set("MIVO_HELPER_PATH", environment.path(QStringLiteral("nothing-here")).toLocal8Bit());
        auto model = makeModel(environment);

        test::TaskProbe<void> first(model->start());
        QTRY_VERIFY(first.isDone());
        const QString missing = HelperError::helperMissing().userText();
        QCOMPARE(model->startupError(), missing);
        QCOMPARE(model->client(), nullptr);
        QCOMPARE(model->library(), nullptr);
        QVERIFY(!model->isReady());
        QVERIFY(
            log.contains(QStringLiteral(".app"), QtWarningMsg, QStringLiteral("startup failed: ") + missing));

        environment.set("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        QVERIFY(started(*model));
        QVERIFY(model->library());
        QVERIFY(model->isReady());
        QCOMPARE(model->startupError(), std::nullopt);
        QCOMPARE(model->library()->loadState(), LibraryStore::LoadState::loaded());
    }

    // A helper that cannot be launched leaves the stores attached and is not
    // launched again.
    void launchFailureIsFinal()
    {
        Environment environment({});
        const QString notAProgram = environment.path(QStringLiteral("not-a-program"));
        QFile file(notAProgram);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x7f"
                   "ELF but not really\n");
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        environment.set("MIVO_HELPER_PATH", notAProgram.toLocal8Bit());
        auto model = makeModel(environment);

        QVERIFY(started(*model));
        QCOMPARE(model->startupError(), HelperError::helperUnavailable().userText());
        QVERIFY(model->library());
        QVERIFY(!model->isReady());

        environment.set("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        QVERIFY(started(*model));
        QVERIFY(!model->isReady());
        QCOMPARE(model->library()->loadState(), LibraryStore::LoadState::idle());
    }
};

QTEST_GUILESS_MAIN(TestAppModelHelper)
#include "tst_appmodelhelper.moc"
