#include "App/AppModel.h"
#include "Support/MockHelperClient.h"
#include "Support/SampleData.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/Records.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/WireTesting.h"
#include "Transport/ResultRecords.h"

#include <QSignalSpy>
#include <QtTest>

using namespace mivo;
using namespace std::chrono_literals;
using Outcome = test::ScriptedHelperClient::Outcome;

Q_DECLARE_METATYPE(mivo::SyncPhase)
Q_DECLARE_METATYPE(mivo::ReviewDecision)
Q_DECLARE_METATYPE(std::optional<mivo::ReviewDecision>)
Q_DECLARE_METATYPE(mivo::StreamEnd)
Q_DECLARE_METATYPE(mivo::test::ScriptedHelperClient::Outcome)
Q_DECLARE_METATYPE(std::optional<mivo::test::ScriptedHelperClient::Outcome>)

using test::server;

namespace {

PlaylistDTO playlist(const QString& id, const QString& name, bool isFolder = false)
{
    return test::playlist(id, PlaylistSourceId::spotify, name, isFolder);
}

TrackDTO track(const QString& id)
{
    TrackDTO track;
    track.id = id;
    track.title = QStringLiteral("Title ") + id;
    track.artist = QStringLiteral("Artist");
    track.durationSec = 180;
    return track;
}

Outcome json(const char* text)
{
    return Outcome::result(test::jsonLine(text).constData());
}

HelperEvent logLine(const QString& message)
{
    return server(ServerEvent::Log { std::nullopt, LogLevel::warn, message });
}

// The model on a scripted client, with the preview's quiet period on a clock the
// test moves and the command-line tool looked for where nothing is installed.
struct Fixture {
    test::ManualClock clock;
    QTemporaryDir toolDir;
    test::ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;

    explicit Fixture(bool attached = true)
    {
        AppModel::Options options;
        options.clock = &clock;
        options.cliTool.toolPaths = { toolDir.filePath(QStringLiteral("bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        if (!attached) {
            model = std::make_unique<AppModel>(options);
            return;
        }
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned), options);
    }

    SyncStore& sync() { return model->sync(); }

    // Hands the events to the model through the client's stream and waits until
    // the bridge has routed them all.
    bool deliver(const QList<HelperEvent>& events)
    {
        for (const HelperEvent& event : events)
            client->events().yield(event);
        return QTest::qWaitFor([this] { return client->events().bufferedCount() == 0; });
    }

    bool loadLibrary(const QList<PlaylistDTO>& playlists)
    {
        client->enqueue(Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { playlists }));
        test::TaskProbe<void> loaded(model->library()->refresh());
        return QTest::qWaitFor([&loaded] { return loaded.isDone(); });
    }

    // A run that has started one playlist with `trackIds`, the tracks of
    // `reviewIds` waiting for review.
    bool runWithReviews(
        const QStringList& trackIds, const QStringList& reviewIds, const QList<CandidateDTO>& candidates = {})
    {
        QList<TrackDTO> tracks;
        for (const QString& id : trackIds)
            tracks.append(track(id));
        QList<HelperEvent> events { server(ServerEvent::SyncStarted { "c", "run-1", 1 }),
            server(ServerEvent::PlaylistStarted { "c", "pl", 0, "Playlist", tracks }) };
        for (const QString& id : reviewIds)
            events.append(server(ServerEvent::NeedsReview { "c", id, id, std::nullopt, candidates }));
        return deliver(events);
    }

    QList<Method> sentMethods() const { return client->sentMethods(); }

    QStringList previewRequests() const
    {
        QStringList ids;
        for (const auto& sent : client->sent()) {
            if (const auto* request = std::get_if<Request::GetPlaylistTracks>(&sent.request.value))
                ids.append(request->id);
        }
        return ids;
    }
};

} // namespace

// The application model against a scripted client: event routing and the user
// actions.
class TestAppModel : public QObject {
    Q_OBJECT

private slots:
    // MARK: Start-up and routing

    void attachedModelCreatesItsStoresAndNeverLaunches()
    {
        Fixture f;
        QVERIFY(f.model->library() && f.model->preview() && f.model->settings() && f.model->diagnostics()
            && f.model->orphans() && f.model->toolProvisioning());
        QCOMPARE(f.model->client(), static_cast<HelperClienting*>(f.client));
        QCOMPARE(f.model->cliTool().state(), CLIToolStore::State::notInstalled());
        QCOMPARE(f.model->toolProvisioning()->tools(), ToolProvisioningStore::seedRows());

        test::TaskProbe<void> started(f.model->start());
        QVERIFY(started.isDone());
        QTest::qWait(0);
        QVERIFY(f.client->sent().isEmpty());
        QVERIFY(!f.model->isReady());
        QCOMPARE(f.model->startupError(), std::nullopt);
    }

    void unattachedModelHasOnlyItsOwnStores()
    {
        Fixture f(false);
        QCOMPARE(f.model->client(), nullptr);
        QCOMPARE(f.model->library(), nullptr);
        QCOMPARE(f.model->preview(), nullptr);
        QCOMPARE(f.model->cliTool().state(), CLIToolStore::State::unknown());
        QCOMPARE(f.sync().phase(), SyncPhase::idle);
    }

    void readinessFollowsTheHelper()
    {
        Fixture f;
        QVERIFY(f.deliver({ HelperEvent::helperReady() }));
        QVERIFY(f.model->isReady());
        QVERIFY(f.deliver({ HelperEvent::helperCrashed(), HelperEvent::helperReady() }));
        QVERIFY(f.model->isReady());
    }

    // The sync store sees every event first; the run's events reach it in order.
    void runEventsReachTheSyncStore()
    {
        Fixture f;
        QVERIFY(f.runWithReviews({ "pl#0", "pl#1" }, { "pl#1" }));
        QCOMPARE(f.sync().phase(), SyncPhase::running);
        QCOMPARE(f.sync().runId(), QStringLiteral("run-1"));
        QCOMPARE(f.sync().reviewCount(), 1);
        QVERIFY(f.deliver(
            { server(ServerEvent::SyncDone { "c", "run-1", SyncSummary { 1, 0, 0, 0, 1, 0, 0 } }) }));
        QCOMPARE(f.sync().phase(), SyncPhase::done);
        QCOMPARE(f.sync().summary()->present, 1);
    }

    void logLinesReachDiagnosticsAndRunningProvisioning_data()
    {
        QTest::addColumn<bool>("provisioning");
        QTest::addColumn<std::optional<QString>>("lastLog");
        QTest::newRow("tools idle") << false << std::optional<QString>();
        QTest::newRow("tools being provisioned") << true << std::optional<QString>("fetching ffmpeg");
    }
    void logLinesReachDiagnosticsAndRunningProvisioning()
    {
        QFETCH(bool, provisioning);
        QFETCH(std::optional<QString>, lastLog);

        Fixture f;
        f.client->setHoldReplies(true);
        std::optional<test::TaskProbe<void>> provision;
        if (provisioning)
            provision.emplace(f.model->toolProvisioning()->provision());
        QVERIFY(f.deliver({ logLine("fetching ffmpeg") }));

        const auto logs = f.model->diagnostics()->logs();
        QCOMPARE(logs.size(), 1);
        QCOMPARE(logs.first().message, QStringLiteral("fetching ffmpeg"));
        QCOMPARE(logs.first().level, LogLevel::warn);
        QCOMPARE(f.model->toolProvisioning()->lastLog(), lastLog);
        f.client->release();
    }

