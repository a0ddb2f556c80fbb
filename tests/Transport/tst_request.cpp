#include "TestSupport/WireTesting.h"
#include "Transport/Request.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

Q_DECLARE_METATYPE(mivo::Request)
Q_DECLARE_METATYPE(mivo::Method)

class TestRequest : public QObject {
    Q_OBJECT

private slots:
    // The exact line of every method: keys id, method, params in that order;
    // no "params" for the methods without parameters (nor for listPlaylists
    // without a source or cancelSync without a run id); optional parameters
    // left out; slashes and non-ASCII text written as they are.
    void encodedLine_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<Method>("method");
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("getConfig") << Request::getConfig() << Method::getConfig
                                   << jsonLine("{'id':'r1','method':'getConfig'}");
        QTest::newRow("setConfig, one setting")
            << Request::setConfig(ConfigPatch { .proxyEnabled = false }) << Method::setConfig
            << jsonLine("{'id':'r1','method':'setConfig','params':{'patch':{'proxyEnabled':false}}}");
        QTest::newRow("setConfig, empty patch") << Request::setConfig(
            {}) << Method::setConfig << jsonLine("{'id':'r1','method':'setConfig','params':{'patch':{}}}");
        QTest::newRow("setConfig, several settings")
            << Request::setConfig(ConfigPatch { .run = SafeConfig::Run { 8, 3, 2.5, 20, 0.5 },
                   .outputDir = QStringLiteral("~/Music/DJ Imports/") })
            << Method::setConfig
            << jsonLine("{'id':'r1','method':'setConfig','params':{'patch':{'run':{'searchCount':8,'"
                        "concurrency':3,"
                        "'toleranceSec':2.5,'searchTimeoutSec':20,'cooloffHours':0.5},"
                        "'outputDir':'~/Music/DJ Imports/'}}}");
        QTest::newRow("storeAccountToken with client id")
            << Request::storeAccountToken(AccountService::spotify, "tok/en+=", QStringLiteral("client-1"))
            << Method::storeAccountToken
            << jsonLine(
                   "{'id':'r1','method':'storeAccountToken','params':{'service':'spotify','token':'tok/en+=',"
                   "'clientId':'client-1'}}");
        QTest::newRow("storeAccountToken without client id")
            << Request::storeAccountToken(AccountService::applemusic, "t") << Method::storeAccountToken
            << jsonLine(
                   "{'id':'r1','method':'storeAccountToken','params':{'service':'applemusic','token':'t'}}");
        QTest::newRow("getSpotifyAuthParams")
            << Request::getSpotifyAuthParams() << Method::getSpotifyAuthParams
            << jsonLine("{'id':'r1','method':'getSpotifyAuthParams'}");
        QTest::newRow("disconnectAccount")
            << Request::disconnectAccount(AccountService::proxy) << Method::disconnectAccount
            << jsonLine("{'id':'r1','method':'disconnectAccount','params':{'service':'proxy'}}");
        QTest::newRow("connectSpotify") << Request::connectSpotify() << Method::connectSpotify
                                        << jsonLine("{'id':'r1','method':'connectSpotify'}");
        QTest::newRow("listPlaylists, every source") << Request::listPlaylists() << Method::listPlaylists
                                                     << jsonLine("{'id':'r1','method':'listPlaylists'}");
        QTest::newRow("listPlaylists, one source")
            << Request::listPlaylists(PlaylistSourceId::spotify) << Method::listPlaylists
            << jsonLine("{'id':'r1','method':'listPlaylists','params':{'source':'spotify'}}");
        QTest::newRow("getPlaylistTracks with name")
            << Request::getPlaylistTracks(PlaylistSourceId::apple, "pl.u-1", QStringLiteral("Warm-up / Deep"))
            << Method::getPlaylistTracks
            << jsonLine("{'id':'r1','method':'getPlaylistTracks','params':{'source':'apple','id':'pl.u-1',"
                        "'name':'Warm-up / Deep'}}");
        QTest::newRow("getPlaylistTracks without name")
            << Request::getPlaylistTracks(PlaylistSourceId::spotify, "37i9") << Method::getPlaylistTracks
            << jsonLine("{'id':'r1','method':'getPlaylistTracks','params':{'source':'spotify','id':'37i9'}}");
        QTest::newRow("startSync without options")
            << Request::startSync({ { PlaylistSourceId::apple, "a", QStringLiteral("Änd") },
                   { PlaylistSourceId::spotify, "b" } })
            << Method::startSync
            << jsonLine("{'id':'r1','method':'startSync','params':{'selection':[{'source':'apple','id':'a',"
                        "'name':'Änd'},{'source':'spotify','id':'b'}]}}");
        QTest::newRow("startSync with options")
            << Request::startSync({}, SyncOptions { .review = true }) << Method::startSync
            << jsonLine(
                   "{'id':'r1','method':'startSync','params':{'selection':[],'options':{'review':true}}}");
        QTest::newRow("cancelSync without run id")
            << Request::cancelSync() << Method::cancelSync << jsonLine("{'id':'r1','method':'cancelSync'}");
        QTest::newRow("cancelSync with run id")
            << Request::cancelSync(QStringLiteral("run-7")) << Method::cancelSync
            << jsonLine("{'id':'r1','method':'cancelSync','params':{'runId':'run-7'}}");
        QTest::newRow("reviewDecision without run id")
            << Request::reviewDecision(std::nullopt, "p#3", ReviewDecision::accept())
            << Method::reviewDecision
            << jsonLine("{'id':'r1','method':'reviewDecision','params':{'trackId':'p#3','decision':{'kind':'"
                        "accept'}}}");
        QTest::newRow("reviewDecision with run id")
            << Request::reviewDecision(
                   QStringLiteral("run-7"), "p#3", ReviewDecision::url("https://x.example/v?a=1"))
            << Method::reviewDecision
            << jsonLine("{'id':'r1','method':'reviewDecision','params':{'runId':'run-7','trackId':'p#3',"
                        "'decision':{'kind':'url','url':'https://x.example/v?a=1'}}}");
        QTest::newRow("listOrphans")
            << Request::listOrphans({ { PlaylistSourceId::apple, "a" } }) << Method::listOrphans
            << jsonLine(
                   "{'id':'r1','method':'listOrphans','params':{'selection':[{'source':'apple','id':'a'}]}}");
        QTest::newRow("trashOrphans")
            << Request::trashOrphans({ "/home/dj/Music/A \"B\".mp3", "/home/dj/Music/tab\there.flac" })
            << Method::trashOrphans
            << jsonLine(
                   "{'id':'r1','method':'trashOrphans','params':{'paths':['/home/dj/Music/A \\'B\\'.mp3',"
                   "'/home/dj/Music/tab\\there.flac']}}");
        QTest::newRow("runDoctor") << Request::runDoctor() << Method::runDoctor
                                   << jsonLine("{'id':'r1','method':'runDoctor'}");
        QTest::newRow("doctorFix") << Request::doctorFix("ffmpeg") << Method::doctorFix
                                   << jsonLine(
                                          "{'id':'r1','method':'doctorFix','params':{'checkId':'ffmpeg'}}");
        QTest::newRow("provisionTools") << Request::provisionTools() << Method::provisionTools
                                        << jsonLine("{'id':'r1','method':'provisionTools'}");
        QTest::newRow("testProxy") << Request::testProxy() << Method::testProxy
                                   << jsonLine("{'id':'r1','method':'testProxy'}");
        QTest::newRow("proxyInfo") << Request::proxyInfo() << Method::proxyInfo
                                   << jsonLine("{'id':'r1','method':'proxyInfo'}");
    }
    void encodedLine()
    {
        QFETCH(Request, request);
        QFETCH(Method, method);
        QFETCH(QByteArray, line);
        QCOMPARE(request.method(), method);
        QCOMPARE(request.encodedLine(QStringLiteral("r1")), line);
    }

    void idIsWrittenAsGiven()
    {
        QCOMPARE(Request::getConfig().encodedLine(QStringLiteral("r123456789")),
            jsonLine("{'id':'r123456789','method':'getConfig'}"));
    }

    void nonFiniteNumberFailsTheLine()
    {
        const Request request
            = Request::setConfig(ConfigPatch { .run = SafeConfig::Run { 8, 3, qInf(), 20, 24 } });
        QVERIFY_THROWS_EXCEPTION(EncodeError, request.encodedLine(QStringLiteral("r1")));
    }
};

QTEST_GUILESS_MAIN(TestRequest)
#include "tst_request.moc"
