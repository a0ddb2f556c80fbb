#include "State/ToolProvisioningStore.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"

#include <QSignalSpy>
#include <QtTest>
#include <limits>
#include <memory>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;
using StorePhase = ToolProvisioningStore::Phase;

namespace {

// One toolProgress event as the application model hands it on.
struct Progress {
    QString tool;
    ToolPhase phase;
    std::optional<double> percent;
    std::optional<QString> detail;
};

using Rows = QList<ToolProgress>;
using Events = QList<Progress>;

ToolProgress row(const QString& id, ToolPhase phase, std::optional<double> percent = std::nullopt,
    std::optional<QString> detail = std::nullopt)
{
    return ToolProgress { id, id, percent, phase, std::move(detail) };
}

const Rows kSeed = { row("yt-dlp", ToolPhase::download), row("ffmpeg", ToolPhase::download) };
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

void apply(ToolProvisioningStore& store, const Events& events)
{
    for (const Progress& event : events)
        store.apply(event.tool, event.phase, event.percent, event.detail);
}

} // namespace

Q_DECLARE_METATYPE(Events)
Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(mivo::ToolProvisioningStore::Phase)

class TestToolProvisioningStore : public QObject {
    Q_OBJECT

private slots:
    void startsIdleWithTheSeedRows()
    {
        ScriptedHelperClient client;
        ToolProvisioningStore store(client);
        QCOMPARE(store.phase(), StorePhase::idle);
        QCOMPARE(store.tools(), kSeed);
        QCOMPARE(store.lastError(), std::nullopt);
        QCOMPARE(store.lastLog(), std::nullopt);
        QVERIFY(client.sent().isEmpty());
    }

    // Progress events move the rows; numbers that are no percentage are not shown.
    void progressEvents_data()
    {
        QTest::addColumn<Events>("events");
        QTest::addColumn<Rows>("rows");

        QTest::newRow("first report")
            << Events { { "yt-dlp", ToolPhase::download, 12.5, "1.2 MB of 10 MB" } }
            << Rows { row("yt-dlp", ToolPhase::download, 12.5, "1.2 MB of 10 MB"), kSeed[1] };
        QTest::newRow("absent percent and detail keep the last ones")
            << Events { { "ffmpeg", ToolPhase::download, 80, "downloading" },
                   { "ffmpeg", ToolPhase::verify, std::nullopt, std::nullopt } }
            << Rows { kSeed[0], row("ffmpeg", ToolPhase::verify, 80, "downloading") };
        QTest::newRow("a tool without a row")
            << Events { { "aria2c", ToolPhase::install, 50, "x" } } << kSeed;
        QTest::newRow("tool names match exactly")
            << Events { { "FFmpeg", ToolPhase::done, 100, {} } } << kSeed;
        QTest::newRow("not a number") << Events { { "yt-dlp", ToolPhase::download, 30, {} },
            { "yt-dlp", ToolPhase::install, kNaN, {} } }
                                      << Rows { row("yt-dlp", ToolPhase::install, 30), kSeed[1] };
        QTest::newRow("infinite") << Events { { "yt-dlp", ToolPhase::download, 30, {} },
            { "yt-dlp", ToolPhase::download, kInfinity, {} },
            { "yt-dlp", ToolPhase::download, -kInfinity, {} } }
                                  << Rows { row("yt-dlp", ToolPhase::download, 30), kSeed[1] };
        QTest::newRow("beyond the ends") << Events {
            { "yt-dlp", ToolPhase::download, 140, {} }, { "ffmpeg", ToolPhase::download, -3, {} }
        } << Rows { row("yt-dlp", ToolPhase::download, 100), row("ffmpeg", ToolPhase::download, 0) };
        QTest::newRow("an error row")
            << Events { { "ffmpeg", ToolPhase::error, std::nullopt, "checksum mismatch" } }
            << Rows { kSeed[0], row("ffmpeg", ToolPhase::error, std::nullopt, "checksum mismatch") };
    }

    void progressEvents()
    {
        QFETCH(Events, events);
        QFETCH(Rows, rows);

        ScriptedHelperClient client;
        ToolProvisioningStore store(client);
        QSignalSpy changed(&store, &ToolProvisioningStore::toolsChanged);
        apply(store, events);
        QCOMPARE(store.tools(), rows);
        QCOMPARE(store.toolsModel()->rows(), rows);
        QCOMPARE(changed.isEmpty(), rows == kSeed);
    }

