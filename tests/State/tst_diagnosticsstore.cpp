#include "State/DiagnosticsStore.h"
#include "TestSupport/ScriptedHelperClient.h"

#include <QSignalSpy>
#include <QtTest>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;

namespace {

const char* kWrapped = R"({"checks": [
    {"id": "ffmpeg", "title": "ffmpeg", "status": "ok"},
    {"id": "output", "status": "warn", "detail": "The folder is almost full.", "fixable": true}]})";
const char* kBare = R"([
    {"id": "ffmpeg", "title": "ffmpeg", "status": "ok"},
    {"id": "output", "status": "warn", "detail": "The folder is almost full.", "fixable": true}])";

QList<DoctorCheck> expectedChecks()
{
    return {
        DoctorCheck { "ffmpeg", QStringLiteral("ffmpeg"), "ok", std::nullopt, std::nullopt },
        DoctorCheck { "output", std::nullopt, "warn", QStringLiteral("The folder is almost full."), true },
    };
}

} // namespace

class TestDiagnosticsStore : public QObject {
    Q_OBJECT

private slots:
    void logKeepsTheLast500Lines()
    {
        ScriptedHelperClient client;
        DiagnosticsStore store(client);
        QSignalSpy changed(&store, &DiagnosticsStore::logsChanged);

        for (int line = 1; line <= 501; ++line)
            store.appendLog(
                line % 2 ? LogLevel::debug : LogLevel::error, QStringLiteral("line %1").arg(line));

        QCOMPARE(store.logs().size(), 500);
        QCOMPARE(store.logs().first().message, QStringLiteral("line 2"));
        QCOMPARE(store.logs().first().level, LogLevel::error);
        QCOMPARE(store.logs().last().message, QStringLiteral("line 501"));
        QCOMPARE(store.logs().last().level, LogLevel::debug);
        QSet<QUuid> ids;
        for (const auto& entry : store.logs())
            ids.insert(entry.id);
        QCOMPARE(ids.size(), 500);
        QTRY_COMPARE(changed.size(), 1); // one notification for the burst
    }

    void runDoctorReadsWrappedOrBareChecks_data()
    {
        QTest::addColumn<QList<Outcome>>("answers");
        QTest::newRow("wrapped") << QList { Outcome::result(kWrapped) };
        QTest::newRow("bare, second request") << QList { Outcome::result(kBare), Outcome::result(kBare) };
        QTest::newRow("a check without status fails the wrapper as a whole")
            << QList { Outcome::result(R"({"checks": [{"id": "ffmpeg"}]})"), Outcome::result(kBare) };
    }
    void runDoctorReadsWrappedOrBareChecks()
    {
        QFETCH(QList<Outcome>, answers);
        ScriptedHelperClient client;
        DiagnosticsStore store(client);
        client.enqueue(Method::runDoctor, answers);

        auto task = store.runDoctor();
        QVERIFY(store.isRunning());
        QCoro::waitFor(task);

        QVERIFY(!store.isRunning());
        QCOMPARE(store.checks(), expectedChecks());
        QCOMPARE(store.lastError(), std::nullopt);
        QCOMPARE(client.sent().size(), answers.size());
    }

    void failedRunKeepsTheChecks()
    {
        ScriptedHelperClient client;
        DiagnosticsStore store(client);
        client.enqueue(Method::runDoctor, Outcome::result(kWrapped));
        QCoro::waitFor(store.runDoctor());
        client.enqueue(Method::runDoctor, { Outcome::crash(), Outcome::timeout() });

        QCoro::waitFor(store.runDoctor());

        QCOMPARE(store.checks(), expectedChecks());
        QCOMPARE(store.lastError(), QStringLiteral("The request to the helper timed out."));
        QVERIFY(!store.isRunning());
    }

    void fixRerunsTheDoctor_data()
    {
        QTest::addColumn<QList<Outcome>>("runAnswers");
        QTest::addColumn<QList<Method>>("methods");
        QTest::newRow("one run exchange")
            << QList { Outcome::result(kWrapped) } << QList { Method::doctorFix, Method::runDoctor };
        QTest::newRow("two when the wrapper does not decode") << QList { Outcome::result(kBare),
            Outcome::result(kBare) } << QList { Method::doctorFix, Method::runDoctor, Method::runDoctor };
    }
    void fixRerunsTheDoctor()
    {
        QFETCH(QList<Outcome>, runAnswers);
        QFETCH(QList<Method>, methods);
        ScriptedHelperClient client;
        DiagnosticsStore store(client);
        client.enqueue(Method::doctorFix, Outcome::absent());
        client.enqueue(Method::runDoctor, runAnswers);

        QVERIFY(QCoro::waitFor(store.fix(QStringLiteral("output"))));

        QCOMPARE(client.sentMethods(), methods);
        QCOMPARE(client.sent()[0].request, Request::doctorFix(QStringLiteral("output")));
        QCOMPARE(client.sent()[0].timeout, std::optional(std::chrono::milliseconds(15000)));
        QCOMPARE(store.checks(), expectedChecks());
    }

    void failedFixKeepsItsErrorUntilASuccessfulRun()
    {
        ScriptedHelperClient client;
        DiagnosticsStore store(client);
        client.enqueue(Method::runDoctor, Outcome::result(kWrapped));
        QCoro::waitFor(store.runDoctor());
        QSignalSpy running(&store, &DiagnosticsStore::isRunningChanged);
        client.enqueue(Method::doctorFix, Outcome::engineError("internal", "Cannot repair ffmpeg."));

        QVERIFY(!QCoro::waitFor(store.fix(QStringLiteral("ffmpeg"))));

        QCOMPARE(client.sentMethods().last(), Method::doctorFix); // no re-run
        QCOMPARE(store.lastError(), QStringLiteral("Cannot repair ffmpeg."));
        QCOMPARE(store.checks(), expectedChecks());
        QCOMPARE(running.size(), 0);

        client.enqueue(Method::runDoctor, Outcome::result(kWrapped));
        QCoro::waitFor(store.runDoctor());
        QCOMPARE(store.lastError(), std::nullopt);
    }

    void isRunningUntilEveryRunHasEnded()
    {
        ScriptedHelperClient client;
        DiagnosticsStore store(client);
        QSignalSpy running(&store, &DiagnosticsStore::isRunningChanged);
        client.enqueue(Method::runDoctor,
            { Outcome::result(R"({"checks": [{"id": "old", "status": "fail"}]})"),
                Outcome::result(kWrapped) });

        client.setHoldReplies(true);
        auto first = store.runDoctor();
        client.setHoldReplies(false);
        auto second = store.runDoctor();
        QCoro::waitFor(second);

        QVERIFY(store.isRunning()); // the first run still waits
        QCOMPARE(store.checks(), expectedChecks());
        client.release();
        QCoro::waitFor(first);

        QVERIFY(!store.isRunning());
        QCOMPARE(store.checks(), expectedChecks()); // the older reply is not shown
        QCOMPARE(running.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestDiagnosticsStore)
#include "tst_diagnosticsstore.moc"