    void toolProgressUpdatesItsRow()
    {
        Fixture f;
        QVERIFY(f.deliver({ server(ServerEvent::ToolProgress {
                                "ffmpeg", ToolPhase::install, 40.0, "unpacking" }),
            server(ServerEvent::ToolProgress { "unknown-tool", ToolPhase::done, 100.0, std::nullopt }) }));
        const QList<ToolProgress> tools = f.model->toolProvisioning()->tools();
        QCOMPARE(tools[0], ToolProvisioningStore::seedRows()[0]);
        QCOMPARE(tools[1].phase, ToolPhase::install);
        QCOMPARE(tools[1].percent, 40.0);
        QCOMPARE(tools[1].detail, QStringLiteral("unpacking"));
    }

    void orphansReachTheOrphansStore()
    {
        Fixture f;
        QVERIFY(f.runWithReviews({ "pl#0" }, {}));
        QVERIFY(f.deliver({ server(ServerEvent::OrphansFound { "c", "pl", { "/a", "/b" } }),
            server(ServerEvent::OrphansFound { "c", std::nullopt, { "/b", "/c" } }) }));
        QCOMPARE(f.model->orphans()->paths(), QList<QString>({ "/a", "/b", "/c" }));
        QCOMPARE(f.sync().groups().first()->orphanPaths(), QList<QString>({ "/a", "/b" }));
    }

