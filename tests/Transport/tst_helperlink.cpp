// The helper link end to end: the real client, process, pipes and codec
// against the stand-in helper.
#include "Base/Log.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "Transport/HelperClient.h"

#include <QtTest>

using namespace mivo;
using namespace std::chrono_literals;

namespace {

// Sets the stand-in's switches for one test and clears them afterwards; the
// child inherits the environment at launch.
class Switches {
public:
    Switches(std::initializer_list<std::pair<const char*, QByteArray>> values)
    {
        m_names.append("MIVO_STANDIN_CONFIG");
        qputenv("MIVO_STANDIN_CONFIG", m_dir.filePath("config.json").toUtf8());
        for (const auto& [name, value] : values) {
            m_names.append(name);
            qputenv(name, value);
        }
    }
    ~Switches()
    {
        for (const QByteArray& name : m_names)
            qunsetenv(name.constData());
    }

private:
    QTemporaryDir m_dir;
    QList<QByteArray> m_names;
};

struct Recorded {
    QList<HelperEvent> events;
    bool ended = false;

    QStringList kinds() const
    {
        QStringList kinds;
        for (const HelperEvent& event : events)
            kinds.append(event.isHelperReady() ? "ready" : event.isHelperCrashed() ? "crashed" : "server");
        return kinds;
    }
    QStringList logMessages() const
    {
        QStringList messages;
        for (const HelperEvent& event : events) {
            if (const ServerEvent* server = event.serverEvent()) {
                if (const auto* log = std::get_if<ServerEvent::Log>(&server->value))
                    messages.append(log->message);
            }
        }
        return messages;
    }
};

QCoro::Task<void> record(QPointer<HelperEventStream> stream, std::shared_ptr<Recorded> recorded)
{
    while (stream) {
        std::optional<HelperEvent> event = co_await stream->next();
        if (!event)
            break;
        recorded->events.append(std::move(*event));
    }
    recorded->ended = true;
}

struct Link {
    std::unique_ptr<HelperClient> client;
    std::shared_ptr<Recorded> recorded = std::make_shared<Recorded>();

    explicit Link(MonotonicClock& clock = MonotonicClock::system())
        : client(std::make_unique<HelperClient>(
            std::make_unique<HelperProcess>(test::standInHelperPath(), QStringList { "serve" }, clock),
            clock))
    {
        record(&client->events(), recorded);
        test::TaskProbe<void> started(client->start());
        QVERIFY(QTest::qWaitFor([&] { return started.isDone(); }));
        QVERIFY(!started.failed());
    }
    // A client lets its helper run on; this one ends with the link, while the
    // folder of its configuration is still there.
    ~Link()
    {
        if (client)
            client->process().stop(HelperProcess::kStopGrace, HelperProcess::kTerminateGrace);
    }
};

template <class T> std::optional<HelperError> helperError(const test::TaskProbe<T>& probe)
{
    return probe.template error<HelperError>();
}

template <class T> QString errorText(const test::TaskProbe<T>& probe)
{
    const std::optional<HelperError> error = helperError(probe);
    return error ? error->userText() : QString();
}

} // namespace

