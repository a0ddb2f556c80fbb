#include "Base/Log.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/ScriptedHelper.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/HelperClient.h"

#include <QtTest>

using namespace mivo;
using namespace std::chrono_literals;

namespace {

// What the event stream delivered, in a form easy to compare.
struct EventRecord {
    QStringList events;
    bool ended = false;
};

QString describe(const HelperEvent& event)
{
    if (event.isHelperReady())
        return "ready";
    if (event.isHelperCrashed())
        return "crashed";
    const ServerEvent& server = *event.serverEvent();
    if (const auto* log = std::get_if<ServerEvent::Log>(&server.value))
        return log->message.size() > 80 ? QString("log:%1 characters").arg(log->message.size())
                                        : "log:" + log->message;
    return "server";
}

QCoro::Task<void> collect(QPointer<HelperEventStream> stream, std::shared_ptr<EventRecord> record)
{
    while (stream) {
        const std::optional<HelperEvent> event = co_await stream->next();
        if (!event)
            break;
        record->events.append(describe(*event));
    }
    record->ended = true;
}

// A client over a scripted helper, on a clock the test drives.
struct Link {
    test::ManualClock clock;
    test::ScriptedHelper helper;
    std::unique_ptr<HelperClient> client;
    std::shared_ptr<EventRecord> record = std::make_shared<EventRecord>();

    explicit Link(const QString& body, const QString& prelude = {})
        : helper(body, prelude)
        , client(std::make_unique<HelperClient>(
              std::make_unique<HelperProcess>(helper.path(), QStringList { "serve" }, clock), clock))
    {
        collect(&client->events(), record);
    }

    bool start()
    {
        test::TaskProbe<void> started(client->start());
        return QTest::qWaitFor([&] { return started.isDone(); }) && !started.failed();
    }

    QStringList events() const { return record->events; }
};

std::optional<HelperError> helperError(const auto& probe)
{
    return probe.template error<HelperError>();
}

// Answers kept in files, too long for a script's command line: the helper's
// n-th request is answered with the n-th, "@ID@" standing for the request's id.
struct AnswerFiles {
    QTemporaryDir dir;

    bool write(const QByteArrayList& answers)
    {
        for (qsizetype i = 0; i < answers.size(); ++i) {
            QFile file(dir.filePath(QString("answer-%1.json").arg(i + 1)));
            if (!file.open(QIODevice::WriteOnly) || file.write(answers[i]) != answers[i].size())
                return false;
        }
        return true;
    }

    QString body() const { return QString(R"(sed "s/@ID@/$id/" '%1/answer-'$n'.json')").arg(dir.path()); }
};

const QString kAnswerOk = "printf '{\"id\":\"%s\",\"ok\":true}\\n' \"$id\"";

// Waits for the reply and then notes it among the events, so that the two can
// be told apart in the order they reached the test.
QCoro::Task<void> noteReply(HelperClient* client, std::shared_ptr<EventRecord> record)
{
    QCoro::Task<EmptyResult> reply = client->request<EmptyResult>(Request::getConfig());
    co_await std::move(reply);
    record->events.append(QString("reply"));
}

// Which threads decoded the helper's lines.
struct DecodingThreads {
    QMutex mutex;
    int onMainThread = 0;
    int elsewhere = 0;
};

} // namespace

