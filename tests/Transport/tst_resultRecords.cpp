#include "TestSupport/WireTesting.h"
#include "Transport/ResultRecords.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

namespace {

const auto kAnyRecord = [](const QVariant& variant, auto&& check) {
    withRecord<PreviewTracksResult, ConfigResult, ListPlaylistsResult, OrphansResult, DoctorCheck,
        DoctorResult, TestProxyResult, ProxyInfoResult, QList<PreviewTrackDTO>, QList<PlaylistDTO>>(
        variant, check);
};

const PreviewTrackDTO kPreviewRow { "pl#0", "Title", "Artist", std::nullopt, 245.5, ArtworkRef::none(),
    OnDisk::present, TrackMeta { QStringLiteral("mp3"), QStringLiteral("320"), std::nullopt } };
const char* const kPreviewRowLine
    = "{'id':'pl#0','title':'Title','artist':'Artist','durationSec':245.5,"
      "'artwork':{'kind':'none'},'onDisk':'present','meta':{'format':'mp3','bitrate':'320'}}";

const PlaylistDTO kPlaylist { "p1", PlaylistSourceId::spotify, "Set", false, std::nullopt, 12,
    ArtworkRef::none() };
const char* const kPlaylistLine = "{'id':'p1','source':'spotify','name':'Set','isFolder':false,'trackCount':"
                                  "12,'artwork':{'kind':'none'}}";

// Why the result does not decode as T; empty when it does.
template <typename T> QString failureOf(const JSONValue& result)
{
    try {
        decodeValue<T>(result);
    } catch (const DecodeError& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

} // namespace

class TestResultRecords : public QObject {
    Q_OBJECT

private slots:
    // Hand-written result lines decode to the value, also when they first pass
    // through a reply's free-form result (where every number is a double, or
    // which holds the parsed value as it came), and
    // the value encodes back to the same text.
    void roundTripsExactly_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("preview tracks") << jsonLine("{'tracks':[") + jsonLine(kPreviewRowLine) + "]}"
                                        << record(PreviewTracksResult { { kPreviewRow } });
        QTest::newRow("preview tracks, bare list")
            << "[" + jsonLine(kPreviewRowLine) + "]" << record(QList<PreviewTrackDTO> { kPreviewRow });
        QTest::newRow("playlists") << jsonLine("{'playlists':[") + jsonLine(kPlaylistLine) + "]}"
                                   << record(ListPlaylistsResult { { kPlaylist } });
        QTest::newRow("playlists, bare list")
            << "[" + jsonLine(kPlaylistLine) + "]" << record(QList<PlaylistDTO> { kPlaylist });
        QTest::newRow("playlists, none") << jsonLine("{'playlists':[]}") << record(ListPlaylistsResult {});
        QTest::newRow("orphans") << jsonLine(
            "{'paths':['/home/dj/Music/Imports/Old Song.mp3','/home/dj/Music/Imports/Ärger.flac']}")
                                 << record(OrphansResult { { "/home/dj/Music/Imports/Old Song.mp3",
                                        QStringLiteral("/home/dj/Music/Imports/Ärger.flac") } });
        QTest::newRow("doctor") << jsonLine(
            "{'checks':[{'id':'ffmpeg','title':'FFmpeg','status':'ok','detail':'found','fixable':false},"
            "{'id':'outputDir','status':'error'}]}")
                                << record(DoctorResult { { DoctorCheck { "ffmpeg", QStringLiteral("FFmpeg"),
                                                               "ok", QStringLiteral("found"), false },
                                       DoctorCheck { "outputDir", std::nullopt, "error" } } });
        QTest::newRow("proxy test, ok") << jsonLine("{'ok':true}") << record(TestProxyResult { true });
        QTest::newRow("proxy test, failed with detail")
            << jsonLine("{'ok':false,'detail':'handshake timed out'}")
            << record(TestProxyResult { false, QStringLiteral("handshake timed out") });
        QTest::newRow("proxy info") << jsonLine("{'ok':true,'nodeCount':12}")
                                    << record(ProxyInfoResult { true, 12 });
    }
    void roundTripsExactly()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, value);
        kAnyRecord(value, [&](const auto& expected) {
            using T = std::decay_t<decltype(expected)>;
            verifyDecodes(line, expected);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(decodeValue<T>(JSONValue::fromJson(parseJsonLine(line))), expected);
            QCOMPARE(decodeValue<T>(JSONValue::adopt(parseJsonLine(line))), expected);
            verifyEncodes(expected, line);
        });
    }

    // A result is read as its wrapper object first and as the bare value after
    // that fails; each shape must fail as the other.
    void rejectsMalformed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("type");

        QTest::newRow("bare list as wrapper")
            << "[" + jsonLine(kPreviewRowLine) + "]" << record(PreviewTracksResult {});
        QTest::newRow("wrapper as bare list")
            << jsonLine("{'tracks':[]}") << record(QList<PreviewTrackDTO> {});
        QTest::newRow("tracks null") << jsonLine("{'tracks':null}") << record(PreviewTracksResult {});
        QTest::newRow("null as preview tracks") << jsonLine("null") << record(PreviewTracksResult {});
        QTest::newRow("one malformed track fails all") << jsonLine("{'tracks':[") + jsonLine(kPreviewRowLine)
                + jsonLine(",{'id':'x'}]}") << record(PreviewTracksResult {});
        QTest::newRow("bare configuration as wrapper")
            << jsonLine("{'sources':[]}") << record(ConfigResult {});
        QTest::newRow("orphan path as number") << jsonLine("{'paths':['/a',2]}") << record(OrphansResult {});
        QTest::newRow("doctor fixable as text")
            << jsonLine("{'checks':[{'id':'a','status':'ok','fixable':'yes'}]}") << record(DoctorResult {});
        QTest::newRow("doctor check without status") << jsonLine("{'id':'a'}") << record(DoctorCheck {});
        QTest::newRow("proxy test without ok") << jsonLine("{'detail':'x'}") << record(TestProxyResult {});
        QTest::newRow("proxy node count 12.5")
            << jsonLine("{'ok':true,'nodeCount':12.5}") << record(ProxyInfoResult {});
        QTest::newRow("proxy node count as text")
            << jsonLine("{'ok':true,'nodeCount':'12'}") << record(ProxyInfoResult {});
    }
    void rejectsMalformed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, type);
        kAnyRecord(type, [&](const auto& marker) {
            using T = std::decay_t<decltype(marker)>;
            verifyRejects<T>(line);
            // A result taken over from the parser fails for the same reason as a converted one.
            QCOMPARE(failureOf<T>(JSONValue::adopt(parseJsonLine(line))),
                failureOf<T>(JSONValue::fromJson(parseJsonLine(line))));
        });
    }

    // A result that is ignored is accepted whatever it holds, an absent one too.
    void emptyResultAcceptsAnything_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("null") << QByteArray("null");
        QTest::newRow("number") << QByteArray("1");
        QTest::newRow("string") << QByteArray("\"done\"");
        QTest::newRow("array") << QByteArray("[1,[2]]");
        QTest::newRow("object") << jsonLine("{'ok':true}");
    }
    void emptyResultAcceptsAnything()
    {
        QFETCH(QByteArray, line);
        QCOMPARE(decodeValue<EmptyResult>(parseJsonLine(line)), EmptyResult {});
        QCOMPARE(decodeValue<EmptyResult>(JSONValue::fromJson(parseJsonLine(line))), EmptyResult {});
    }

    void freeFormResultThatJsonCannotCarry()
    {
        const JSONValue result(JSONValue::Object { { "ok", true }, { "nodeCount", qInf() } });
        QVERIFY_THROWS_EXCEPTION(DecodeError, decodeValue<ProxyInfoResult>(result));
    }

    void typeNames()
    {
        QCOMPARE(wireTypeName<PreviewTracksResult>(), "PreviewTracksResult");
        QCOMPARE(wireTypeName<QList<PreviewTrackDTO>>(), "Array<PreviewTrackDTO>");
        QCOMPARE(wireTypeName<SafeConfig::Quality>(), "Quality");
        QCOMPARE(wireTypeName<QList<QString>>(), "Array<String>");
    }
};

QTEST_GUILESS_MAIN(TestResultRecords)
#include "tst_resultRecords.moc"
