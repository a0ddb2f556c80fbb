#include "Support/MockHelperClient.h"
#include "Support/SampleData.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/ResultRecords.h"

#include <QtTest>

using namespace mivo;

namespace {

JSONValue json(const char* text)
{
    return JSONValue::fromJson(parseJsonLine(QByteArrayView(text)));
}

const QString kMismatchPrefix
    = QStringLiteral("Could not understand a message from the helper: mock result mismatch for ");

std::optional<HelperEvent> next(HelperEventStream& stream)
{
    return QCoro::waitFor(stream.next());
}

bool isReady(const std::optional<HelperEvent>& event)
{
    return event && std::holds_alternative<HelperEvent::HelperReady>(event->value);
}

} // namespace

class TestMockHelperClient : public QObject {
    Q_OBJECT

private slots:
    void cannedResultsDecodeAsRequested()
    {
        MockHelperClient client({ { Method::getPlaylistTracks, SampleData::previewTracksResult() },
            { Method::getConfig, json(R"({"config": null})") } });

        const QList<PreviewTrackDTO> rows = QCoro::waitFor(client.getPlaylistTracks(
            PlaylistSourceId::spotify, SampleData::playlistId(), QStringLiteral("Late Night Drive")));

        QCOMPARE(rows, SampleData::previewTracks());
        QCOMPARE(client.sent(),
            QList { Request::getPlaylistTracks(
                PlaylistSourceId::spotify, SampleData::playlistId(), QStringLiteral("Late Night Drive")) });
    }

    void mismatchNamesTheMethod_data()
    {
        QTest::addColumn<Method>("method");
        QTest::addColumn<std::optional<JSONValue>>("canned");

        QTest::newRow("no canned result for data") << Method::getConfig << std::optional<JSONValue>();
        QTest::newRow("canned JSON null") << Method::getConfig << std::optional(json("null"));
        QTest::newRow("canned result of the wrong shape")
            << Method::runDoctor << std::optional(json(R"({"checks": 3})"));
    }
    void mismatchNamesTheMethod()
    {
        QFETCH(Method, method);
        QFETCH(std::optional<JSONValue>, canned);
        QMap<Method, JSONValue> responses;
        if (canned)
            responses.insert(method, *canned);
        MockHelperClient client(responses);

        std::optional<HelperError> error;
        if (method == Method::getConfig) {
            test::TaskProbe<ConfigResult> probe(client.request<ConfigResult>(Request::getConfig()));
            QTRY_VERIFY(probe.isDone());
            error = probe.error<HelperError>();
        } else {
            test::TaskProbe<DoctorResult> probe(client.request<DoctorResult>(Request::runDoctor()));
            QTRY_VERIFY(probe.isDone());
            error = probe.error<HelperError>();
        }
        QVERIFY(error);
        QCOMPARE(error->kind(), HelperError::Kind::decodeFailure);
        const QString text = error->userText();
        QVERIFY2(
            text.startsWith(kMismatchPrefix + rawString(method) + QStringLiteral(": ")), qPrintable(text));
        QVERIFY(text.size() > kMismatchPrefix.size() + rawString(method).size() + 2); // the reason follows
    }

    void writesSucceedWithoutACannedResult()
    {
        MockHelperClient client;
        QCoro::waitFor(client.send(
            Request::trashOrphans({ QStringLiteral("/music/old.mp3") }), std::chrono::seconds(15)));
        QCoro::waitFor(client.notify(Request::cancelSync(QStringLiteral("run-1"))));
        QCoro::waitFor(client.send(Request::connectSpotify(), std::chrono::seconds(300)));

        QCOMPARE(client.sent(),
            QList({ Request::trashOrphans({ QStringLiteral("/music/old.mp3") }),
                Request::cancelSync(QStringLiteral("run-1")), Request::connectSpotify() }));
    }

    void playsTheScript_data()
    {
        QTest::addColumn<bool>("finishing");
        QTest::newRow("finishing") << true;
        QTest::newRow("left open") << false;
    }
    void playsTheScript()
    {
        QFETCH(bool, finishing);
        const QList<HelperEvent> script = SampleData::syncScript();
        MockHelperClient client({}, script);

        client.play(finishing);

        QVERIFY(isReady(next(client.events())));
        for (const HelperEvent& expected : script) {
            const std::optional<HelperEvent> event = next(client.events());
            QVERIFY(event);
            QVERIFY(std::holds_alternative<HelperEvent::Server>(event->value));
            QCOMPARE(std::get<HelperEvent::Server>(event->value).event,
                std::get<HelperEvent::Server>(expected.value).event);
        }
        QCOMPARE(client.events().isFinished(), finishing);
        if (!finishing) {
            client.emitEvent(HelperEvent { HelperEvent::HelperReady {} });
            QVERIFY(isReady(next(client.events())));
            client.finish();
        }
        QCOMPARE(next(client.events()), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestMockHelperClient)
#include "tst_mockhelperclient.moc"