    void onlyAnExpiredSpotifySignInRereadsTheSettings_data()
    {
        QTest::addColumn<std::optional<QString>>("code");
        QTest::addColumn<int>("configReads");
        QTest::newRow("spotify_auth_expired") << std::optional<QString>("spotify_auth_expired") << 1;
        QTest::newRow("another code") << std::optional<QString>("rate_limited") << 0;
        QTest::newRow("no code") << std::optional<QString>() << 0;
    }
    void onlyAnExpiredSpotifySignInRereadsTheSettings()
    {
        QFETCH(std::optional<QString>, code);
        QFETCH(int, configReads);

        Fixture f;
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult {}));
        QVERIFY(f.deliver({ server(ServerEvent::Error { "c", std::nullopt, code, "Sign in again" }) }));
        QTest::qWait(0);
        QCOMPARE(f.sentMethods().count(Method::getConfig), configReads);
        QCOMPARE(f.sync().banner(), (SyncBanner { SyncBanner::Kind::error, "Sign in again", code }));
        if (configReads > 0)
            QTRY_VERIFY(f.model->settings()->config());
    }

    // Once the stream has ended, no event of a run can come any more.
    void endOfTheEventStreamInterruptsARun_data()
    {
        QTest::addColumn<StreamEnd>("reason");
        QTest::addColumn<bool>("running");
        QTest::addColumn<SyncPhase>("phase");
        QTest::newRow("restarts given up during a run")
            << StreamEnd::gaveUp << true << SyncPhase::interrupted;
        QTest::newRow("clean exit during a run") << StreamEnd::cleanExit << true << SyncPhase::interrupted;
        QTest::newRow("relaunch failed while idle") << StreamEnd::relaunchFailed << false << SyncPhase::idle;
    }
    void endOfTheEventStreamInterruptsARun()
    {
        QFETCH(StreamEnd, reason);
        QFETCH(bool, running);
        QFETCH(SyncPhase, phase);

        Fixture f;
        if (running)
            QVERIFY(f.runWithReviews({ "pl#0" }, {}));
        f.client->events().finish(reason);
        QTRY_COMPARE(f.sync().phase(), phase);
        QTest::qWait(0);
        QCOMPARE(f.sync().phase(), phase);
    }

    // A stopped bridge consumes the events and routes none, not even the end.
    void shutdownStopsRouting()
    {
        Fixture f;
        QVERIFY(f.runWithReviews({ "pl#0" }, {}));
        f.model->shutdown();
        QVERIFY(f.deliver({ HelperEvent::helperReady(), logLine("late"),
            server(ServerEvent::SyncDone { "c", "run-1", {} }) }));
        f.client->events().finish(StreamEnd::gaveUp);
        QTest::qWait(0);
        QVERIFY(!f.model->isReady());
        QVERIFY(f.model->diagnostics()->logs().isEmpty());
        QCOMPARE(f.sync().phase(), SyncPhase::running);
    }

    // MARK: Selection

    void selectionIsPreviewedInNameOrder()
    {
        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p10", "Set 10"), playlist("p2", "Set 2"), playlist("pb", "beta"),
            playlist("pa", "Alpha"), playlist("folder", "Folder", true), playlist("dup", "Same"),
            playlist("dup", "Same, later") }));
        f.model->library()->setSelection({ "p10", "p2", "pb", "pa", "folder", "gone", "dup" });
        f.client->enqueue(Method::getPlaylistTracks,
            QList<Outcome>(5, Outcome::encoded(PreviewTracksResult { { PreviewTrackDTO {} } })));

        f.model->selectionChanged();
        QVERIFY(f.model->preview()->isLoading());
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_VERIFY(!f.model->preview()->isLoading());
        const QStringList order { "pa", "pb", "dup", "p2", "p10" };
        QCOMPARE(f.previewRequests(), order);
        QStringList shown;
        for (const auto& group : f.model->preview()->groups())
            shown.append(group->id());
        QCOMPARE(shown, order);
    }

    void selectionDuringARunOnlyClearsThePreview_data()
    {
        QTest::addColumn<bool>("started");
        QTest::newRow("preparing") << false;
        QTest::newRow("running") << true;
    }
    void selectionDuringARunOnlyClearsThePreview()
    {
        QFETCH(bool, started);

        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p1", "One") }));
        f.model->library()->setSelection({ "p1" });
        f.client->enqueue(Method::startSync, json("{'runId':'run-1'}"));
        f.model->startSync();
        if (started)
            QVERIFY(f.runWithReviews({ "pl#0" }, {}));
        QTRY_COMPARE(f.client->waiting(), 0);
        const SyncPhase phase = f.sync().phase();
        QCOMPARE(phase, started ? SyncPhase::running : SyncPhase::preparing);

        f.model->selectionChanged();
        f.clock.advance(PreviewStore::kDebounce);
        QTest::qWait(0);
        QVERIFY(f.previewRequests().isEmpty());
        QVERIFY(!f.model->preview()->isLoading());
        QCOMPARE(f.sync().phase(), phase);
        QCOMPARE(f.sync().groups().size(), started ? 1 : 0);
    }

    void selectionAfterARunClearsItsResults()
    {
        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p1", "One") }));
        QVERIFY(f.runWithReviews({ "pl#0" }, {}));
        QVERIFY(f.deliver({ server(ServerEvent::SyncDone { "c", "run-1", {} }) }));
        f.model->library()->setSelection({ "p1" });
        f.client->enqueue(Method::getPlaylistTracks, Outcome::encoded(PreviewTracksResult {}));

        f.model->selectionChanged();
        QCOMPARE(f.sync().phase(), SyncPhase::idle);
        QVERIFY(f.sync().groups().isEmpty());
        QCOMPARE(f.sync().summary(), std::nullopt);
        QCOMPARE(f.sync().runId(), std::nullopt);
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_COMPARE(f.previewRequests(), QStringList { "p1" });
    }

    // MARK: Starting a sync

    // A start that the library store declines or that fails shows its banner and
    // goes back to where it was, with the preview of the selection restored; an
    // accepted start stays preparing until the helper's events move it on.
    void startOutcome_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<std::optional<Outcome>>("reply");
        QTest::addColumn<bool>("viaRetry");
        QTest::addColumn<QList<SyncPhase>>("phases");
        QTest::addColumn<std::optional<SyncBanner>>("banner");

        const QList<SyncPhase> preparing { SyncPhase::preparing };
        const QList<SyncPhase> backToIdle { SyncPhase::preparing, SyncPhase::idle };
        const SyncBanner nothingSelected { SyncBanner::Kind::info, "Select one or more playlists first.",
            {} };
        QTest::newRow("accepted") << QStringList { "p1" } << std::optional(json("{'runId':'r'}")) << false
                                  << preparing << std::optional<SyncBanner>();
        QTest::newRow("a retry runs the same start")
            << QStringList { "p1" } << std::optional(json("{'runId':'r'}")) << true << preparing
            << std::optional<SyncBanner>();
        QTest::newRow("nothing selected") << QStringList {} << std::optional<Outcome>() << false << backToIdle
                                          << std::optional(nothingSelected);
        QTest::newRow("only a folder selected") << QStringList { "folder" } << std::optional<Outcome>()
                                                << true << backToIdle << std::optional(nothingSelected);
        QTest::newRow("engine error")
            << QStringList { "p1" }
            << std::optional(Outcome::engineError("sync_in_progress", "A sync is already running.")) << false
            << backToIdle
            << std::optional(SyncBanner { SyncBanner::Kind::error, "A sync is already running.", {} });
        QTest::newRow("time-out") << QStringList { "p1" } << std::optional(Outcome::timeout()) << false
                                  << backToIdle
                                  << std::optional(SyncBanner { SyncBanner::Kind::error,
                                         HelperError::requestTimedOut().userText(), {} });
    }
    void startOutcome()
    {
        QFETCH(QStringList, selection);
        QFETCH(std::optional<Outcome>, reply);
        QFETCH(bool, viaRetry);
        QFETCH(QList<SyncPhase>, phases);
        QFETCH(std::optional<SyncBanner>, banner);

        Fixture f;
        QList<SyncPhase> seen;
        connect(&f.sync(), &SyncStore::phaseChanged, this, [&] { seen.append(f.sync().phase()); });
        QVERIFY(f.loadLibrary({ playlist("p1", "One"), playlist("folder", "Folder", true) }));
        f.model->library()->setSelection(QSet<QString>(selection.begin(), selection.end()));
        f.client->enqueue(Method::getPlaylistTracks,
            { Outcome::encoded(PreviewTracksResult { { PreviewTrackDTO {} } }),
                Outcome::encoded(PreviewTracksResult { { PreviewTrackDTO {} } }) });
        f.model->selectionChanged();
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_VERIFY(!f.model->preview()->isLoading());
        const qsizetype shownGroups = f.model->preview()->groups().size();
        f.sync().setBanner(SyncBanner { SyncBanner::Kind::warning, "earlier", {} });
        if (reply)
            f.client->enqueue(Method::startSync, *reply);
        f.client->setHoldReplies(true);

        if (viaRetry)
            f.model->retryTrack(QStringLiteral("any#3"));
        else
            f.model->startSync();
        QCOMPARE(seen.first(), SyncPhase::preparing);
        QVERIFY(f.model->preview()->groups().isEmpty());

        f.client->setHoldReplies(false);
        f.client->release();
        QTRY_COMPARE(f.sync().banner(), banner);
        QTRY_COMPARE(f.client->waiting(), 0);
        QTest::qWait(0);
        QCOMPARE(seen, phases);
        const SyncPhase phase = phases.last();
        const qsizetype starts = f.sentMethods().count(Method::startSync);
        QCOMPARE(starts, reply ? 1 : 0);
        if (starts > 0) {
            const auto& request = std::get<Request::StartSync>(f.client->sent().last().request.value);
            QCOMPARE(
                request.selection, (QList<PlaylistSelection> { { PlaylistSourceId::spotify, "p1", "One" } }));
            QCOMPARE(request.options, std::nullopt);
        }

        // The preview comes back only when no run began.
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_VERIFY(!f.model->preview()->isLoading());
        QCOMPARE(f.model->preview()->groups().size(), phase == SyncPhase::preparing ? 0 : shownGroups);
    }

    // A run that stops before any of its playlists is reported (crashed, cancelled)
    // leaves no groups: the detail shows the selection's preview again instead of
    // an empty one, and a preview asked for while the helper was down is asked for
    // again once it is back.
    void previewComesBackAfterARunWithoutGroups_data()
    {
        QTest::addColumn<bool>("crash");
        QTest::newRow("helper crashed") << true;
        QTest::newRow("cancelled") << false;
    }
    void previewComesBackAfterARunWithoutGroups()
    {
        QFETCH(bool, crash);
        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p1", "One") }));
        f.model->library()->setSelection({ QStringLiteral("p1") });
        f.client->enqueue(Method::getPlaylistTracks, Outcome::encoded(PreviewTracksResult { { PreviewTrackDTO {} } }));
        f.model->selectionChanged();
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_COMPARE(f.model->preview()->groups().size(), 1);

        f.model->startSync();
        QTRY_COMPARE(f.client->waiting(), 0);
        QVERIFY(f.deliver({ server(ServerEvent::SyncStarted { "c", "run-1", 1 }) }));
        QVERIFY(f.model->preview()->groups().isEmpty());
        // While the helper is down its preview requests fail: the playlist says so.
        f.client->enqueue(Method::getPlaylistTracks,
            { Outcome::failure(HelperError::helperUnavailable()), Outcome::failure(HelperError::helperUnavailable()) });
        if (crash)
            QVERIFY(f.deliver({ HelperEvent::helperCrashed() }));
        else
            f.model->cancelSync();
        QVERIFY(f.sync().groups().isEmpty());
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_COMPARE(f.model->preview()->groups().size(), 1);
        QTRY_VERIFY(!f.model->preview()->isLoading());
        QVERIFY(f.model->preview()->groups().first()->loadFailed());

        f.client->enqueue(Method::getPlaylistTracks, Outcome::encoded(PreviewTracksResult { { PreviewTrackDTO {} } }));
        QVERIFY(f.deliver({ HelperEvent::helperReady() }));
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_VERIFY(!f.model->preview()->isLoading());
        QCOMPARE(f.model->preview()->groups().size(), 1);
        QVERIFY(!f.model->preview()->groups().first()->loadFailed());
        QCOMPARE(f.model->preview()->trackCount(), 1);
    }

    void startDeclinedAfterARunReturnsToThatRun()
    {
        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p1", "One") }));
        QVERIFY(f.runWithReviews({ "pl#0" }, {}));
        QVERIFY(f.deliver({ server(ServerEvent::SyncDone { "c", "run-1", {} }) }));

        f.model->startSync();
        QTRY_VERIFY(f.sync().banner());
        QCOMPARE(f.sync().phase(), SyncPhase::done);
        QCOMPARE(f.sync().groups().size(), 1);
        f.clock.advance(PreviewStore::kDebounce);
        QTest::qWait(0);
        QVERIFY(f.previewRequests().isEmpty());
    }

    // Only the newest start writes its outcome; a phase set meanwhile stays.
    void onlyTheNewestStartWritesItsOutcome_data()
    {
        QTest::addColumn<bool>("cancelInBetween");
        QTest::addColumn<SyncPhase>("phase");
        QTest::newRow("a second start") << false << SyncPhase::idle;
        QTest::newRow("a cancel") << true << SyncPhase::cancelled;
    }
    void onlyTheNewestStartWritesItsOutcome()
    {
        QFETCH(bool, cancelInBetween);
        QFETCH(SyncPhase, phase);

        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p1", "One") }));
        f.model->library()->setSelection({ "p1" });
        f.client->enqueue(Method::startSync,
            { Outcome::engineError("a", "first failed"), Outcome::engineError("b", "second failed") });
        f.client->setHoldReplies(true);
        f.model->startSync();
        if (cancelInBetween)
            f.model->cancelSync();
        else
            f.model->startSync();
        f.client->setHoldReplies(false);
        f.client->release();
        QTRY_COMPARE(f.client->waiting(), 0);
        QTest::qWait(0);

        QCOMPARE(f.sync().phase(), phase);
        QCOMPARE(f.sync().banner()->message,
            cancelInBetween ? QStringLiteral("first failed") : QStringLiteral("second failed"));
    }

    // A start whose request fails although the helper began its run (the reply
    // held back past its time-out): the run's own notice, an expired sign-in
    // with its Reconnect, is what stays. A failure that comes before the run's
    // start event shows, over that notice or alone, and is withdrawn once the
    // start event arrives after all.
    void startFailureOverARunThatStarted_data()
    {
        QTest::addColumn<bool>("startEventFirst");
        QTest::addColumn<bool>("noticeFirst");
        QTest::newRow("the run began, then the time-out") << true << true;
        QTest::newRow("the time-out, then the run began") << false << false;
        QTest::newRow("the time-out over a notice, then the run began") << false << true;
    }
    void startFailureOverARunThatStarted()
    {
        QFETCH(bool, startEventFirst);
        QFETCH(bool, noticeFirst);

        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p1", "One") }));
        f.model->library()->setSelection({ "p1" });
        f.client->enqueue(Method::startSync, Outcome::timeout());
        f.client->setHoldReplies(true);
        f.model->startSync();
        QTRY_COMPARE(f.client->waiting(), 1);

        const HelperEvent runStarted = server(ServerEvent::SyncStarted { "c", "run-1", 1 });
        const QString expired = QStringLiteral("spotify_auth_expired");
        const SyncBanner notice { SyncBanner::Kind::error, "Spotify sign-in has expired", expired };
        const SyncBanner timedOut { SyncBanner::Kind::error, HelperError::requestTimedOut().userText(), {} };
        if (startEventFirst)
            QVERIFY(f.deliver({ runStarted }));
        if (noticeFirst)
            QVERIFY(f.deliver({ server(ServerEvent::Error { "c", "spotify", expired, notice.message }) }));

        f.client->setHoldReplies(false);
        f.client->release();
        QTRY_COMPARE(f.client->waiting(), 0);
        QTest::qWait(0);
        if (!startEventFirst) {
            QCOMPARE(f.sync().banner(), timedOut);
            QVERIFY(f.deliver({ runStarted }));
        }
        QCOMPARE(f.sync().banner(), noticeFirst ? std::optional(notice) : std::nullopt);
        QCOMPARE(f.sync().phase(), SyncPhase::running);
        QCOMPARE(f.sync().runId(), QStringLiteral("run-1"));
    }

    // A run cancelled before the helper confirmed it has no groups of its own:
    // once the helper's start event has emptied the groups, the selection's
    // preview comes back, also when the start was a second one over the first
    // run's groups.
    void previewComesBackAfterAnUnconfirmedStartIsCancelled_data()
    {
        QTest::addColumn<bool>("afterARun");
        QTest::newRow("a first start") << false;
        QTest::newRow("a second start over the first run's groups") << true;
    }
    void previewComesBackAfterAnUnconfirmedStartIsCancelled()
    {
        QFETCH(bool, afterARun);
        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("pl", "One") }));
        f.model->library()->setSelection({ QStringLiteral("pl") });
        if (afterARun) {
            QVERIFY(f.runWithReviews({ "pl#0" }, {}));
            QVERIFY(f.deliver({ server(ServerEvent::SyncDone { "c", "run-1", {} }) }));
            QCOMPARE(f.sync().groups().size(), 1);
        }
        f.client->enqueue(Method::startSync, json("{'runId':'run-2'}"));
        f.client->setHoldReplies(true);
        f.model->startSync();
        f.model->cancelSync();
        QCOMPARE(f.sync().groups().isEmpty(), !afterARun);

        f.client->enqueue(
            Method::getPlaylistTracks, Outcome::encoded(PreviewTracksResult { { PreviewTrackDTO {} } }));
        QVERIFY(f.deliver({ server(ServerEvent::SyncStarted { "c", "run-2", 1 }) }));
        f.client->setHoldReplies(false);
        f.client->release();
        QTRY_COMPARE(f.client->waiting(), 0);
        QCOMPARE(f.sync().phase(), SyncPhase::cancelled);
        QVERIFY(f.sync().groups().isEmpty());
        f.clock.advance(PreviewStore::kDebounce);
        QTRY_COMPARE(f.model->preview()->groups().size(), 1);
        QCOMPARE(f.model->preview()->trackCount(), 1);
        QCOMPARE(f.previewRequests(), QStringList { "pl" });
    }

    // MARK: Cancel and review

    void cancelMarksTheRunBeforeTellingTheHelper_data()
    {
        QTest::addColumn<bool>("started");
        QTest::addColumn<std::optional<QString>>("runId");
        QTest::newRow("with a run id") << true << std::optional<QString>("run-1");
        QTest::newRow("before the helper named the run") << false << std::optional<QString>();
    }
    void cancelMarksTheRunBeforeTellingTheHelper()
    {
        QFETCH(bool, started);
        QFETCH(std::optional<QString>, runId);

        Fixture f;
        if (started)
            QVERIFY(f.runWithReviews({ "pl#0" }, {}));
        std::optional<SyncPhase> phaseWhenSent;
        connect(f.client, &test::ScriptedHelperClient::requestReceived, this,
            [&] { phaseWhenSent = f.sync().phase(); });
        f.model->cancelSync();
        QCOMPARE(f.sync().phase(), SyncPhase::cancelled);
        QTRY_COMPARE(f.client->sent().size(), 1);
        QCOMPARE(phaseWhenSent, SyncPhase::cancelled);
        QCOMPARE(f.client->sent().first().request, Request::cancelSync(runId));
        QCOMPARE(f.client->sent().first().timeout, std::nullopt);
    }

    void reviewDecisionsCarryTheRunId_data()
    {
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("skip");
        QTest::addColumn<ReviewDecision>("decision");
        QTest::newRow("accept during a run") << true << false << ReviewDecision::accept();
        QTest::newRow("a candidate") << true << false << ReviewDecision::candidate("cand-2");
        QTest::newRow("a web address, no run id")
            << false << false << ReviewDecision::url("https://example.org/a");
        QTest::newRow("skip") << true << true << ReviewDecision::skip();
    }
    void reviewDecisionsCarryTheRunId()
    {
        QFETCH(bool, started);
        QFETCH(bool, skip);
        QFETCH(ReviewDecision, decision);

        Fixture f;
        if (started)
            QVERIFY(f.runWithReviews({ "pl#0", "pl#1" }, { "pl#1" }));
        if (skip)
            f.model->skipTrack(QStringLiteral("pl#1"));
        else
            f.model->submitReview(QStringLiteral("pl#1"), decision);
        QTRY_COMPARE(f.client->sent().size(), 1);
        const std::optional<QString> runId = started ? std::optional<QString>("run-1") : std::nullopt;
        QCOMPARE(f.client->sent().first().request, Request::reviewDecision(runId, "pl#1", decision));
        QCOMPARE(f.client->sent().first().timeout, std::nullopt);
        // The helper's events move the track on, not the model: until they do, it
        // waits with its decision sent, out of the review count.
        if (started) {
            QVERIFY(f.sync().trackState(QStringLiteral("pl#1")).isDecisionSent());
            QCOMPARE(f.sync().reviewCount(), 0);
        }
    }

    // The sample run flags track 1 and goes on to its end: the track stays in the
    // queue after syncDone, the review opens on it and the decision goes with
    // that run's id.
    void sampleRunKeepsItsReviewAfterTheEnd()
    {
        auto owned = std::make_unique<MockHelperClient>(QMap<Method, JSONValue> {}, SampleData::syncScript());
        MockHelperClient* client = owned.get();
        AppModel model(std::move(owned));
        client->play(false);
        QTRY_COMPARE(model.sync().phase(), SyncPhase::done);
        QTRY_COMPARE(model.sync().summary().has_value(), true);

        const QString flagged = SampleData::trackId(1);
        QCOMPARE(model.sync().reviewCount(), 1);
        QCOMPARE(model.sync().reviewQueue().size(), 1);
        QCOMPARE(model.sync().reviewQueue().first()->id(), flagged);
        model.openReview();
        QVERIFY(model.isInspectorPresented());
        QCOMPARE(model.focusedReviewTrackId(), flagged);
        QVERIFY(model.resolvedFocusedReview());
        QVERIFY(model.canSkip(flagged));

        QVERIFY(model.decideFocusedReview(ReviewDecision::candidate("c1")));
        QTRY_COMPARE(client->sent().size(), 1);
        QCOMPARE(client->sent().first(),
            Request::reviewDecision(QStringLiteral("run-1"), flagged, ReviewDecision::candidate("c1")));
        QVERIFY(!model.isInspectorPresented());
        QCOMPARE(model.sync().reviewCount(), 0);
        QVERIFY(!model.canSkip(flagged));
    }

    // A start after a finished run keeps that run's waiting tracks reviewable
    // while it waits, after it was cancelled, and after it was refused: their
    // decisions go with the finished run's id, not with none.
    void finishedRunsReviewsOutliveANewStart_data()
    {
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<SyncPhase>("phase");
        QTest::newRow("refused") << false << SyncPhase::done;
        QTest::newRow("cancelled, then refused") << true << SyncPhase::cancelled;
    }
    void finishedRunsReviewsOutliveANewStart()
    {
        QFETCH(bool, cancelled);
        QFETCH(SyncPhase, phase);

        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p1", "One") }));
        QVERIFY(f.runWithReviews({ "pl#0", "pl#1" }, { "pl#0", "pl#1" }, { CandidateDTO { .id = "c1" } }));
        QVERIFY(f.deliver({ server(ServerEvent::SyncDone { "c", "run-1", {} }) }));
        f.model->openReview();
        f.client->clearSent();
        f.client->setHoldReplies(true);
        f.model->library()->setSelection({ QStringLiteral("p1") });
        f.model->startSync();
        QCOMPARE(f.sync().phase(), SyncPhase::preparing);
        QCOMPARE(f.sync().runId(), std::nullopt);
        if (cancelled)
            f.model->cancelSync();
        QVERIFY(f.model->isInspectorPresented());
        QVERIFY(f.model->decideFocusedReview(ReviewDecision::accept()));
        QTRY_COMPARE(f.client->sent().size(), 2);
        QCOMPARE(f.client->sent()[1].request, Request::reviewDecision("run-1", "pl#0", ReviewDecision::accept()));

        // The helper refuses the start: the finished run is shown again, still
        // reviewable; a cancel pressed meanwhile stays.
        f.client->enqueue(Method::startSync, Outcome::engineError("sync_in_progress", "Busy."));
        f.client->setHoldReplies(false);
        f.client->release();
        QTRY_VERIFY(f.sync().banner());
        QCOMPARE(f.sync().phase(), phase);
        QCOMPARE(f.sync().reviewCount(), 1);
        QVERIFY(f.model->decideFocusedReview(ReviewDecision::skip()));
        QTRY_COMPARE(f.client->sent().size(), 3);
        QCOMPARE(f.client->sent()[2].request, Request::reviewDecision("run-1", "pl#1", ReviewDecision::skip()));
    }

    // Deciding the waiting tracks one after another, quicker than the helper
    // answers, sends one decision per track: a decided track is never focused,
    // stepped to or opened again, and a second decision for it is not sent.
    void eachTrackGetsOneDecision()
    {
        Fixture f;
        QVERIFY(f.runWithReviews({ "pl#0", "pl#1", "pl#2" }, { "pl#0", "pl#1" }, { CandidateDTO { .id = "c1" } }));
        f.model->openReview();
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#0"));
        QVERIFY(f.model->decideFocusedReview(ReviewDecision::accept()));
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#1"));
        f.model->stepReview(1);
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#1"));
        QVERIFY(f.model->decideFocusedReview(ReviewDecision::skip()));
        QCOMPARE(f.model->focusedReviewTrackId(), std::nullopt);
        QVERIFY(!f.model->isInspectorPresented());
        QVERIFY(!f.model->decideFocusedReview(ReviewDecision::accept()));

        // Nothing brings a decided track back before the helper moves it on.
        f.model->focusReview(QStringLiteral("pl#0"));
        QCOMPARE(f.model->resolvedFocusedReview(), nullptr);
        QVERIFY(!f.model->decideFocusedReview(ReviewDecision::accept()));
        f.model->openReview();
        QVERIFY(!f.model->isInspectorPresented());
        f.model->submitReview(QStringLiteral("pl#0"), ReviewDecision::skip());
        f.model->skipTrack(QStringLiteral("pl#1"));
        QCOMPARE(f.sync().reviewCount(), 0);

        QTest::qWait(0);
        QCOMPARE(f.client->sent().size(), 2);
        QCOMPARE(f.client->sent()[0].request, Request::reviewDecision("run-1", "pl#0", ReviewDecision::accept()));
        QCOMPARE(f.client->sent()[1].request, Request::reviewDecision("run-1", "pl#1", ReviewDecision::skip()));

        // Asked again, the track takes a decision again.
        QVERIFY(f.deliver({ server(ServerEvent::NeedsReview { "c", "pl#0", "pl#0", std::nullopt, {} }) }));
        f.model->openReview();
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#0"));
        QVERIFY(f.model->decideFocusedReview(ReviewDecision::skip()));
        QTRY_COMPARE(f.client->sent().size(), 3);
    }

    // Retry starts a run only when none is live, and Skip reaches the helper only for
    // a row of the live run: a second start mid-run would be refused by the helper,
    // and a preview row or a row of an ended run has no run to be skipped in.
    void rowActionsNeedTheirRun_data()
    {
        QTest::addColumn<QString>("stage"); // none, preparing, running, done, cancelled
        QTest::addColumn<bool>("skip");
        QTest::addColumn<QString>("trackId");
        QTest::addColumn<QList<Method>>("sent");

        const QList<Method> nothing;
        QTest::newRow("retry while running") << "running" << false << "pl#0" << nothing;
        QTest::newRow("retry while a start waits") << "preparing" << false << "pl#0" << nothing;
        QTest::newRow("retry after the run")
            << "done" << false << "pl#0" << QList<Method> { Method::startSync };
        QTest::newRow("retry after a cancel")
            << "cancelled" << false << "pl#0" << QList<Method> { Method::startSync };
        QTest::newRow("skip a row of the run")
            << "running" << true << "pl#0" << QList<Method> { Method::reviewDecision };
        QTest::newRow("skip a row of another playlist") << "running" << true << "other#0" << nothing;
        QTest::newRow("skip a preview row") << "none" << true << "p1#0" << nothing;
        QTest::newRow("skip after the run") << "done" << true << "pl#0" << nothing;
        QTest::newRow("skip after a cancel") << "cancelled" << true << "pl#0" << nothing;
    }
    void rowActionsNeedTheirRun()
    {
        QFETCH(QString, stage);
        QFETCH(bool, skip);
        QFETCH(QString, trackId);
        QFETCH(QList<Method>, sent);

        Fixture f;
        QVERIFY(f.loadLibrary({ playlist("p1", "One") }));
        f.model->library()->setSelection({ "p1" });
        f.client->enqueue(Method::startSync, json("{'runId':'r'}"));
        if (stage != "none" && stage != "preparing")
            QVERIFY(f.runWithReviews({ "pl#0", "pl#1" }, {}));
        if (stage == "done")
            QVERIFY(f.deliver({ server(ServerEvent::SyncDone { "c", "run-1", {} }) }));
        if (stage == "cancelled") {
            f.model->cancelSync();
            QTRY_VERIFY(f.sentMethods().contains(Method::cancelSync));
        }
        if (stage == "preparing") {
            f.client->setHoldReplies(true);
            f.model->startSync();
            QTRY_COMPARE(f.client->waiting(), 1);
        }
        const qsizetype before = f.client->sent().size();
        const SyncPhase phase = f.sync().phase();

        QCOMPARE(skip ? f.model->canSkip(trackId) : f.model->canRetry(), !sent.isEmpty());
        if (skip)
            f.model->skipTrack(trackId);
        else
            f.model->retryTrack(trackId);
        QTRY_COMPARE(f.sentMethods().mid(before), sent);
        QTest::qWait(0);
        QCOMPARE(f.sentMethods().mid(before), sent);
        if (sent.isEmpty()) {
            QCOMPARE(f.sync().phase(), phase);
            QCOMPARE(f.sync().banner(), std::nullopt);
        }
        f.client->setHoldReplies(false);
        f.client->release();
    }

    void withoutAClientNothingIsSent()
    {
        Fixture f(false);
        f.model->cancelSync();
        f.model->submitReview(QStringLiteral("pl#1"), ReviewDecision::accept());
        f.model->skipTrack(QStringLiteral("pl#1"));
        f.model->selectionChanged();
        f.model->startSync();
        QCOMPARE(f.sync().phase(), SyncPhase::idle);
        QCOMPARE(f.sync().banner(), std::nullopt);

        test::TaskProbe<void> spotify(f.model->connectSpotify());
        QTRY_VERIFY(spotify.isDone());
        QVERIFY(!spotify.failed());

        test::TaskProbe<void> store(f.model->storeAccountToken(AccountService::soundcloud, "token"));
        test::TaskProbe<void> disconnect(f.model->disconnectAccount(AccountService::spotify));
        test::TaskProbe<JSONValue> params(f.model->requestSpotifyAuthParams<JSONValue>());
        QTRY_VERIFY(store.isDone() && disconnect.isDone() && params.isDone());
        QCOMPARE(store.error<HelperError>(), HelperError::helperUnavailable());
        QCOMPARE(disconnect.error<HelperError>(), HelperError::helperUnavailable());
        QCOMPARE(params.error<HelperError>(), HelperError::helperUnavailable());
    }

    // MARK: Review focus

    void openReview_data()
    {
        QTest::addColumn<QStringList>("waiting");
        QTest::addColumn<std::optional<QString>>("focus");
        QTest::addColumn<std::optional<QString>>("focused");
        QTest::addColumn<bool>("presented");
        QTest::newRow("first waiting track") << QStringList { "pl#1", "pl#3" } << std::optional<QString>()
                                             << std::optional<QString>("pl#1") << true;
        QTest::newRow("focus kept") << QStringList { "pl#1", "pl#3" } << std::optional<QString>("pl#3")
                                    << std::optional<QString>("pl#3") << true;
        QTest::newRow("stale focus moves to the first")
            << QStringList { "pl#1", "pl#3" } << std::optional<QString>("pl#0")
            << std::optional<QString>("pl#1") << true;
        QTest::newRow("nothing waiting, no focus")
            << QStringList {} << std::optional<QString>() << std::optional<QString>() << false;
        QTest::newRow("nothing waiting, stale focus")
            << QStringList {} << std::optional<QString>("pl#2") << std::optional<QString>() << false;
    }
    void openReview()
    {
        QFETCH(QStringList, waiting);
        QFETCH(std::optional<QString>, focus);
        QFETCH(std::optional<QString>, focused);
        QFETCH(bool, presented);

        Fixture f;
        QVERIFY(f.runWithReviews({ "pl#0", "pl#1", "pl#2", "pl#3" }, waiting));
        f.model->setFocusedReviewTrackId(focus);
        f.model->openReview();
        QCOMPARE(f.model->focusedReviewTrackId(), focused);
        QCOMPARE(f.model->isInspectorPresented(), presented);
        const auto resolved = f.model->resolvedFocusedReview();
        QCOMPARE(resolved ? std::optional(resolved->id()) : std::nullopt, focused);
    }

    void stepReviewWrapsAround_data()
    {
        QTest::addColumn<std::optional<QString>>("focus");
        QTest::addColumn<int>("step");
        QTest::addColumn<std::optional<QString>>("focused");
        QTest::newRow("next") << std::optional<QString>("pl#1") << 1 << std::optional<QString>("pl#2");
        QTest::newRow("next from the last")
            << std::optional<QString>("pl#3") << 1 << std::optional<QString>("pl#1");
        QTest::newRow("previous from the first")
            << std::optional<QString>("pl#1") << -1 << std::optional<QString>("pl#3");
        QTest::newRow("no focus counts as the first")
            << std::optional<QString>() << 1 << std::optional<QString>("pl#2");
        QTest::newRow("stale focus counts as the first")
            << std::optional<QString>("pl#0") << -1 << std::optional<QString>("pl#3");
    }
    void stepReviewWrapsAround()
    {
        QFETCH(std::optional<QString>, focus);
        QFETCH(int, step);
        QFETCH(std::optional<QString>, focused);

        Fixture f;
        QVERIFY(f.runWithReviews({ "pl#0", "pl#1", "pl#2", "pl#3" }, { "pl#1", "pl#2", "pl#3" }));
        f.model->setFocusedReviewTrackId(focus);
        f.model->stepReview(step);
        QCOMPARE(f.model->focusedReviewTrackId(), focused);
    }

    void focusReviewShowsTheInspector()
    {
        Fixture f;
        f.model->focusReview(QStringLiteral("pl#9"));
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#9"));
        QVERIFY(f.model->isInspectorPresented());
        QCOMPARE(f.model->resolvedFocusedReview(), nullptr);
        f.model->stepReview(1);
        QCOMPARE(f.model->focusedReviewTrackId(), std::nullopt);
    }

    // The inspector's decision: only a decision on offer for the focused track
    // is sent, and the focus moves to the earliest track still waiting.
    void decideFocusedReview_data()
    {
        QTest::addColumn<QStringList>("waiting");
        QTest::addColumn<bool>("withCandidates");
        QTest::addColumn<std::optional<QString>>("focus");
        QTest::addColumn<ReviewDecision>("decision");
        QTest::addColumn<std::optional<ReviewDecision>>("sent");
        QTest::addColumn<std::optional<QString>>("focused");
        QTest::addColumn<bool>("presented");

        const QStringList three { "pl#1", "pl#2", "pl#3" };
        const auto id = [](const char* text) { return std::optional<QString>(text); };
        const auto sent = [](const ReviewDecision& d) { return std::optional<ReviewDecision>(d); };
        const std::optional<ReviewDecision> none;
        QTest::newRow("the middle one: focus goes to the first, not the next")
            << three << true << id("pl#2") << ReviewDecision::accept() << sent(ReviewDecision::accept())
            << id("pl#1") << true;
        QTest::newRow("the first one: focus goes to the second")
            << three << true << id("pl#1") << ReviewDecision::skip() << sent(ReviewDecision::skip())
            << id("pl#2") << true;
        QTest::newRow("the last one left: the inspector closes")
            << QStringList { "pl#3" } << true << id("pl#3") << ReviewDecision::candidate("c2")
            << sent(ReviewDecision::candidate("c2")) << std::optional<QString>() << false;
        QTest::newRow("a candidate of another track is never sent")
            << three << true << id("pl#2") << ReviewDecision::candidate("stale") << none << id("pl#2") << true;
        QTest::newRow("a web address is sent trimmed")
            << three << false << id("pl#3") << ReviewDecision::url(" \thttps://example.org/a \n")
            << sent(ReviewDecision::url("https://example.org/a")) << id("pl#1") << true;
        QTest::newRow("a web address of white space is not sent")
            << three << true << id("pl#3") << ReviewDecision::url("   ") << none << id("pl#3") << true;
        // Only an absolute http or https address is a web address.
        for (const char* text : { "not a url", "example.org/a", "https://", "ftp://example.org/a",
                 "mailto:dj@example.org", "file:///home/dj/a.flac", "https://exa mple.org/a" }) {
            QTest::addRow("not sent: %s", text)
                << three << false << id("pl#3") << ReviewDecision::url(text) << none << id("pl#3") << true;
        }
        QTest::newRow("an http address in capitals is sent as typed")
            << three << false << id("pl#3") << ReviewDecision::url("HTTP://Example.org/a?b=1#c")
            << sent(ReviewDecision::url("HTTP://Example.org/a?b=1#c")) << id("pl#1") << true;
        QTest::newRow("no best match to accept without candidates")
            << three << false << id("pl#1") << ReviewDecision::accept() << none << id("pl#1") << true;
        QTest::newRow("skip without candidates")
            << three << false << id("pl#1") << ReviewDecision::skip() << sent(ReviewDecision::skip())
            << id("pl#2") << true;
        QTest::newRow("a stale focus decides nothing")
            << three << true << id("pl#0") << ReviewDecision::accept() << none << id("pl#0") << true;
    }
    void decideFocusedReview()
    {
        QFETCH(QStringList, waiting);
        QFETCH(bool, withCandidates);
        QFETCH(std::optional<QString>, focus);
        QFETCH(ReviewDecision, decision);
        QFETCH(std::optional<ReviewDecision>, sent);
        QFETCH(std::optional<QString>, focused);
        QFETCH(bool, presented);

        QList<CandidateDTO> candidates;
        if (withCandidates)
            candidates = { CandidateDTO { .id = "c1", .title = "One" }, CandidateDTO { .id = "c2", .title = "Two" } };
        Fixture f;
        QVERIFY(f.runWithReviews({ "pl#0", "pl#1", "pl#2", "pl#3" }, waiting, candidates));
        f.model->setFocusedReviewTrackId(focus);
        f.model->setInspectorPresented(true);

        QCOMPARE(f.model->decideFocusedReview(decision), sent.has_value());
        QCOMPARE(f.model->focusedReviewTrackId(), focused);
        QCOMPARE(f.model->isInspectorPresented(), presented);
        if (sent) {
            QTRY_COMPARE(f.client->sent().size(), 1);
            QCOMPARE(f.client->sent().first().request, Request::reviewDecision("run-1", *focus, *sent));
        } else {
            QTest::qWait(0);
            QVERIFY(f.client->sent().isEmpty());
        }
    }

    // Once the run that asked for reviews died, none is on offer. A finished run
    // dies with its helper: a relaunched one never had it.
    void deadRunOffersNoReview_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QString>("end"); // cancel, crash, end
        QTest::newRow("cancelled") << false << "cancel";
        QTest::newRow("helper crashed") << false << "crash";
        QTest::newRow("a finished run's helper crashed") << true << "crash";
        QTest::newRow("a finished run's events ended") << true << "end";
    }
    void deadRunOffersNoReview()
    {
        QFETCH(bool, finished);
        QFETCH(QString, end);

        Fixture f;
        QVERIFY(f.runWithReviews({ "pl#0", "pl#1" }, { "pl#0", "pl#1" }, { CandidateDTO { .id = "c1" } }));
        if (finished)
            QVERIFY(f.deliver({ server(ServerEvent::SyncDone { "c", "run-1", {} }) }));
        f.model->focusReview(QStringLiteral("pl#1"));
        QVERIFY(f.model->resolvedFocusedReview());
        const SyncPhase phase = f.sync().phase();
        if (end == "cancel")
            f.model->cancelSync();
        else if (end == "crash")
            QVERIFY(f.deliver({ HelperEvent::helperCrashed() }));
        else
            f.client->events().finish(StreamEnd::cleanExit);
        QTRY_VERIFY(!f.sync().isRunning());
        QTRY_VERIFY(!f.model->isInspectorPresented());
        if (finished) {
            QCOMPARE(f.sync().phase(), phase);
            QCOMPARE(f.sync().banner(), std::nullopt);
        }
        QCOMPARE(f.sync().reviewCount(), 0);
        f.client->clearSent();

        QCOMPARE(f.model->resolvedFocusedReview(), nullptr);
        QVERIFY(!f.model->decideFocusedReview(ReviewDecision::accept()));
        QVERIFY(!f.model->canSkip(QStringLiteral("pl#1")));
        f.model->skipTrack(QStringLiteral("pl#1"));
        QTest::qWait(0);
        QVERIFY(f.client->sent().isEmpty());
    }

    // MARK: Accounts

    void connectSpotify_data()
    {
        QTest::addColumn<Outcome>("reply");
        QTest::addColumn<QList<Method>>("sent");
        QTest::addColumn<std::optional<SyncBanner>>("banner");
        QTest::newRow("signed in") << Outcome::absent()
                                   << QList<Method> { Method::connectSpotify, Method::getConfig,
                                          Method::listPlaylists }
                                   << std::optional<SyncBanner>();
        QTest::newRow("failed") << Outcome::engineError("spotify_denied", "Access denied.")
                                << QList<Method> { Method::connectSpotify }
                                << std::optional(SyncBanner { SyncBanner::Kind::error,
                                       "Spotify connection failed: Access denied.", {} });
    }
    void connectSpotify()
    {
        QFETCH(Outcome, reply);
        QFETCH(QList<Method>, sent);
        QFETCH(std::optional<SyncBanner>, banner);

        Fixture f;
        f.client->enqueue(Method::connectSpotify, reply);
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult {}));
        f.client->enqueue(
            Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { { playlist("p1", "One") } }));
        f.client->setHoldReplies(true);
        QSignalSpy signingIn(f.model.get(), &AppModel::signingInChanged);
        test::TaskProbe<void> connect(f.model->connectSpotify());
        QVERIFY(f.model->isSigningIn(AccountService::spotify));
        QVERIFY(!f.model->isSigningIn(AccountService::applemusic));

        // A second sign-in while the first is under way sends nothing.
        test::TaskProbe<void> second(f.model->connectSpotify());
        QVERIFY(second.isDone());

        // The playlists are asked for only once the configuration has been read.
        for (qsizetype i = 0; i < sent.size(); ++i) {
            QTRY_COMPARE(f.client->sent().size(), i + 1);
            QCOMPARE(f.client->waiting(), 1);
            QVERIFY(f.model->isSigningIn(AccountService::spotify));
            f.client->release();
        }
        QTRY_VERIFY(connect.isDone());
        QVERIFY(!connect.failed());
        QVERIFY(!f.model->isSigningIn(AccountService::spotify));
        QCOMPARE(signingIn.size(), 2);
        QCOMPARE(f.sentMethods(), sent);
        QCOMPARE(f.client->sent().first().timeout, std::chrono::milliseconds(300s));
        QCOMPARE(f.sync().banner(), banner);
        QCOMPARE(f.model->library()->playlists().size(), banner ? 0 : 1);
    }

    void accountRequests_data()
    {
        QTest::addColumn<bool>("disconnect");
        QTest::addColumn<Outcome>("reply");
        QTest::addColumn<QList<Method>>("sent");
        QTest::addColumn<bool>("fails");
        QTest::newRow("token stored")
            << false << Outcome::absent() << QList<Method> { Method::storeAccountToken } << false;
        QTest::newRow("token refused") << false << Outcome::engineError("invalid_params", "Bad token.")
                                       << QList<Method> { Method::storeAccountToken } << true;
        QTest::newRow("account removed, then the settings read")
            << true << Outcome::absent() << QList<Method> { Method::disconnectAccount, Method::getConfig }
            << false;
        QTest::newRow("removal failed, nothing read")
            << true << Outcome::timeout() << QList<Method> { Method::disconnectAccount } << true;
    }
    void accountRequests()
    {
        QFETCH(bool, disconnect);
        QFETCH(Outcome, reply);
        QFETCH(QList<Method>, sent);
        QFETCH(bool, fails);

        Fixture f;
        f.client->enqueue(disconnect ? Method::disconnectAccount : Method::storeAccountToken, reply);
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult {}));
        test::TaskProbe<void> done(disconnect
                ? f.model->disconnectAccount(AccountService::soundcloud)
                : f.model->storeAccountToken(AccountService::soundcloud, " tok ", std::nullopt));
        QTRY_VERIFY(done.isDone());
        QCOMPARE(done.failed(), fails);
        QCOMPARE(f.sentMethods(), sent);
        const Request expected = disconnect ? Request::disconnectAccount(AccountService::soundcloud)
                                            : Request::storeAccountToken(AccountService::soundcloud, " tok ");
        QCOMPARE(f.client->sent().first().request, expected);
        QCOMPARE(f.client->sent().first().timeout, HelperClienting::kDefaultTimeout);
        QCOMPARE(f.model->settings()->config().has_value(), disconnect && !fails);
    }

    void tokenWithAClientIdAndAuthParameters()
    {
        Fixture f;
        f.client->enqueue(Method::storeAccountToken, Outcome::absent());
        f.client->enqueue(Method::getSpotifyAuthParams, json("{'clientId':'abc','scopes':['a']}"));
        test::TaskProbe<void> stored(f.model->storeAccountToken(AccountService::spotify, "tok", "client-1"));
        test::TaskProbe<JSONValue> params(f.model->requestSpotifyAuthParams<JSONValue>());
        QTRY_VERIFY(stored.isDone() && params.isDone());
        QVERIFY(!stored.failed());
        QCOMPARE(f.client->sent().first().request,
            Request::storeAccountToken(AccountService::spotify, "tok", "client-1"));
        QCOMPARE(params.value(),
            JSONValue::fromJson(parseJsonLine(test::jsonLine("{'clientId':'abc','scopes':['a']}"))));
        QCOMPARE(f.client->sent().last().timeout, HelperClienting::kDefaultTimeout);
    }
};

QTEST_GUILESS_MAIN(TestAppModel)
#include "tst_appmodel.moc"
