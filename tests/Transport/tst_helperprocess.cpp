#include "Base/Log.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "Transport/HelperError.h"
#include "Transport/HelperProcess.h"

#include <QtTest>

using namespace mivo;
using namespace std::chrono_literals;
using Termination = HelperProcess::Termination;

Q_DECLARE_METATYPE(mivo::HelperProcess::Stop::Way)

namespace {

// A child that runs a shell script.
std::unique_ptr<HelperProcess> shellChild(
    const QString& script, MonotonicClock& clock = MonotonicClock::system())
{
    return std::make_unique<HelperProcess>("/bin/sh", QStringList { "-c", script }, clock);
}

// Starts the process and records what it hands on, in order.
struct Recorder {
    QByteArray output;
    std::optional<Termination> termination;
    qsizetype outputAtTermination = -1;

    // True once the child runs.
    bool start(HelperProcess& process)
    {
        QObject::connect(&process, &HelperProcess::outputReceived, &process, [this](const QByteArray& chunk) {
            QVERIFY(!termination);
            output += chunk;
        });
        test::TaskProbe<void> launched(process.start([this](const Termination& t) {
            termination = t;
            outputAtTermination = output.size();
        }));
        return QTest::qWaitFor([&] { return launched.isDone(); }) && !launched.failed();
    }
};

} // namespace

