#include "TestSupport/WireTesting.h"
#include "Transport/ServerEvent.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

Q_DECLARE_METATYPE(mivo::ServerEvent)

namespace {

using SE = ServerEvent;

ServerEvent serverEvent(SE::Value value)
{
    return ServerEvent { std::move(value) };
}

const TrackDTO kTrack { "pl#0", "Title", "Artist", QStringLiteral("Album"), 200.5, ArtworkRef::none() };
const char* const kTrackLine = "{'id':'pl#0','title':'Title','artist':'Artist','album':'Album','durationSec':"
                               "200.5,'artwork':{'kind':'none'}}";

} // namespace

class TestServerEvent : public QObject {
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<ServerEvent>("expected");

        QTest::newRow("syncStarted") << jsonLine("{'event':'syncStarted','correlationId':'c1',"
                                                 "'data':{'runId':'run-1','totalPlaylists':3}}")
                                     << serverEvent(SE::SyncStarted { "c1", "run-1", 3 });
        QTest::newRow("playlistStarted")
            << jsonLine("{'event':'playlistStarted','correlationId':'c1','data':{'playlistId':'pl','index':0,"
                        "'name':'Peak Time','tracks':[")
                + jsonLine(kTrackLine) + "]}}"
            << serverEvent(SE::PlaylistStarted { "c1", "pl", 0, "Peak Time", { kTrack } });
        QTest::newRow("trackStarted")
            << jsonLine("{'event':'trackStarted','correlationId':'c1',"
                        "'data':{'trackId':'pl#0','index':0,'label':'Artist — Title'}}")
            << serverEvent(SE::TrackStarted { "c1", "pl#0", 0, QStringLiteral("Artist — Title") });
        QTest::newRow("diskCheck with meta")
            << jsonLine(
                   "{'event':'diskCheck','correlationId':'c1','data':{'trackId':'pl#0','result':'present',"
                   "'meta':{'format':'FLAC','bitrate':'1411','source':'bandcamp'}}}")
            << serverEvent(SE::DiskCheck { "c1", "pl#0", DiskCheckResult::present,
                   TrackMeta {
                       QStringLiteral("FLAC"), QStringLiteral("1411"), QStringLiteral("bandcamp") } });
        QTest::newRow("diskCheck broken")
            << jsonLine(
                   "{'event':'diskCheck','correlationId':'c1','data':{'trackId':'pl#0','result':'broken'}}")
            << serverEvent(SE::DiskCheck { "c1", "pl#0", DiskCheckResult::broken });
        QTest::newRow("step") << jsonLine(
            "{'event':'step','correlationId':'c1',"
            "'data':{'trackId':'pl#0','phase':'converting','detail':'to AIFF'}}")
                              << serverEvent(
                                     SE::Step { "c1", "pl#0", Phase::converting, QStringLiteral("to AIFF") });
        QTest::newRow("downloadProgress") << jsonLine(
            "{'event':'downloadProgress','correlationId':'c1','data':{'trackId':'pl#0','percent':42.5,"
            "'sizeText':'8.1 MiB','speedText':'1.2 MiB/s'}}")
                                          << serverEvent(SE::DownloadProgress { "c1", "pl#0", 42.5,
                                                 QStringLiteral("8.1 MiB"), QStringLiteral("1.2 MiB/s") });
        QTest::newRow("downloadProgress whole percent") << jsonLine(
            "{'event':'downloadProgress','correlationId':'c1','data':{'trackId':'pl#0','percent':100}}")
                                                        << serverEvent(
                                                               SE::DownloadProgress { "c1", "pl#0", 100 });
        QTest::newRow("needsReview") << jsonLine(
            "{'event':'needsReview','correlationId':'c1','data':{'trackId':'pl#0','label':'A — T',"
            "'best':{'confidence':0.61,'title':'T (Live)','url':'https://v.example/1'},"
            "'candidates':[{'id':'k1','title':'T (Live)','channel':'Ch','durationSec':199,"
            "'confidence':0.61}]}}")
                                     << serverEvent(SE::NeedsReview { "c1", "pl#0", QStringLiteral("A — T"),
                                            SE::ReviewBest { 0.61, "T (Live)", "https://v.example/1" },
                                            { CandidateDTO { .id = "k1",
                                                .title = "T (Live)",
                                                .channel = "Ch",
                                                .durationSec = 199,
                                                .confidence = 0.61 } } });
        QTest::newRow("needsReview without best or candidates")
            << jsonLine("{'event':'needsReview','correlationId':'c1',"
                        "'data':{'trackId':'pl#0','label':'L','candidates':[]}}")
            << serverEvent(SE::NeedsReview { "c1", "pl#0", "L" });
        QTest::newRow("trackFinished, every key")
            << jsonLine(
                   "{'event':'trackFinished','correlationId':'c1','data':{'trackId':'pl#0','status':'ok',"
                   "'detail':'tagged','kind':'downloaded','meta':{'format':'mp3'}}}")
            << serverEvent(SE::TrackFinished { "c1", "pl#0", Finish::ok, QStringLiteral("tagged"),
                   TrackFinishKind::downloaded, TrackMeta { .format = QStringLiteral("mp3") } });
        QTest::newRow("trackFinished, status only")
            << jsonLine("{'event':'trackFinished','correlationId':'c1',"
                        "'data':{'trackId':'pl#0','status':'low-confidence'}}")
            << serverEvent(SE::TrackFinished { "c1", "pl#0", Finish::lowConfidence });
        QTest::newRow("playlistFinished") << jsonLine(
            "{'event':'playlistFinished','correlationId':'c1','data':{'playlistId':'pl','status':'failed'}}")
                                          << serverEvent(SE::PlaylistFinished { "c1", "pl", Finish::failed });
        QTest::newRow("orphansFound")
            << jsonLine("{'event':'orphansFound','correlationId':'c1',"
                        "'data':{'playlistId':'pl','paths':['/home/dj/Music/x.mp3']}}")
            << serverEvent(SE::OrphansFound { "c1", QStringLiteral("pl"), { "/home/dj/Music/x.mp3" } });
        QTest::newRow("orphansFound without playlist")
            << jsonLine("{'event':'orphansFound','correlationId':'c1','data':{'paths':[]}}")
            << serverEvent(SE::OrphansFound { "c1" });
        QTest::newRow("log with correlation id")
            << jsonLine(
                   "{'event':'log','correlationId':'c1','data':{'level':'warn','message':'slow source'}}")
            << serverEvent(SE::Log { QStringLiteral("c1"), LogLevel::warn, "slow source" });
        QTest::newRow("syncDone") << jsonLine(
            "{'event':'syncDone','correlationId':'c1','data':{'runId':'run-1','summary':{'present':1,"
            "'ok':2,'flagged':3,'failed':4,'skipped':5,'upgraded':6,'removed':7}}}")
                                  << serverEvent(
                                         SE::SyncDone { "c1", "run-1", SyncSummary { 1, 2, 3, 4, 5, 6, 7 } });
        QTest::newRow("toolProgress, every key")
            << jsonLine("{'event':'toolProgress','data':{'tool':'ffmpeg','phase':'download','percent':12.5,"
                        "'detail':'3 of 24 MB'}}")
            << serverEvent(
                   SE::ToolProgress { "ffmpeg", ToolPhase::download, 12.5, QStringLiteral("3 of 24 MB") });
        QTest::newRow("proxyStatus") << jsonLine(
            "{'event':'proxyStatus','data':{'status':'connected','detail':'NL-3'}}")
                                     << serverEvent(SE::ProxyStatus {
                                            ProxyStatusValue::connected, QStringLiteral("NL-3") });
        QTest::newRow("error, every key") << jsonLine(
            "{'event':'error','correlationId':'c1','data':{'scope':'spotify','code':'spotify_auth_expired',"
            "'message':'Sign in again.'}}")
                                          << serverEvent(SE::Error { QStringLiteral("c1"),
                                                 QStringLiteral("spotify"),
                                                 QStringLiteral("spotify_auth_expired"), "Sign in again." });
        QTest::newRow("error, message only") << jsonLine("{'event':'error','data':{'message':'Disk full'}}")
                                             << serverEvent(SE::Error { .message = "Disk full" });
        QTest::newRow("unknown keys everywhere") << jsonLine(
            "{'event':'step','seq':9,'correlationId':'c1','data':{'trackId':'t','phase':'tagging',"
            "'eta':3}}") << serverEvent(SE::Step { "c1", "t", Phase::tagging });
    }
    void decodes()
    {
        QFETCH(QByteArray, line);
        QFETCH(ServerEvent, expected);
        try {
            QCOMPARE(ServerEvent::decode(line), expected);
        } catch (const DecodeError& error) {
            QFAIL(error.what());
        }
    }

    // The run events carry the id as a string, empty when absent; log and error
    // keep it optional; the tool, proxy and unknown events drop it.
    void correlationIds_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<ServerEvent>("expected");

        QTest::newRow("run event without id")
            << jsonLine("{'event':'syncStarted','data':{'runId':'r','totalPlaylists':1}}")
            << serverEvent(SE::SyncStarted { "", "r", 1 });
        QTest::newRow("run event with null id") << jsonLine(
            "{'event':'playlistFinished','correlationId':null,'data':{'playlistId':'p','status':'ok'}}")
                                                << serverEvent(SE::PlaylistFinished { "", "p", Finish::ok });
        QTest::newRow("log without id") << jsonLine("{'event':'log','data':{'level':'debug','message':'m'}}")
                                        << serverEvent(SE::Log { std::nullopt, LogLevel::debug, "m" });
        QTest::newRow("error with id")
            << jsonLine("{'event':'error','correlationId':'c9','data':{'message':'m'}}")
            << serverEvent(SE::Error { .correlationId = QStringLiteral("c9"), .message = "m" });
        QTest::newRow("toolProgress drops id")
            << jsonLine(
                   "{'event':'toolProgress','correlationId':'c1','data':{'tool':'yt-dlp','phase':'verify'}}")
            << serverEvent(SE::ToolProgress { "yt-dlp", ToolPhase::verify });
        QTest::newRow("proxyStatus drops id")
            << jsonLine("{'event':'proxyStatus','correlationId':'c1','data':{'status':'down'}}")
            << serverEvent(SE::ProxyStatus { ProxyStatusValue::down });
    }
    void correlationIds() { decodes(); }

    // Unknown names are delivered with their data as it came, never failing on it.
    void unknownEvents_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<ServerEvent>("expected");

        QTest::newRow("without data")
            << jsonLine("{'event':'heartbeat'}") << serverEvent(SE::Unknown { "heartbeat", JSONValue() });
        QTest::newRow("array data") << jsonLine("{'event':'stats','correlationId':'c1','data':[1,'two']}")
                                    << serverEvent(
                                           SE::Unknown { "stats", JSONValue(JSONValue::Array { 1, "two" }) });
        QTest::newRow("null data") << jsonLine("{'event':'stats','data':null}")
                                   << serverEvent(SE::Unknown { "stats", JSONValue() });
        QTest::newRow("known name in other letter case")
            << jsonLine("{'event':'SyncStarted','data':{'runId':5}}")
            << serverEvent(SE::Unknown { "SyncStarted", JSONValue(JSONValue::Object { { "runId", 5 } }) });
        QTest::newRow("empty name") << jsonLine("{'event':'','data':true}")
                                    << serverEvent(SE::Unknown { "", true });
    }
    void unknownEvents() { decodes(); }

    // Not events: the client logs such a line as undecodable and drops it.
    void rejects_data()
    {
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("without event") << jsonLine("{'data':{}}");
        QTest::newRow("event as number") << jsonLine("{'event':5,'data':{}}");
        QTest::newRow("event null") << jsonLine("{'event':null,'data':{}}");
        QTest::newRow("correlation id as number")
            << jsonLine("{'event':'log','correlationId':7,'data':{'level':'info','message':'m'}}");
        QTest::newRow("correlation id as number on an unknown event")
            << jsonLine("{'event':'heartbeat','correlationId':7}");
        QTest::newRow("known event without data") << jsonLine("{'event':'syncDone','correlationId':'c'}");
        QTest::newRow("known event with null data") << jsonLine("{'event':'proxyStatus','data':null}");
        QTest::newRow("known event with array data")
            << jsonLine("{'event':'proxyStatus','data':['connected']}");
        QTest::newRow("log level outside vocabulary")
            << jsonLine("{'event':'log','data':{'level':'trace','message':'m'}}");
        QTest::newRow("missing required key")
            << jsonLine("{'event':'syncStarted','data':{'totalPlaylists':1}}");
        QTest::newRow("index 1.5") << jsonLine(
            "{'event':'trackStarted','data':{'trackId':'t','index':1.5,'label':'l'}}");
        QTest::newRow("index beyond 64 bits") << jsonLine(
            "{'event':'trackStarted','data':{'trackId':'t','index':100000000000000000000,'label':'l'}}");
        QTest::newRow("percent as text")
            << jsonLine("{'event':'downloadProgress','data':{'trackId':'t','percent':'50%'}}");
        QTest::newRow("status capitalised")
            << jsonLine("{'event':'trackFinished','data':{'trackId':'t','status':'Ok'}}");
        QTest::newRow("finish kind outside vocabulary")
            << jsonLine("{'event':'trackFinished','data':{'trackId':'t','status':'ok','kind':'copied'}}");
        QTest::newRow("review best without url")
            << jsonLine("{'event':'needsReview','data':{'trackId':'t','label':'l','best':{'confidence':0.5,"
                        "'title':'x'},'candidates':[]}}");
        QTest::newRow("one malformed track")
            << jsonLine("{'event':'playlistStarted','data':{'playlistId':'p','index':0,'name':'n','tracks':[")
                + jsonLine(kTrackLine) + jsonLine(",{'id':'x','title':'t','artist':'a','durationSec':1}]}}");
        QTest::newRow("tool phase outside vocabulary")
            << jsonLine("{'event':'toolProgress','data':{'tool':'ffmpeg','phase':'unpack'}}");
        QTest::newRow("reply line") << jsonLine("{'id':'r1','ok':true}");
        QTest::newRow("array") << jsonLine("[{'event':'heartbeat'}]");
    }
    void rejects()
    {
        QFETCH(QByteArray, line);
        QVERIFY_THROWS_EXCEPTION(DecodeError, ServerEvent::decode(line));
    }

    // A failure says where in the line it is.
    void failureNamesThePlace()
    {
        const QByteArray line
            = jsonLine("{'event':'playlistStarted','data':{'playlistId':'p','index':0,'name':'n','tracks':[")
            + jsonLine(kTrackLine) + jsonLine(",{'id':'x','title':'t','artist':'a','durationSec':1}]}}");
        try {
            ServerEvent::decode(line);
            QFAIL("a malformed track was accepted");
        } catch (const DecodeError& error) {
            QCOMPARE(QByteArray(error.what()), QByteArray("at data.tracks[1]: missing key \"artwork\""));
        }
    }
};

QTEST_GUILESS_MAIN(TestServerEvent)
#include "tst_serverEvent.moc"