    // The helper's answer decides rows, phase and error text; events that came
    // before it keep whatever the answer does not name.
    void provisionOutcome_data()
    {
        QTest::addColumn<Events>("events");
        QTest::addColumn<Outcome>("answer");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<StorePhase>("phase");
        QTest::addColumn<std::optional<QString>>("lastError");

        const Events someProgress = { { "yt-dlp", ToolPhase::install, 70, "installing" },
            { "ffmpeg", ToolPhase::download, 40, "4 MB of 10 MB" } };

        QTest::newRow("both ready") << someProgress << Outcome::result(R"({"ok": true, "tools": [
                {"id": "yt-dlp", "name": "yt-dlp", "status": "ok", "detail": "2024.08.06"},
                {"id": "ffmpeg", "name": "ffmpeg", "status": "ok", "detail": "6.1"}]})")
                                    << Rows { row("yt-dlp", ToolPhase::done, 100, "2024.08.06"),
                                           row("ffmpeg", ToolPhase::done, 100, "6.1") }
                                    << StorePhase::ready << std::optional<QString>();
        QTest::newRow("overall ok although one tool failed")
            << someProgress << Outcome::result(R"({"ok": true, "tools": [
                {"id": "yt-dlp", "name": "yt-dlp", "status": "ok", "detail": "ready"},
                {"id": "ffmpeg", "name": "ffmpeg", "status": "failed", "detail": "disk full"}]})")
            << Rows { row("yt-dlp", ToolPhase::done, 100, "ready"),
                   row("ffmpeg", ToolPhase::error, 40, "disk full") }
            << StorePhase::ready << std::optional<QString>();
        QTest::newRow("first failure in answer order explains")
            << Events {} << Outcome::result(R"({"ok": false, "tools": [
                {"id": "ffmpeg", "name": "ffmpeg", "status": "failed", "detail": "no space left"},
                {"id": "yt-dlp", "name": "yt-dlp", "status": "failed", "detail": "offline"}]})")
            << Rows { row("yt-dlp", ToolPhase::error, std::nullopt, "offline"),
                   row("ffmpeg", ToolPhase::error, std::nullopt, "no space left") }
            << StorePhase::failed << std::optional<QString>("no space left");
        QTest::newRow("status words match exactly")
            << Events {} << Outcome::result(R"({"ok": false, "tools": [
                {"id": "yt-dlp", "name": "yt-dlp", "status": "OK", "detail": "shouted"}]})")
            << Rows { row("yt-dlp", ToolPhase::error, std::nullopt, "shouted"), kSeed[1] }
            << StorePhase::failed << std::optional<QString>("shouted");
        QTest::newRow("failure with an empty detail")
            << Events {} << Outcome::result(R"({"ok": false, "tools": [
                {"id": "yt-dlp", "name": "yt-dlp", "status": "ok", "detail": "ready"},
                {"id": "ffmpeg", "name": "ffmpeg", "status": "failed", "detail": ""}]})")
            << Rows { row("yt-dlp", ToolPhase::done, 100, "ready"),
                   row("ffmpeg", ToolPhase::error, std::nullopt, "") }
            << StorePhase::failed << std::optional<QString>("");
        QTest::newRow("not ok, yet every tool ok")
            << Events {} << Outcome::result(R"({"ok": false, "tools": [
                {"id": "yt-dlp", "name": "yt-dlp", "status": "ok", "detail": "ready"}]})")
            << Rows { row("yt-dlp", ToolPhase::done, 100, "ready"), kSeed[1] } << StorePhase::failed
            << std::optional<QString>("Some required tools could not be installed.");
        QTest::newRow("not ok without tools")
            << someProgress << Outcome::result(R"({"ok": false, "tools": []})")
            << Rows { row("yt-dlp", ToolPhase::install, 70, "installing"),
                   row("ffmpeg", ToolPhase::download, 40, "4 MB of 10 MB") }
            << StorePhase::failed << std::optional<QString>("Some required tools could not be installed.");
        QTest::newRow("unknown tools are skipped")
            << Events {} << Outcome::result(R"({"ok": true, "tools": [
                {"id": "aria2c", "name": "aria2c", "status": "failed", "detail": "not needed"},
                {"id": "ffmpeg", "name": "ffmpeg", "status": "ok", "detail": "6.1"}]})")
            << Rows { kSeed[0], row("ffmpeg", ToolPhase::done, 100, "6.1") } << StorePhase::ready
            << std::optional<QString>();
        QTest::newRow("engine error")
            << someProgress << Outcome::engineError("tool_install_failed", "The download server refused.")
            << Rows { row("yt-dlp", ToolPhase::install, 70, "installing"),
                   row("ffmpeg", ToolPhase::download, 40, "4 MB of 10 MB") }
            << StorePhase::failed << std::optional<QString>("The download server refused.");
        QTest::newRow("time-out") << Events {} << Outcome::timeout() << kSeed << StorePhase::failed
                                  << std::optional<QString>("The request to the helper timed out.");
        QTest::newRow("helper crashed") << Events {} << Outcome::crash() << kSeed << StorePhase::failed
                                        << std::optional<QString>("The mivo helper stopped unexpectedly.");
        QTest::newRow("answer that does not decode")
            << Events {} << Outcome::result(R"({"tools": []})") << kSeed << StorePhase::failed
            << std::optional<QString>("Could not understand a message from the helper: ");
    }

    void provisionOutcome()
    {
        QFETCH(Events, events);
        QFETCH(Outcome, answer);
        QFETCH(Rows, rows);
        QFETCH(StorePhase, phase);
        QFETCH(std::optional<QString>, lastError);

        ScriptedHelperClient client;
        ToolProvisioningStore store(client);
        client.enqueue(Method::provisionTools, answer);
        client.setHoldReplies(true);

        test::TaskProbe<void> provisioning(store.provision());
        QCOMPARE(store.phase(), StorePhase::running);
        QVERIFY(!store.isReady());
        apply(store, events);
        client.release();
        QTRY_VERIFY(provisioning.isDone());

        QCOMPARE(store.tools(), rows);
        QCOMPARE(store.phase(), phase);
        QCOMPARE(store.isReady(), phase == StorePhase::ready);
        // A decode failure's text goes on with the decoder's reason.
        if (lastError && lastError->endsWith(QLatin1String(": ")))
            QVERIFY2(store.lastError() && store.lastError()->startsWith(*lastError),
                qPrintable(*store.lastError()));
        else
            QCOMPARE(store.lastError(), lastError);
        QCOMPARE(client.sent().size(), 1);
        QCOMPARE(client.sent()[0].request, Request::provisionTools());
        QCOMPARE(client.sent()[0].timeout, std::optional(std::chrono::milliseconds(600'000)));
    }

    // Trying again starts from scratch: seed rows, no error, no log line.
    void retryStartsOver()
    {
        ScriptedHelperClient client;
        ToolProvisioningStore store(client);
        client.enqueue(Method::provisionTools, Outcome::result(R"({"ok": false, "tools": [
            {"id": "ffmpeg", "name": "ffmpeg", "status": "failed", "detail": "offline"}]})"));
        QCoro::waitFor(store.provision());
        QCOMPARE(store.phase(), StorePhase::failed);

        client.enqueue(Method::provisionTools, Outcome::result(R"({"ok": true, "tools": []})"));
        client.setHoldReplies(true);
        test::TaskProbe<void> retry(store.retry());
        QCOMPARE(store.phase(), StorePhase::running);
        QCOMPARE(store.tools(), kSeed);
        QCOMPARE(store.lastError(), std::nullopt);
        client.release();
        QTRY_VERIFY(retry.isDone());
        QCOMPARE(store.phase(), StorePhase::ready);
        QCOMPARE(store.lastError(), std::nullopt);
    }

    // Log lines are kept only while provisioning runs, whatever else happens.
    void logLinesOnlyWhileRunning()
    {
        ScriptedHelperClient client;
        ToolProvisioningStore store(client);
        QSignalSpy logChanged(&store, &ToolProvisioningStore::lastLogChanged);
        store.note(QStringLiteral("before anything"));
        QCOMPARE(store.lastLog(), std::nullopt);

        client.enqueue(
            Method::provisionTools, { Outcome::timeout(), Outcome::result(R"({"ok": true, "tools": []})") });
        client.setHoldReplies(true);
        test::TaskProbe<void> first(store.provision());
        store.note(QStringLiteral("fetching yt-dlp"));
        store.note(QStringLiteral("fetching ffmpeg"));
        QCOMPARE(store.lastLog(), QStringLiteral("fetching ffmpeg"));
        client.release();
        QTRY_VERIFY(first.isDone());
        QCOMPARE(store.phase(), StorePhase::failed);
        store.note(QStringLiteral("after the failure"));
        QCOMPARE(store.lastLog(), QStringLiteral("fetching ffmpeg"));

        test::TaskProbe<void> second(store.provision());
        QCOMPARE(store.lastLog(), std::nullopt);
        client.release();
        QTRY_VERIFY(second.isDone());
        store.note(QStringLiteral("after success"));
        QCOMPARE(store.lastLog(), std::nullopt);
        QCOMPARE(logChanged.count(), 3);
    }

    // An attempt that a newer one replaced must not overwrite it when its
    // answer comes last.
    void supersededAnswerIsDropped()
    {
        ScriptedHelperClient client;
        ToolProvisioningStore store(client);
        client.enqueue(
            Method::provisionTools, { Outcome::timeout(), Outcome::result(R"({"ok": true, "tools": [
                {"id": "yt-dlp", "name": "yt-dlp", "status": "ok", "detail": "ready"},
                {"id": "ffmpeg", "name": "ffmpeg", "status": "ok", "detail": "ready"}]})") });

        client.setHoldReplies(true);
        test::TaskProbe<void> older(store.provision());
        client.setHoldReplies(false);
        test::TaskProbe<void> newer(store.provision());
        QTRY_VERIFY(newer.isDone());
        QCOMPARE(store.phase(), StorePhase::ready);

        client.release();
        QTRY_VERIFY(older.isDone());
        QCOMPARE(store.phase(), StorePhase::ready);
        QCOMPARE(store.lastError(), std::nullopt);
        QCOMPARE(store.tools(),
            (Rows { row("yt-dlp", ToolPhase::done, 100, "ready"),
                row("ffmpeg", ToolPhase::done, 100, "ready") }));
    }

    void storeGoneBeforeTheAnswer()
    {
        ScriptedHelperClient client;
        auto store = std::make_unique<ToolProvisioningStore>(client);
        client.enqueue(Method::provisionTools, Outcome::result(R"({"ok": true, "tools": []})"));
        client.setHoldReplies(true);
        test::TaskProbe<void> provisioning(store->provision());
        store.reset();
        client.release();
        QTRY_VERIFY(provisioning.isDone());
        QVERIFY(!provisioning.failed());
    }

    void clientGone()
    {
        auto client = std::make_unique<ScriptedHelperClient>();
        ToolProvisioningStore store(*client);
        client.reset();
        QCoro::waitFor(store.provision());
        QCOMPARE(store.phase(), StorePhase::failed);
        QCOMPARE(store.lastError(), QStringLiteral("The mivo helper is not available."));
    }

    // A view's model announces just the row that changed.
    void modelAnnouncesChangedRows()
    {
        ScriptedHelperClient client;
        ToolProvisioningStore store(client);
        ToolProgressModel* model = store.toolsModel();
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->data(model->index(1), Qt::DisplayRole).toString(), QStringLiteral("ffmpeg"));
        QVERIFY(!model->data(model->index(1), ToolProgressModel::PercentRole).isValid());

        QSignalSpy dataChanged(model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(model, &QAbstractItemModel::modelReset);
        store.apply(QStringLiteral("ffmpeg"), ToolPhase::verify, 55, QStringLiteral("checking"));
        store.apply(QStringLiteral("ffmpeg"), ToolPhase::verify, 55, QStringLiteral("checking"));
        QCOMPARE(dataChanged.count(), 1);
        QCOMPARE(dataChanged[0][0].value<QModelIndex>().row(), 1);
        QCOMPARE(dataChanged[0][1].value<QModelIndex>().row(), 1);
        QCOMPARE(model->data(model->index(1), ToolProgressModel::PercentRole).toDouble(), 55.0);
        QCOMPARE(
            model->data(model->index(1), ToolProgressModel::PhaseRole).value<ToolPhase>(), ToolPhase::verify);
        QCOMPARE(model->data(model->index(1), ToolProgressModel::DetailRole).toString(),
            QStringLiteral("checking"));

        // Starting over updates that row in place.
        client.enqueue(Method::provisionTools, Outcome::timeout());
        QCoro::waitFor(store.provision());
        QCOMPARE(dataChanged.count(), 2);
        QCOMPARE(dataChanged[1][0].value<QModelIndex>().row(), 1);
        QCOMPARE(reset.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestToolProvisioningStore)
#include "tst_toolprovisioningstore.moc"