class TestHelperProcess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        test::LogCapture::enable(lcHelper(), QtInfoMsg);
        test::LogCapture::enable(lcHelper(), QtWarningMsg);
        test::LogCapture::enable(lcHelper(), QtCriticalMsg);
    }

    void exitClassification_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<Termination>("expected");
        QTest::addColumn<QString>("logged");

        QTest::newRow("exit 0") << "exit 0" << Termination::clean() << "helper terminated: clean";
        QTest::newRow("exit 3") << "exit 3" << Termination::crash(3, "exit 3")
                                << "helper terminated: crash(status: 3, reason: \"exit 3\")";
        QTest::newRow("SIGKILL") << "kill -9 $$" << Termination::crash(9, "signal 9")
                                 << "helper terminated: crash(status: 9, reason: \"signal 9\")";
        QTest::newRow("SIGTERM") << "kill -TERM $$" << Termination::crash(15, "signal 15")
                                 << "helper terminated: crash(status: 15, reason: \"signal 15\")";
    }
    void exitClassification()
    {
        QFETCH(QString, script);
        QFETCH(Termination, expected);
        QFETCH(QString, logged);

        test::LogCapture log;
        auto process = shellChild(script);
        Recorder recorder;
        QVERIFY(recorder.start(*process));
        QTRY_VERIFY(recorder.termination);
        QCOMPARE(*recorder.termination, expected);
        QVERIFY(!process->isRunning());
        QVERIFY(log.contains(".helper", QtInfoMsg, logged));
        QVERIFY(std::any_of(log.messages().begin(), log.messages().end(),
            [](const auto& m) { return m.type == QtInfoMsg && m.text.startsWith("helper launched (pid "); }));
    }

    // Everything the child printed before it ended is handed on before the end
    // is reported, however abruptly it ended.
    void outputBeforeTheEndIsKept_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("clean exit") << "exit 0";
        QTest::newRow("exit 3") << "exit 3";
        QTest::newRow("SIGKILL") << "kill -9 $$";
    }
    void outputBeforeTheEndIsKept()
    {
        QFETCH(QString, ending);
        // About 600 KiB in many writes, then the end right away.
        auto process = shellChild(
            "i=0; while [ $i -lt 20000 ]; do echo \"line $i 0123456789abcdef\"; i=$((i+1)); done; " + ending);
        Recorder recorder;
        QVERIFY(recorder.start(*process));
        QTRY_VERIFY_WITH_TIMEOUT(recorder.termination, 30000);
        QCOMPARE(recorder.outputAtTermination, recorder.output.size());
        const QList<QByteArray> lines = recorder.output.split('\n');
        QCOMPARE(lines.size(), 20001);
        QCOMPARE(lines[19999], QByteArray("line 19999 0123456789abcdef"));
    }

    void launchFailure_data()
    {
        QTest::addColumn<bool>("createFile");
        QTest::newRow("no such file") << false;
        QTest::newRow("not executable") << true;
    }
    void launchFailure()
    {
        QFETCH(bool, createFile);
        QTemporaryDir dir;
        const QString path = dir.filePath("mivo");
        if (createFile) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
        }
        test::LogCapture log;
        HelperProcess process(path, { "serve" });
        bool terminated = false;
        test::TaskProbe<void> launched(process.start([&](const Termination&) { terminated = true; }));
        QTRY_VERIFY(launched.isDone());
        QCOMPARE(launched.error<HelperError>(), HelperError::helperUnavailable());
        QVERIFY(!process.isRunning());
        QVERIFY(!process.isLaunching());
        const QStringList warnings = log.texts(".helper", QtWarningMsg);
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().startsWith("helper failed to launch: "));

        // A failed launch leaves the process ready for another attempt.
        test::TaskProbe<void> write(process.write("x\n"));
        QTRY_VERIFY(write.isDone());
        QCOMPARE(write.error<HelperError>(), HelperError::helperUnavailable());
        QVERIFY(!terminated);
    }

    // A launch that is given up before the child runs fails, and the child
    // neither runs on as the helper nor reports an end.
    void launchAbandoned_data()
    {
        QTest::addColumn<bool>("release");
        QTest::newRow("process released") << true;
        QTest::newRow("launch time limit") << false;
    }
    void launchAbandoned()
    {
        QFETCH(bool, release);
        test::ManualClock clock;
        auto process = shellChild("sleep 30", clock);
        bool terminated = false;
        test::TaskProbe<void> launched(process->start([&](const Termination&) { terminated = true; }));
        if (release)
            process.reset();
        else
            clock.advance(HelperProcess::kLaunchTimeout);
        QTRY_VERIFY(launched.isDone());
        QCOMPARE(launched.error<HelperError>(), HelperError::helperUnavailable());
        if (process) {
            QVERIFY(!process->isRunning());
            QVERIFY(!process->isLaunching());
        }
        QVERIFY(!terminated);
    }

    void writeReachesTheChild()
    {
        auto process = shellChild("read first; read second; echo \"got $first $second\"; read end");
        Recorder recorder;
        QVERIFY(recorder.start(*process));
        test::TaskProbe<void> first(process->write("one\n"));
        test::TaskProbe<void> second(process->write("two\n"));
        QTRY_VERIFY(first.isDone() && second.isDone());
        QVERIFY(!first.failed() && !second.failed());
        QTRY_COMPARE(recorder.output, QByteArray("got one two\n"));
        test::TaskProbe<void> last(process->write("\n"));
        QTRY_VERIFY(recorder.termination);
        QCOMPARE(*recorder.termination, Termination::clean());
    }

    void writeFailures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("waitForEnd");
        QTest::addColumn<HelperError>("expected");
        QTest::newRow("child has exited") << "exit 0" << true << HelperError::helperUnavailable();
        QTest::newRow("child closed its standard input")
            << "exec 0<&-; echo closed; while :; do sleep 1; done" << false << HelperError::helperCrashed();
    }
    void writeFailures()
    {
        QFETCH(QString, script);
        QFETCH(bool, waitForEnd);
        QFETCH(HelperError, expected);

        auto process = shellChild(script);
        Recorder recorder;
        QVERIFY(recorder.start(*process));
        if (waitForEnd)
            QTRY_VERIFY(recorder.termination);
        else
            QTRY_COMPARE(recorder.output, QByteArray("closed\n"));
        test::TaskProbe<void> write(process->write("hello\n"));
        QTRY_VERIFY(write.isDone());
        QCOMPARE(write.error<HelperError>(), std::optional<HelperError>(expected));
        QCOMPARE(write.error<HelperError>()->userText(), expected.userText());
        // Once the pipe is broken, later writes fail at once too.
        test::TaskProbe<void> later(process->write("again\n"));
        QTRY_VERIFY(later.isDone());
        QCOMPARE(later.error<HelperError>(), std::optional<HelperError>(expected));
        process->kill();
    }

    void standardErrorIsLogged_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("logged");
        QTest::newRow("lines, empty pieces dropped")
            << "printf 'one\\n\\ntwo\\n' >&2" << QStringList { "helper stderr: one", "helper stderr: two" };
        QTest::newRow("not UTF-8") << "printf '\\377\\376 bad\\n' >&2" << QStringList {};
    }
    void standardErrorIsLogged()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, logged);
        // The test runner turns debug messages off; this test is about them.
        test::LogCapture::enable(lcHelper(), QtDebugMsg);
        test::LogCapture log;
        auto process = shellChild(script);
        Recorder recorder;
        QVERIFY(recorder.start(*process));
        QTRY_VERIFY(recorder.termination);
        QCOMPARE(log.texts(".helper", QtDebugMsg), logged);
        QVERIFY(recorder.output.isEmpty());
    }

    // The application's own process is made for the helper it locates; the
    // test program sits in no bundle, so only MIVO_HELPER_PATH can name one.
    void processForTheRunningApplication()
    {
        qputenv("MIVO_HELPER_PATH", test::standInHelperPath().toUtf8());
        const std::unique_ptr<HelperProcess> process = HelperProcess::create({ "serve" });
        QCOMPARE(process->executablePath(), test::standInHelperPath());
        QCOMPARE(process->arguments(), QStringList { "serve" });

        qunsetenv("MIVO_HELPER_PATH");
        try {
            HelperProcess::create({ "serve" });
            QFAIL("no helper should have been found");
        } catch (const HelperError& error) {
            QCOMPARE(error, HelperError::helperMissing());
        }
    }

    // Releasing the process does not stop the child: it sees its standard
    // input close and ends on its own terms, and what it prints meanwhile is
    // read, so that it never blocks on a full pipe.
    void releaseLeavesTheChildAlone_data()
    {
        QTest::addColumn<QString>("afterInput");
        QTest::newRow("ends at once") << ":";
        QTest::newRow("prints 4 MiB first") << "head -c 4194304 /dev/zero";
    }
    void releaseLeavesTheChildAlone()
    {
        QFETCH(QString, afterInput);
        QTemporaryDir dir;
        const QString marker = dir.filePath("ended");
        auto process = shellChild(QString("trap 'echo signalled > %1; exit 1' TERM INT HUP; "
                                          "while read line; do :; done; %2; echo eof > %1")
                                      .arg(marker, afterInput));
        Recorder recorder;
        QVERIFY(recorder.start(*process));
        test::TaskProbe<void> write(process->write("hello\n"));
        QTRY_VERIFY(write.isDone());
        process.reset();
        const auto ending = [&marker] {
            QFile file(marker);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_COMPARE(ending(), QByteArray("eof\n"));
    }

    // The way out: the child gets its end of input and a bounded time to end by
    // itself, then is asked to terminate, and only then killed. Its end is not
    // reported, so nothing relaunches it.
    void stopEndsTheChildStepByStep_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<HelperProcess::Stop::Way>("way");
        QTest::addColumn<Termination>("termination");
        QTest::newRow("ends with its input") << "while read line; do :; done; exit 0"
                                             << HelperProcess::Stop::Way::byItself << Termination::clean();
        QTest::newRow("ignores its input") << "exec sleep 30" << HelperProcess::Stop::Way::terminated
                                           << Termination::crash(15, "signal 15");
        QTest::newRow("ignores terminate")
            << "trap '' TERM; while :; do sleep 0.05; done" << HelperProcess::Stop::Way::killed
            << Termination::crash(9, "signal 9");
    }
    void stopEndsTheChildStepByStep()
    {
        QFETCH(QString, script);
        QFETCH(HelperProcess::Stop::Way, way);
        QFETCH(Termination, termination);

        auto process = shellChild(script);
        Recorder recorder;
        QVERIFY(recorder.start(*process));
        test::TaskProbe<void> write(process->write("hello\n"));
        QTRY_VERIFY(write.isDone());
        const auto stop = process->stop(std::chrono::milliseconds(300), std::chrono::milliseconds(300));
        QVERIFY(stop);
        QCOMPARE(stop->way, way);
        QCOMPARE(stop->termination, termination);
        QVERIFY(!process->isRunning());
        QCoreApplication::processEvents();
        QVERIFY(!recorder.termination);
        QCOMPARE(process->stop(std::chrono::milliseconds(0), std::chrono::milliseconds(0)), std::nullopt);
    }

    // A write still on its way when the process is released fails; it is not
    // left waiting for bytes that will never be counted.
    void releasedWithAWriteOnItsWay()
    {
        auto process = shellChild("sleep 5");
        Recorder recorder;
        QVERIFY(recorder.start(*process));
        test::TaskProbe<void> write(process->write(QByteArray(1 << 20, 'x')));
        QCoreApplication::processEvents();
        QVERIFY(!write.isDone());
        process.reset();
        QTRY_VERIFY(write.isDone());
        QCOMPARE(write.error<HelperError>(), HelperError::helperUnavailable());
    }

    // Crash stamps at these offsets (ms) and what each registration returns.
    void crashBookkeeping_data()
    {
        QTest::addColumn<QList<int>>("offsets");
        QTest::addColumn<QList<bool>>("results");
        QTest::newRow("five within 10 s")
            << QList<int> { 0, 100, 200, 300, 400 } << QList<bool> { true, true, true, true, true };
        QTest::newRow("sixth within 10 s gives up, and so does the seventh") << QList<int> { 0, 1000, 2000,
            3000, 4000, 9999, 9999 } << QList<bool> { true, true, true, true, true, false, false };
        QTest::newRow("exactly 10 s apart still counts") << QList<int> { 0, 2000, 4000, 6000, 8000,
            10000 } << QList<bool> { true, true, true, true, true, false };
        QTest::newRow("oldest stamp leaves the window") << QList<int> { 0, 2000, 4000, 6000, 8000, 10001 }
                                                        << QList<bool> { true, true, true, true, true, true };
        QTest::newRow("window slides after giving up") << QList<int> { 0, 1, 2, 3, 4, 5, 9000,
            10003 } << QList<bool> { true, true, true, true, true, false, false, true };
    }
    void crashBookkeeping()
    {
        QFETCH(QList<int>, offsets);
        QFETCH(QList<bool>, results);
        test::ManualClock clock;
        HelperProcess process("/bin/true", {}, clock);
        int at = 0;
        QList<bool> got;
        test::LogCapture log;
        for (int offset : offsets) {
            clock.advance(std::chrono::milliseconds(offset - at));
            at = offset;
            got.append(process.registerCrashAndShouldRestart());
        }
        QCOMPARE(got, results);
        const qsizetype refusals = got.count(false);
        const QStringList faults = log.texts(".helper", QtCriticalMsg);
        QCOMPARE(faults.size(), refusals);
        if (refusals > 0)
            QCOMPARE(faults.first(), QString("helper crashed 6 times in 10s; giving up"));
    }

    void backoffDoublesUpToFourSeconds()
    {
        HelperProcess process("/bin/true", {});
        QList<double> delays;
        for (int i = 0; i < 6; ++i)
            delays.append(process.nextBackoffDelay());
        QCOMPARE(delays, (QList<double> { 0.25, 0.5, 1, 2, 4, 4 }));
    }

    // The back-off starts over once the helper ran 30 s or more before crashing.
    void backoffResetsAfterAHealthyRun_data()
    {
        QTest::addColumn<bool>("launched");
        QTest::addColumn<int>("runMs");
        QTest::addColumn<double>("backoff");
        QTest::newRow("30 s") << true << 30000 << 0.25;
        QTest::newRow("just under 30 s") << true << 29999 << 4.0;
        QTest::newRow("never launched") << false << 60000 << 4.0;
    }
    void backoffResetsAfterAHealthyRun()
    {
        QFETCH(bool, launched);
        QFETCH(int, runMs);
        QFETCH(double, backoff);
        test::ManualClock clock;
        auto process = shellChild("exit 3", clock);
        for (int i = 0; i < 4; ++i)
            process->nextBackoffDelay();
        QCOMPARE(process->currentBackoff(), 4.0);
        if (launched) {
            Recorder recorder;
            QVERIFY(recorder.start(*process));
            QTRY_VERIFY(recorder.termination);
        }
        clock.advance(std::chrono::milliseconds(runMs));
        QVERIFY(process->registerCrashAndShouldRestart());
        QCOMPARE(process->currentBackoff(), backoff);
    }
};

QTEST_GUILESS_MAIN(TestHelperProcess)
#include "tst_helperprocess.moc"