class TestHelperClient : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo("/bin/sh").isExecutable());
        for (const QLoggingCategory* category : { &lcClient(), &lcHelper() }) {
            for (QtMsgType type : { QtInfoMsg, QtWarningMsg, QtCriticalMsg })
                test::LogCapture::enable(*category, type);
        }
    }

    // Requests and notifications share one counter.
    void idsAreSharedWithNotifications()
    {
        Link link(QString("[ \"$method\" = cancelSync ] || ") + kAnswerOk);
        QVERIFY(link.start());
        test::TaskProbe<EmptyResult> first(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(first.isDone());
        test::TaskProbe<void> notified(link.client->notify(Request::cancelSync(QString("run-1"))));
        QTRY_VERIFY(notified.isDone());
        test::TaskProbe<EmptyResult> third(
            link.client->request<EmptyResult>(Request::listPlaylists(std::nullopt)));
        QTRY_VERIFY(third.isDone());
        QVERIFY(!first.failed() && !notified.failed() && !third.failed());
        QCOMPARE(link.helper.requests(),
            (QStringList { R"({"id":"r1","method":"getConfig"})",
                R"({"id":"r2","method":"cancelSync","params":{"runId":"run-1"}})",
                R"({"id":"r3","method":"listPlaylists"})" }));
        QCOMPARE(link.client->pendingCount(), 0);
    }

    // A request that cannot be encoded fails with the encoding error and
    // writes nothing; its id is spent.
    void encodingFailureReachesTheCaller()
    {
        Link link(kAnswerOk);
        QVERIFY(link.start());
        ConfigPatch patch;
        patch.run = SafeConfig::Run { 5, 4, std::numeric_limits<double>::quiet_NaN(), 30, 24 };
        test::TaskProbe<void> failed(link.client->send(Request::setConfig(patch), 15s));
        QTRY_VERIFY(failed.isDone());
        QVERIFY(failed.error<EncodeError>());
        QCOMPARE(link.client->pendingCount(), 0);

        test::TaskProbe<EmptyResult> next(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(next.isDone());
        QCOMPARE(link.helper.requests(), QStringList { R"({"id":"r2","method":"getConfig"})" });
    }

    // How one reply line becomes the outcome of a request for T.
    void replies_data()
    {
        QTest::addColumn<QString>("reply"); // printf format; %s is the request's id
        QTest::addColumn<bool>("asRecord"); // PreviewTracksResult, else EmptyResult
        QTest::addColumn<int>("tracks"); // on success
        QTest::addColumn<QString>("error"); // user text, or its start followed by "…"

        const QString absent = R"({"id":"%s","ok":true})";
        const QString null = R"({"id":"%s","ok":true,"result":null})";
        QTest::newRow("no result, ignored") << absent << false << 0 << "";
        QTest::newRow("no result, for a record")
            << absent << true << 0
            << "Could not understand a message from the helper: result did not match PreviewTracksResult: …";
        QTest::newRow("null result, ignored") << null << false << 0 << "";
        QTest::newRow("null result, for a record")
            << null << true << 0
            << "Could not understand a message from the helper: result did not match PreviewTracksResult: …";
        QTest::newRow("record") << R"({"id":"%s","ok":true,"result":{"tracks":[]}})" << true << 0 << "";
        QTest::newRow("wrong shape, ignored")
            << R"({"id":"%s","ok":true,"result":{"tracks":7}})" << false << 0 << "";
        QTest::newRow("wrong shape, for a record")
            << R"({"id":"%s","ok":true,"result":{"tracks":7}})" << true << 0
            << "Could not understand a message from the helper: result did not match PreviewTracksResult: …";
        QTest::newRow("ok false without payload")
            << R"({"id":"%s","ok":false})" << false << 0
            << "Could not understand a message from the helper: ok:false with no error payload";
        QTest::newRow("engine error")
            << R"({"id":"%s","ok":false,"error":{"code":"sync_in_progress","message":"A sync is running."}})"
            << false << 0 << "A sync is running.";
        QTest::newRow("engine error beats a result")
            << R"({"id":"%s","ok":false,"result":{"tracks":[]},"error":{"code":"x","message":"no"}})" << true
            << 0 << "no";
        QTest::newRow("ok true ignores an error payload")
            << R"({"id":"%s","ok":true,"result":{"tracks":[]},"error":{"code":"x","message":"no"}})" << true
            << 0 << "";
        QTest::newRow("reply ending in CRLF")
            << R"({"id":"%s","ok":true,"result":{"tracks":[]}}\r)" << true << 0 << "";
        QTest::newRow("reply after noise") << R"(\n\r\nnot json\n{"id":"%s","ok":true})" << false << 0 << "";
    }
    void replies()
    {
        QFETCH(QString, reply);
        QFETCH(bool, asRecord);
        QFETCH(QString, error);

        Link link(QString("printf '%1\\n' \"$id\"").arg(reply));
        QVERIFY(link.start());
        std::optional<HelperError> failure;
        if (asRecord) {
            test::TaskProbe<PreviewTracksResult> probe(
                link.client->request<PreviewTracksResult>(Request::getConfig()));
            QTRY_VERIFY(probe.isDone());
            failure = helperError(probe);
            if (!probe.failed())
                QCOMPARE(probe.value(), PreviewTracksResult {});
        } else {
            test::TaskProbe<EmptyResult> probe(link.client->request<EmptyResult>(Request::getConfig()));
            QTRY_VERIFY(probe.isDone());
            failure = helperError(probe);
        }
        QCOMPARE(failure.has_value(), !error.isEmpty());
        if (failure) {
            if (error.endsWith(QChar(0x2026)))
                QVERIFY2(failure->userText().startsWith(error.chopped(1)), qPrintable(failure->userText()));
            else
                QCOMPARE(failure->userText(), error);
        }
        QCOMPARE(link.client->pendingCount(), 0);
    }

    void engineErrorCarriesItsCode()
    {
        Link link(
            R"(printf '{"id":"%s","ok":false,"error":{"code":"spotify_auth_expired","message":"m","data":[1]}}\n' "$id")");
        QVERIFY(link.start());
        test::TaskProbe<void> probe(link.client->send(Request::connectSpotify(), 300s));
        QTRY_VERIFY(probe.isDone());
        QCOMPARE(helperError(probe), HelperError::engineError("spotify_auth_expired", "m"));
        QCOMPARE(helperError(probe)->engineCode(), EngineErrorCode::spotifyAuthExpired);
    }

    // No reply within the time-out: the request fails and forgets its entry; a
    // reply arriving afterwards changes nothing and is logged as late.
    void timeoutAndLateReply()
    {
        // Each request is answered only when the next line arrives.
        Link link(R"([ -n "$previous" ] && printf '{"id":"%s","ok":true}\n' "$previous"; previous=$id)");
        QVERIFY(link.start());
        test::LogCapture log;
        test::TaskProbe<EmptyResult> probe(link.client->request<EmptyResult>(Request::runDoctor(), 2s));
        QTRY_COMPARE(link.helper.requests().size(), 1);
        link.clock.advance(1999ms);
        QCoreApplication::processEvents();
        QVERIFY(!probe.isDone());
        link.clock.advance(1ms);
        QTRY_VERIFY(probe.isDone());
        QCOMPARE(helperError(probe), HelperError::requestTimedOut());
        QCOMPARE(link.client->pendingCount(), 0);

        test::TaskProbe<void> nudge(link.client->notify(Request::proxyInfo()));
        QTRY_COMPARE(log.texts(".client", QtWarningMsg),
            QStringList { "dropping late reply to r1, which timed out (21 bytes)" });
        QCOMPARE(link.events(), QStringList { "ready" });
    }

    // Whenever the helper ends, the requests still waiting fail with
    // helperCrashed; a clean exit also ends the event stream, a crash leads to
    // a relaunch.
    void endingFailsWaitingRequests_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("crash");
        QTest::newRow("clean exit") << "exit 0" << false;
        QTest::newRow("exit 3") << "exit 3" << true;
        QTest::newRow("SIGKILL") << "kill -9 $$" << true;
    }
    void endingFailsWaitingRequests()
    {
        QFETCH(QString, ending);
        QFETCH(bool, crash);
        Link link(QString("[ $n -eq 2 ] && %1").arg(ending));
        QVERIFY(link.start());
        test::LogCapture log;
        test::TaskProbe<EmptyResult> first(link.client->request<EmptyResult>(Request::getConfig()));
        test::TaskProbe<EmptyResult> second(link.client->request<EmptyResult>(Request::runDoctor()));
        QTRY_VERIFY(first.isDone() && second.isDone());
        QCOMPARE(helperError(first), HelperError::helperCrashed());
        QCOMPARE(helperError(second), HelperError::helperCrashed());
        QCOMPARE(helperError(first)->userText(), QString("The mivo helper stopped unexpectedly."));

        if (!crash) {
            QTRY_VERIFY(link.record->ended);
            QCOMPARE(link.events(), QStringList { "ready" });
            QCOMPARE(link.client->events().endReason(), StreamEnd::cleanExit);
            QCOMPARE(log.texts(".client", QtInfoMsg), QStringList { "helper exited cleanly" });
            QCOMPARE(link.clock.waitingCalls(), 0);
            return;
        }
        QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed" }));
        QVERIFY(std::any_of(log.messages().begin(), log.messages().end(), [](const auto& m) {
            return m.type == QtWarningMsg && m.text.startsWith("helper crashed: status=");
        }));
        QCOMPARE(link.clock.nextDelay(), std::optional<MonotonicClock::Duration>(250ms));
        link.clock.advance(250ms);
        QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed", "ready" }));
        QVERIFY(link.client->process().isRunning());
        QVERIFY(!link.client->events().isFinished());

        // The relaunched helper answers again.
        test::TaskProbe<EmptyResult> again(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_COMPARE(link.helper.requests().size(), 3);
        QVERIFY(!again.isDone());
    }

    // A reply the helper printed just before it ended still answers its request.
    void replyPrintedJustBeforeTheEnd_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("clean exit") << "exit 0" << QStringList { "ready", "log:bye" };
        QTest::newRow("exit 3") << "exit 3" << QStringList { "ready", "log:bye", "crashed" };
        QTest::newRow("SIGKILL") << "kill -9 $$" << QStringList { "ready", "log:bye", "crashed" };
    }
    void replyPrintedJustBeforeTheEnd()
    {
        QFETCH(QString, ending);
        QFETCH(QStringList, events);
        Link link(QString(
            R"(printf '{"id":"%s","ok":true,"result":{"tracks":[]}}\n{"event":"log","data":{"level":"info","message":"bye"}}\n' "$id"; %1)")
                      .arg(ending));
        QVERIFY(link.start());
        test::TaskProbe<PreviewTracksResult> probe(
            link.client->request<PreviewTracksResult>(Request::getConfig()));
        QTRY_VERIFY(probe.isDone());
        QVERIFY(!probe.failed());
        QTRY_COMPARE(link.events(), events);
    }

    // Lines long enough to be decoded away from the main thread keep their place:
    // the lines after them, a reply and the helper's end come in the order printed.
    void longLinesKeepTheirPlace_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QStringList>("events");
        const QString big = QString("log:%1 characters").arg(HelperClient::kLongLineBytes);
        QTest::newRow("still running") << ":" << QStringList { "ready", big, "log:after", "log:last" };
        QTest::newRow("clean exit") << "exit 0" << QStringList { "ready", big, "log:after", "log:last" };
        QTest::newRow("SIGKILL") << "kill -9 $$"
                                 << QStringList { "ready", big, "log:after", "log:last", "crashed" };
    }
    void longLinesKeepTheirPlace()
    {
        QFETCH(QString, ending);
        QFETCH(QStringList, events);
        const QString longText
            = QString("$(head -c %1 /dev/zero | tr '\\0' x)").arg(HelperClient::kLongLineBytes);
        const QString log = R"({"event":"log","data":{"level":"info","message":"%s"}}\n)";
        Link link(QString(
            R"(big=%1; printf '%2%3{"id":"%s","ok":false,"error":{"code":"internal","message":"%s"}}\n%4' )"
            R"("$big" "after" "$id" "$big" "last"; %5)")
                      .arg(longText, log, log, log, ending));
        QVERIFY(link.start());
        test::TaskProbe<EmptyResult> probe(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(probe.isDone());
        QCOMPARE(helperError(probe)->engineCode(), EngineErrorCode::internal);
        QCOMPARE(helperError(probe)->userText().size(), HelperClient::kLongLineBytes);
        QTRY_COMPARE(link.events(), events);
    }

    // A reply long enough to be read away from the main thread gives what the
    // same records give in a short one: the same list, or the same failure
    // when a record does not decode.
    void longRepliesReadAsShortOnes_data()
    {
        QTest::addColumn<bool>("badRecord");
        QTest::newRow("every record decodes") << false;
        QTest::newRow("the second record has no id") << true;
    }
    void longRepliesReadAsShortOnes()
    {
        QFETCH(bool, badRecord);
        const QByteArray record
            = "{\"id\":\"t\",\"title\":\"T\u00eftle\",\"artist\":\"A\","
              "\"durationSec\":245.5,\"artwork\":{\"kind\":\"none\"},\"onDisk\":\"present\"}";
        const QByteArray bad = "{\"title\":\"T\",\"artist\":\"A\",\"durationSec\":1,"
                               "\"artwork\":{\"kind\":\"none\"},\"onDisk\":\"missing\"}";
        const auto replyOf = [&](int records) {
            QByteArrayList list { record };
            if (badRecord)
                list.append(bad);
            for (int i = 1; i < records; ++i)
                list.append(record);
            return "{\"id\":\"@ID@\",\"ok\":true,\"result\":{\"tracks\":[" + list.join(',') + "]}}\n";
        };
        const int many = int(HelperClient::kLongLineBytes / record.size()) + 1;
        AnswerFiles answers;
        QVERIFY(answers.write({ replyOf(many), replyOf(2) }));
        Link link(answers.body());
        QVERIFY(link.start());
        test::TaskProbe<PreviewTracksResult> longReply(
            link.client->request<PreviewTracksResult>(Request::getConfig()));
        QTRY_VERIFY(longReply.isDone());
        test::TaskProbe<PreviewTracksResult> shortReply(
            link.client->request<PreviewTracksResult>(Request::getConfig()));
        QTRY_VERIFY(shortReply.isDone());

        QCOMPARE(longReply.failed(), badRecord);
        QCOMPARE(shortReply.failed(), badRecord);
        if (badRecord) {
            QCOMPARE(helperError(longReply)->userText(), helperError(shortReply)->userText());
            QVERIFY(helperError(longReply)->userText().contains("[1]"));
        } else {
            const QList<PreviewTrackDTO> tracks = longReply.value().tracks;
            QCOMPARE(tracks.size(), qsizetype(many));
            QCOMPARE(shortReply.value().tracks.size(), qsizetype(2));
            QVERIFY(tracks.first() == shortReply.value().tracks.first());
            QVERIFY(tracks.last() == shortReply.value().tracks.first());
            QCOMPARE(tracks.last().title, QString("T\u00eftle"));
        }
    }

    // A long reply whose records are not read straight from the text (here a
    // library's playlists) still gives what the same records give in a short one.
    void longRepliesOfOtherRecordsReadAsShortOnes()
    {
        const QByteArray playlist = "{\"id\":\"p\",\"source\":\"spotify\",\"name\":\"S\u00e9t\","
                                    "\"isFolder\":false,\"trackCount\":12,\"artwork\":{\"kind\":\"none\"}}";
        const auto replyOf = [&](int playlists) {
            QByteArrayList list;
            for (int i = 0; i < playlists; ++i)
                list.append(playlist);
            return "{\"id\":\"@ID@\",\"ok\":true,\"result\":{\"playlists\":[" + list.join(',') + "]}}\n";
        };
        const int many = int(HelperClient::kLongLineBytes / playlist.size()) + 1;
        AnswerFiles answers;
        QVERIFY(answers.write({ replyOf(many), replyOf(1) }));
        Link link(answers.body());
        QVERIFY(link.start());
        test::TaskProbe<ListPlaylistsResult> longReply(
            link.client->request<ListPlaylistsResult>(Request::listPlaylists()));
        QTRY_VERIFY(longReply.isDone());
        test::TaskProbe<ListPlaylistsResult> shortReply(
            link.client->request<ListPlaylistsResult>(Request::listPlaylists()));
        QTRY_VERIFY(shortReply.isDone());

        QVERIFY(!longReply.failed());
        QVERIFY(!shortReply.failed());
        const QList<PlaylistDTO> playlists = longReply.value().playlists;
        QCOMPARE(playlists.size(), qsizetype(many));
        QVERIFY(playlists.first() == shortReply.value().playlists.first());
        QVERIFY(playlists.last() == shortReply.value().playlists.first());
        QCOMPARE(playlists.last().name, QString("S\u00e9t"));
    }

    // A line the crashed helper left unfinished is not glued to the first line
    // of its successor.
    void partialLineOfACrashedHelperIsDropped()
    {
        test::ScriptedHelper marker(":");
        const QString firstRun = QFileInfo(marker.path()).absolutePath() + "/first-run-done";
        Link link(":",
            QString(R"(if [ ! -e '%1' ]; then touch '%1'; printf '{"event":"log","data":'; exit 3; fi; )"
                    R"(printf '{"event":"log","data":{"level":"info","message":"again"}}\n')")
                .arg(firstRun));
        QVERIFY(link.start());
        QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed" }));
        link.clock.advance(250ms);
        QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed", "ready", "log:again" }));
    }

    // A helper that crashes right after every launch is relaunched after 0.25,
    // 0.5, 1, 2 and 4 s; the sixth crash within 10 s ends the stream.
    void backoffAndGivingUp()
    {
        Link link(":", "exit 3");
        test::LogCapture log;
        QVERIFY(link.start());
        QList<MonotonicClock::Duration> delays;
        for (int crash = 1; crash <= 5; ++crash) {
            QTRY_COMPARE(link.events().count("crashed"), crash);
            QTRY_VERIFY(link.clock.nextDelay());
            delays.append(*link.clock.nextDelay());
            link.clock.advance(*link.clock.nextDelay());
            QTRY_COMPARE(link.events().count("ready"), crash + 1);
        }
        QCOMPARE(delays, (QList<MonotonicClock::Duration> { 250ms, 500ms, 1s, 2s, 4s }));
        QTRY_VERIFY(link.record->ended);
        QCOMPARE(link.events().count("crashed"), 6);
        QCOMPARE(link.client->events().endReason(), StreamEnd::gaveUp);
        QCOMPARE(link.clock.waitingCalls(), 0);
        QCOMPARE(log.texts(".client", QtInfoMsg),
            (QStringList { "restarting helper in 0.25s", "restarting helper in 0.50s",
                "restarting helper in 1.00s", "restarting helper in 2.00s", "restarting helper in 4.00s" }));
        QCOMPARE(
            log.texts(".helper", QtCriticalMsg), QStringList { "helper crashed 6 times in 10s; giving up" });
    }

    // After 30 s of health the next crash is relaunched after 0.25 s again.
    void backoffStartsOverAfterAHealthyRun()
    {
        Link link("exit 3");
        QVERIFY(link.start());
        QList<MonotonicClock::Duration> delays;
        for (int crash = 1; crash <= 3; ++crash) {
            if (crash == 3)
                link.clock.advance(30s);
            test::TaskProbe<void> poke(link.client->notify(Request::testProxy()));
            QTRY_COMPARE(link.events().count("crashed"), crash);
            QTRY_VERIFY(link.clock.nextDelay());
            delays.append(*link.clock.nextDelay());
            link.clock.advance(delays.last());
            QTRY_COMPARE(link.events().count("ready"), crash + 1);
        }
        QCOMPARE(delays, (QList<MonotonicClock::Duration> { 250ms, 500ms, 250ms }));
        QVERIFY(!link.client->events().isFinished());
    }

    void relaunchFailureEndsTheStream()
    {
        Link link("exit 3");
        QVERIFY(link.start());
        test::LogCapture log;
        test::TaskProbe<void> poke(link.client->notify(Request::testProxy()));
        QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed" }));
        QVERIFY(QFile::remove(link.helper.path()));
        link.clock.advance(250ms);
        QTRY_VERIFY(link.record->ended);
        QCOMPARE(link.client->events().endReason(), StreamEnd::relaunchFailed);
        QCOMPARE(log.texts(".client", QtCriticalMsg),
            QStringList { "helper relaunch failed: The mivo helper is not available." });
        QCOMPARE(link.events(), (QStringList { "ready", "crashed" }));
    }

    // While the helper is down, requests and notifications fail at once.
    void unavailableWhileDown()
    {
        Link link("exit 3");
        QVERIFY(link.start());
        test::TaskProbe<void> poke(link.client->notify(Request::testProxy()));
        QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed" }));
        test::TaskProbe<EmptyResult> request(link.client->request<EmptyResult>(Request::getConfig()));
        test::TaskProbe<void> notified(link.client->notify(Request::proxyInfo()));
        QTRY_VERIFY(request.isDone() && notified.isDone());
        QCOMPARE(helperError(request), HelperError::helperUnavailable());
        QCOMPARE(helperError(notified), HelperError::helperUnavailable());
        QCOMPARE(link.client->pendingCount(), 0);
    }

    // Releasing the client ends its stream and its waiting requests, and
    // nothing that happens later (the child ending, a time-out, a relaunch
    // timer) reaches the released client.
    void releasedClient_data()
    {
        QTest::addColumn<bool>("duringBackoff");
        QTest::newRow("request waiting") << false;
        QTest::newRow("relaunch pending") << true;
    }
    void releasedClient()
    {
        QFETCH(bool, duringBackoff);
        Link link(duringBackoff ? "exit 3" : ":");
        QVERIFY(link.start());
        std::optional<test::TaskProbe<EmptyResult>> waiting;
        if (duringBackoff) {
            test::TaskProbe<void> poke(link.client->notify(Request::testProxy()));
            QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed" }));
        } else {
            waiting.emplace(link.client->request<EmptyResult>(Request::getConfig(), 5s));
            QTRY_COMPARE(link.helper.requests().size(), 1);
        }
        QSignalSpy finished(&link.client->events(), &HelperEventStream::finished);
        link.client.reset();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<StreamEnd>(), StreamEnd::clientReleased);
        QTRY_VERIFY(link.record->ended);
        if (waiting) {
            QTRY_VERIFY(waiting->isDone());
            QCOMPARE(helperError(*waiting), HelperError::helperUnavailable());
        }
        link.clock.advance(10s);
        QCoreApplication::processEvents();
        QCOMPARE(link.clock.waitingCalls(), 0);
    }

    void startLaunchesOnce()
    {
        Link link(":");
        QVERIFY(link.start());
        QVERIFY(link.start());
        QTRY_COMPARE(link.events(), QStringList { "ready" });

        Link missing(":");
        QVERIFY(QFile::remove(missing.helper.path()));
        test::TaskProbe<void> first(missing.client->start());
        QTRY_VERIFY(first.isDone());
        QCOMPARE(helperError(first), HelperError::helperUnavailable());
        QVERIFY(missing.start());
        QVERIFY(!missing.client->process().isRunning());
        QCOMPARE(missing.events(), QStringList {});
    }

    // Lines that are neither a waiting reply nor an event are logged and
    // dropped; empty lines are not even looked at.
    void undecodableLines_data()
    {
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QStringList>("logged");
        QTest::newRow("not JSON") << "hello" << QStringList { "dropping undecodable line: hello (5 bytes)" };
        QTest::newRow("not UTF-8") << R"(\377\376)"
                                   << QStringList { "dropping undecodable line: <non-utf8> (2 bytes)" };
        QTest::newRow("empty and lone CR") << R"(\n\r)" << QStringList {};
        QTest::newRow("unknown id") << R"({"id":"r99","ok":true})"
                                    << QStringList {
                                           R"(dropping undecodable line: {"id":"r99","ok":true} (22 bytes))"
                                       };
        QTest::newRow("log level outside the vocabulary")
            << R"({"event":"log","data":{"level":"loud","message":"x"}})"
            << QStringList {
                   R"(dropping undecodable line: {"event":"log","data":{"level":"loud","message":"x"}} (53 bytes))"
               };
    }
    void undecodableLines()
    {
        QFETCH(QString, printed);
        QFETCH(QStringList, logged);
        Link link(QString("printf '%1\\n'; ").arg(printed) + kAnswerOk);
        QVERIFY(link.start());
        test::LogCapture log;
        test::TaskProbe<EmptyResult> probe(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(probe.isDone());
        QVERIFY(!probe.failed());
        QCOMPARE(log.texts(".client", QtWarningMsg), logged);
        QCOMPARE(link.events(), QStringList { "ready" });
    }

    // A line longer than the framer's maximum (300 MiB of garbage) is let go
    // with one error, not kept or logged whole, and the reply after it still
    // reaches its request.
    void overlongLineIsDroppedWithOneError()
    {
        Link link(QString("head -c %1 /dev/zero | tr '\\000' x; printf '\\n'; ").arg(300 * 1024 * 1024)
            + kAnswerOk);
        QVERIFY(link.start());
        test::LogCapture log;
        test::TaskProbe<EmptyResult> probe(
            link.client->request<EmptyResult>(Request::getConfig(), std::chrono::minutes(5)));
        // The event loop runs without pauses (QTRY_* rests between turns, one
        // pipe read each, which would take minutes here).
        QTimer wake;
        wake.start(100);
        QElapsedTimer waited;
        waited.start();
        while (!probe.isDone() && !waited.hasExpired(120000))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QVERIFY(probe.isDone());
        QVERIFY(!probe.failed());
        QCOMPARE(log.texts(".client", QtWarningMsg),
            QStringList { QString("dropping line longer than %1 bytes").arg(256 * 1024 * 1024) });
        QCOMPARE(link.events(), QStringList { "ready" });
    }

    // A line that is not understood is logged in one short line, with the
    // start of it as valid UTF-8 and its length; so is a reply that comes
    // after its request timed out. Either way the next event arrives.
    void linesNotUnderstoodAreLoggedShort_data()
    {
        QTest::addColumn<QString>("printed"); // shell commands writing the line
        QTest::addColumn<bool>("lateReply"); // the line answers the request that timed out
        QTest::addColumn<QString>("logged");

        QTest::newRow("100 MiB that is not JSON")
            << QString("head -c %1 /dev/zero | tr '\\000' x; printf '\\n'").arg(100 * 1024 * 1024) << false
            << QString("dropping undecodable line: %1\u2026 (104857600 bytes)").arg(QString(100, 'x'));
        // The excerpt ends before a two-byte character that its last byte would cut.
        QTest::newRow("a character at the end of the excerpt")
            << QString("printf '%1\\303\\251%2\\n'").arg(QString(99, 'a'), QString(30, 'b')) << false
            << QString("dropping undecodable line: %1\u2026 (131 bytes)").arg(QString(99, 'a'));
        QTest::newRow("invalid bytes inside the excerpt")
            << QString("printf 'ab\\377%1\\n'").arg(QString(200, 'c')) << false
            << QString("dropping undecodable line: <non-utf8> (203 bytes)");
        // 4 MB of playlists, long enough for its result to be left unparsed.
        QTest::newRow("late 4 MB reply") << QString(
            R"(printf '{"id":"r1","ok":true,"result":{"playlists":['; )"
            R"(i=0; while [ $i -lt 8 ]; do head -c 524288 /dev/zero | tr '\000' x | sed 's/.*/"&",/'; )"
            R"(i=$((i+1)); done | tr -d '\n'; printf '"z"]}}\n')")
                                         << true
                                         << "dropping late reply to r1, which timed out (4194378 bytes)";
    }
    void linesNotUnderstoodAreLoggedShort()
    {
        QFETCH(QString, printed);
        QFETCH(bool, lateReply);
        QFETCH(QString, logged);

        // The first request is answered only by the line under test, and only
        // once the second arrives; the second is answered at once.
        const QString after = R"(printf '{"event":"log","data":{"level":"info","message":"after"}}\n'; )";
        Link link(QString("[ $n -eq 1 ] || { %1; %2%3; }").arg(printed, after, kAnswerOk));
        QVERIFY(link.start());
        test::LogCapture log;
        const auto timeout = lateReply ? 2s : std::chrono::milliseconds(std::chrono::minutes(5));
        test::TaskProbe<EmptyResult> first(
            link.client->request<EmptyResult>(Request::listPlaylists(), timeout));
        QTRY_COMPARE(link.helper.requests().size(), 1);
        if (lateReply) {
            link.clock.advance(timeout);
            QTRY_VERIFY(first.isDone());
            QCOMPARE(helperError(first), HelperError::requestTimedOut());
        }
        test::TaskProbe<EmptyResult> second(link.client->request<EmptyResult>(Request::getConfig(), 5min));
        QTRY_VERIFY_WITH_TIMEOUT(second.isDone(), 60000);
        QVERIFY(!second.failed());
        QTRY_COMPARE(link.events(), (QStringList { "ready", "log:after" }));
        const QStringList warnings = log.texts(".client", QtWarningMsg);
        QCOMPARE(warnings, QStringList { logged });
        QVERIFY(warnings.first().toUtf8().size() < 1024);
        if (!lateReply)
            QVERIFY(!first.isDone());
    }

    // Replies and events are handed on in the order the helper printed them,
    // and no line is decoded on the main thread.
    void repliesAndEventsKeepTheHelperOrderOffTheMainThread()
    {
        constexpr int kRequests = 40;
        const QString log = R"({"event":"log","data":{"level":"info","message":"%s %s"}})";
        Link link(
            QString(R"(printf '%1\n{"id":"%s","ok":true}\n%1\n' before "$id" "$id" after "$id")").arg(log));
        const auto threads = std::make_shared<DecodingThreads>();
        link.client->setDecodeProbe([threads, main = QThread::currentThread()] {
            const QMutexLocker locker(&threads->mutex);
            ++(QThread::currentThread() == main ? threads->onMainThread : threads->elsewhere);
        });
        QVERIFY(link.start());
        for (int i = 0; i < kRequests; ++i)
            noteReply(link.client.get(), link.record);
        QTRY_COMPARE(link.events().count("reply"), kRequests);
        QTRY_COMPARE(link.events().size(), 1 + 3 * kRequests);

        QStringList events;
        for (const QString& event : link.events()) {
            if (event.startsWith("log:"))
                events.append(event);
        }
        QStringList printed;
        for (int i = 1; i <= kRequests; ++i)
            printed << QString("log:before r%1").arg(i) << QString("log:after r%1").arg(i);
        QCOMPARE(events, printed);
        // No reply overtakes an event printed before it; the i-th reply is ri.
        for (int i = 1; i <= kRequests; ++i) {
            const qsizetype before = link.events().indexOf(QString("log:before r%1").arg(i));
            qsizetype replied = -1;
            for (qsizetype at = 0, seen = 0; at < link.events().size(); ++at) {
                if (link.events()[at] == "reply" && ++seen == i) {
                    replied = at;
                    break;
                }
            }
            QVERIFY2(before < replied, qPrintable(QString("reply %1").arg(i)));
        }
        const QMutexLocker locker(&threads->mutex);
        QCOMPARE(threads->onMainThread, 0);
        QCOMPARE(threads->elsewhere, 3 * kRequests);
    }

    // Every request sent around a relaunch ends: it is answered, fails or
    // times out, whether it is sent while the old child ends, during the
    // back-off, while the new child launches, or at once after it runs.
    void everyRequestAroundARelaunchEnds()
    {
        // runDoctor ends the helper, testProxy is never answered, the rest is.
        Link link(QString(R"([ "$method" = runDoctor ] && exit 3; [ "$method" = testProxy ] || %1)")
                      .arg(kAnswerOk));
        QVERIFY(link.start());
        test::TaskProbe<EmptyResult> ending(link.client->request<EmptyResult>(Request::runDoctor()));
        test::TaskProbe<EmptyResult> behindIt(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(ending.isDone() && behindIt.isDone());
        QCOMPARE(helperError(ending), HelperError::helperCrashed());
        QVERIFY(behindIt.failed());
        QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed" }));

        test::TaskProbe<EmptyResult> inTheBackoff(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(inTheBackoff.isDone());
        QCOMPARE(helperError(inTheBackoff), HelperError::helperUnavailable());

        link.clock.advance(250ms);
        test::TaskProbe<EmptyResult> whileLaunching(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(whileLaunching.isDone());
        QTRY_COMPARE(link.events(), (QStringList { "ready", "crashed", "ready" }));

        test::TaskProbe<EmptyResult> unanswered(link.client->request<EmptyResult>(Request::testProxy(), 3s));
        test::TaskProbe<EmptyResult> answered(link.client->request<EmptyResult>(Request::getConfig()));
        QTRY_VERIFY(answered.isDone());
        QVERIFY(!answered.failed());
        QVERIFY(!unanswered.isDone());
        link.clock.advance(3s);
        QTRY_VERIFY(unanswered.isDone());
        QCOMPARE(helperError(unanswered), HelperError::requestTimedOut());
        QCOMPARE(link.client->pendingCount(), 0);
    }

    // The wrapper object first; after any failure the same request again under
    // a new id, read as the bare list.
    void getPlaylistTracksFallback_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("timeFirstOut");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("error");

        const QString wrapped = R"(printf '{"id":"%s","ok":true,"result":{"tracks":[]}}\n' "$id")";
        const QString bare = R"(printf '{"id":"%s","ok":true,"result":[]}\n' "$id")";
        const QString failing
            = R"(printf '{"id":"%s","ok":false,"error":{"code":"internal","message":"%s failed"}}\n' "$id" "$id")";
        QTest::newRow("wrapper") << wrapped << false << 1 << "";
        QTest::newRow("bare list") << bare << false << 2 << "";
        QTest::newRow("engine error, then bare")
            << QString("if [ $n -eq 1 ]; then %1; else %2; fi").arg(failing, bare) << false << 2 << "";
        QTest::newRow("time-out, then bare") << QString("[ $n -eq 1 ] || %1").arg(bare) << true << 2 << "";
        QTest::newRow("both fail: the second error is reported") << failing << false << 2 << "r2 failed";
        QTest::newRow("neither shape")
            << R"(printf '{"id":"%s","ok":true,"result":{"rows":[]}}\n' "$id")" << false << 2
            << "Could not understand a message from the helper: result did not match Array<PreviewTrackDTO>: "
               "…";
    }
    void getPlaylistTracksFallback()
    {
        QFETCH(QString, body);
        QFETCH(bool, timeFirstOut);
        QFETCH(int, requests);
        QFETCH(QString, error);

        Link link(body);
        QVERIFY(link.start());
        test::TaskProbe<QList<PreviewTrackDTO>> probe(
            link.client->getPlaylistTracks(PlaylistSourceId::spotify, "pl-1", QString("Warm up")));
        if (timeFirstOut) {
            QTRY_COMPARE(link.helper.requests().size(), 1);
            link.clock.advance(HelperClienting::kDefaultTimeout);
        }
        QTRY_VERIFY(probe.isDone());
        const QStringList seen = link.helper.requests();
        QCOMPARE(seen.size(), requests);
        for (int i = 0; i < seen.size(); ++i)
            QCOMPARE(seen[i],
                QString(
                    R"({"id":"r%1","method":"getPlaylistTracks","params":{"source":"spotify","id":"pl-1","name":"Warm up"}})")
                    .arg(i + 1));
        const std::optional<HelperError> failure = helperError(probe);
        QCOMPARE(failure.has_value(), !error.isEmpty());
        if (!failure)
            QCOMPARE(probe.value(), QList<PreviewTrackDTO> {});
        else if (error.endsWith(QChar(0x2026)))
            QVERIFY2(failure->userText().startsWith(error.chopped(1)), qPrintable(failure->userText()));
        else
            QCOMPARE(failure->userText(), error);
    }
};

QTEST_GUILESS_MAIN(TestHelperClient)
#include "tst_helperclient.moc"