class TestHelperLink : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::LogCapture::enable(lcClient(), QtWarningMsg); }

    // The selection preview's road: list the playlists, then ask for the
    // tracks of one, from a helper that answers with the wrapper object and
    // from one that answers with the bare list.
    void previewRoad()
    {
        QList<PreviewTrackDTO> tracks[2];
        for (int bare = 0; bare < 2; ++bare) {
            Switches switches { { "MIVO_STANDIN_BARE", bare ? "getPlaylistTracks" : "" } };
            Link link;
            test::TaskProbe<ListPlaylistsResult> listed(
                link.client->request<ListPlaylistsResult>(Request::listPlaylists(PlaylistSourceId::spotify)));
            QTRY_VERIFY(listed.isDone());
            QVERIFY(!listed.failed());
            const QList<PlaylistDTO>& playlists = listed.value().playlists;
            const auto playlist = std::find_if(playlists.begin(), playlists.end(),
                [](const PlaylistDTO& p) { return !p.isFolder && p.trackCount.value_or(0) > 0; });
            QVERIFY(playlist != playlists.end());

            test::TaskProbe<QList<PreviewTrackDTO>> fetched(
                link.client->getPlaylistTracks(playlist->source, playlist->id, playlist->name));
            QTRY_VERIFY(fetched.isDone());
            QVERIFY(!fetched.failed());
            tracks[bare] = fetched.value();
            QCOMPARE(tracks[bare].size(), *playlist->trackCount);
            QCOMPARE(tracks[bare].first().id, playlist->id + "#0");
        }
        QCOMPARE(tracks[1], tracks[0]);
    }

    // A reply printed just before the helper died answers its request; the
    // helper is relaunched and answers again.
    void replyBeforeACrashThenRelaunch_data()
    {
        QTest::addColumn<QByteArray>("how");
        QTest::newRow("exit 3") << QByteArray("exit:3");
        QTest::newRow("SIGKILL") << QByteArray("signal:9");
    }
    void replyBeforeACrashThenRelaunch()
    {
        QFETCH(QByteArray, how);
        Switches switches { { "MIVO_STANDIN_CRASH_AFTER", "1," + how } };
        Link link;
        test::TaskProbe<ConfigResult> first(link.client->request<ConfigResult>(Request::getConfig()));
        QTRY_VERIFY(first.isDone());
        QVERIFY2(!first.failed(), qPrintable(errorText(first)));
        QTRY_COMPARE(link.recorded->kinds(), (QStringList { "ready", "crashed", "ready" }));

        test::TaskProbe<ConfigResult> second(link.client->request<ConfigResult>(Request::getConfig()));
        QTRY_VERIFY(second.isDone());
        QVERIFY(!second.failed());
        QCOMPARE(second.value(), first.value());
    }

    // A helper that dies at every start: relaunched after 0.25, 0.5, 1, 2 and
    // 4 s, then given up at the sixth crash.
    void givesUpOnAHelperThatNeverStays()
    {
        Switches switches { { "MIVO_STANDIN_CRASH_AT_START", "signal:9" } };
        test::ManualClock clock;
        Link link(clock);
        QList<MonotonicClock::Duration> delays;
        while (!link.recorded->ended) {
            // The next wait is the back-off, once the launch before it has settled.
            QTRY_VERIFY((clock.nextDelay() && !link.client->process().isLaunching())
                || link.client->events().isFinished());
            if (const auto delay = clock.nextDelay()) {
                delays.append(*delay);
                clock.advance(*delay);
            }
            QCoreApplication::processEvents();
        }
        QCOMPARE(delays, (QList<MonotonicClock::Duration> { 250ms, 500ms, 1s, 2s, 4s }));
        QCOMPARE(link.recorded->kinds().count("crashed"), 6);
        QCOMPARE(link.recorded->kinds().count("ready"), 6);
        QCOMPARE(link.client->events().endReason(), StreamEnd::gaveUp);
    }

    void cleanExitEndsTheStream()
    {
        Switches switches { { "MIVO_STANDIN_CRASH_AT_START", "exit:0" } };
        Link link;
        QTRY_VERIFY(link.recorded->ended);
        QCOMPARE(link.recorded->kinds(), QStringList { "ready" });
        QCOMPARE(link.client->events().endReason(), StreamEnd::cleanExit);
        test::TaskProbe<EmptyResult> late(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(late.isDone());
        QCOMPARE(helperError(late), HelperError::helperUnavailable());
    }

    // Noise on standard output before anything else: what is an event is
    // delivered, what is not is logged and dropped, and requests still work.
    void noiseBeforeTheFirstReply()
    {
        Switches switches { { "MIVO_STANDIN_NOISE", "nonjson,badutf8,crlf,lonecr,split,huge,empty" } };
        test::LogCapture log;
        Link link;
        test::TaskProbe<ConfigResult> config(link.client->request<ConfigResult>(Request::getConfig()));
        QTRY_VERIFY_WITH_TIMEOUT(config.isDone(), 15000);
        QVERIFY(!config.failed());
        const QStringList messages = link.recorded->logMessages();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages[0], QString("crlf noise"));
        QCOMPARE(messages[1], QString("split noise"));
        QVERIFY(messages[2].startsWith("huge noise xxx"));
        QCOMPARE(messages[2].size(), 4 * 1024 * 1024 + 11);
        QCOMPARE(log.texts(".client", QtWarningMsg),
            (QStringList {
                "dropping undecodable line: mivo helper starting (this line is not JSON) (44 bytes)",
                "dropping undecodable line: <non-utf8> (64 bytes)" }));
    }

    // Replies that answer nothing that waits are logged and change nothing;
    // a failed method arrives as an engine error; a reply that never comes
    // times out.
    void strayAndMissingReplies()
    {
        Switches switches { { "MIVO_STANDIN_DOUBLE_REPLY", "getConfig" },
            { "MIVO_STANDIN_WRONG_ID", "proxyInfo" }, { "MIVO_STANDIN_FAIL", "runDoctor=not_configured" },
            { "MIVO_STANDIN_SILENT", "testProxy" } };
        test::LogCapture log;
        Link link;
        test::TaskProbe<ConfigResult> doubled(link.client->request<ConfigResult>(Request::getConfig()));
        test::TaskProbe<ProxyInfoResult> wrongId(
            link.client->request<ProxyInfoResult>(Request::proxyInfo(), 300ms));
        test::TaskProbe<DoctorResult> failed(link.client->request<DoctorResult>(Request::runDoctor()));
        test::TaskProbe<TestProxyResult> silent(
            link.client->request<TestProxyResult>(Request::testProxy(), 300ms));
        QTRY_VERIFY(doubled.isDone() && wrongId.isDone() && failed.isDone() && silent.isDone());

        QVERIFY(!doubled.failed());
        QCOMPARE(helperError(wrongId), HelperError::requestTimedOut());
        QCOMPARE(helperError(failed),
            HelperError::engineError("not_configured", "Simulated failure of runDoctor"));
        QCOMPARE(helperError(failed)->engineCode(), EngineErrorCode::notConfigured);
        QCOMPARE(helperError(silent), HelperError::requestTimedOut());
        const QStringList dropped = log.texts(".client", QtWarningMsg);
        QCOMPARE(dropped.size(), 2);
        QVERIFY(
            dropped[0].startsWith(R"(dropping undecodable line: {"id":"r1","ok":true,"result":{"config":)"));
        QVERIFY(dropped[1].startsWith(R"(dropping undecodable line: {"id":"x-unknown","ok":true)"));
        QCOMPARE(link.client->pendingCount(), 0);
    }

    // A whole sync run arrives on the event stream in order.
    void syncRunEvents()
    {
        Switches switches { { "MIVO_STANDIN_EVENT_RATE", "0" } };
        Link link;
        test::TaskProbe<ListPlaylistsResult> listed(
            link.client->request<ListPlaylistsResult>(Request::listPlaylists(PlaylistSourceId::spotify)));
        QTRY_VERIFY(listed.isDone());
        QVERIFY(!listed.failed());
        const auto playlists = listed.value().playlists;
        const auto playlist = std::find_if(playlists.begin(), playlists.end(),
            [](const PlaylistDTO& p) { return !p.isFolder && p.trackCount.value_or(0) > 0; });
        QVERIFY(playlist != playlists.end());

        test::TaskProbe<void> started(link.client->send(
            Request::startSync({ PlaylistSelection { playlist->source, playlist->id, playlist->name } }),
            15s));
        QTRY_VERIFY(started.isDone());
        QVERIFY(!started.failed());

        // The run stops at its first review until it gets a decision.
        const auto serverEvents = [&link] {
            QList<ServerEvent> events;
            for (const HelperEvent& event : link.recorded->events) {
                if (const ServerEvent* server = event.serverEvent())
                    events.append(*server);
            }
            return events;
        };
        const auto holds = [&serverEvents]<class E>() {
            const QList<ServerEvent> events = serverEvents();
            return std::any_of(events.begin(), events.end(),
                [](const ServerEvent& e) { return std::holds_alternative<E>(e.value); });
        };
        QSet<QString> decided;
        const auto undecidedReview = [&serverEvents, &decided]() -> std::optional<ServerEvent::NeedsReview> {
            for (const ServerEvent& event : serverEvents()) {
                const auto* review = std::get_if<ServerEvent::NeedsReview>(&event.value);
                if (review && !decided.contains(review->trackId))
                    return *review;
            }
            return std::nullopt;
        };
        while (!holds.template operator()<ServerEvent::SyncDone>()) {
            QTRY_VERIFY_WITH_TIMEOUT(
                holds.template operator()<ServerEvent::SyncDone>() || undecidedReview(), 20000);
            if (const auto review = undecidedReview()) {
                decided.insert(review->trackId);
                test::TaskProbe<void> decision(link.client->notify(
                    Request::reviewDecision(review->correlationId, review->trackId, ReviewDecision::skip())));
                QTRY_VERIFY(decision.isDone());
                QVERIFY(!decision.failed());
            }
        }
        QVERIFY(!decided.isEmpty());
        const QList<ServerEvent> events = serverEvents();
        QVERIFY(std::holds_alternative<ServerEvent::SyncStarted>(events.first().value));
        QVERIFY(std::holds_alternative<ServerEvent::SyncDone>(events.last().value));
        const QString runId = std::get<ServerEvent::SyncStarted>(events.first().value).runId;
        QCOMPARE(std::get<ServerEvent::SyncDone>(events.last().value).runId, runId);
        QCOMPARE(link.recorded->kinds().count("ready"), 1);
    }
};

QTEST_GUILESS_MAIN(TestHelperLink)
#include "tst_helperlink.moc"
