#include "TestSupport/WireTesting.h"
#include "Transport/PlaylistRecords.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

namespace {

const auto kAnyRecord = [](const QVariant& variant, auto&& check) {
    withRecord<ArtworkRef, PlaylistDTO, TrackDTO, PreviewTrackDTO, CandidateDTO, TrackMeta>(variant, check);
};

ArtworkRef urlArtwork(const char* url)
{
    return ArtworkRef::url(QUrl(QString::fromUtf8(url)));
}

} // namespace

class TestPlaylistRecords : public QObject {
    Q_OBJECT

private slots:
    // Lines written by hand in the helper's format decode to the value, and the
    // value encodes back to exactly the same text: keys in declared order,
    // "kind" first, empty optionals left out.
    void roundTripsExactly_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("artwork url") << jsonLine("{'kind':'url','url':'https://img.example.com/a/b.jpg'}")
                                     << record(urlArtwork("https://img.example.com/a/b.jpg"));
        QTest::newRow("artwork url percent-encoded")
            << jsonLine("{'kind':'url','url':'https://img.example.com/cover%20art.jpg?size=600&q=1'}")
            << record(urlArtwork("https://img.example.com/cover%20art.jpg?size=600&q=1"));
        QTest::newRow("artwork appleMusic")
            << jsonLine("{'kind':'appleMusic','persistentID':'1A2B3C4D5E6F7081'}")
            << record(ArtworkRef::appleMusic("1A2B3C4D5E6F7081"));
        QTest::newRow("artwork mosaic") << jsonLine("{'kind':'mosaic','trackIds':['A1','B2','C3','D4']}")
                                        << record(ArtworkRef::mosaic({ "A1", "B2", "C3", "D4" }));
        QTest::newRow("artwork none") << jsonLine("{'kind':'none'}") << record(ArtworkRef::none());

        QTest::newRow("playlist, every key")
            << jsonLine("{'id':'pl.u-8aAVZ','source':'apple','name':'Warm-up / Deep','isFolder':false,"
                        "'parentId':'folder-1','trackCount':42,"
                        "'artwork':{'kind':'url','url':'https://img.example.com/x.jpg'}}")
            << record(PlaylistDTO { "pl.u-8aAVZ", PlaylistSourceId::apple, "Warm-up / Deep", false,
                   QStringLiteral("folder-1"), 42, urlArtwork("https://img.example.com/x.jpg") });
        QTest::newRow("playlist without parentId and trackCount")
            << jsonLine("{'id':'37i9dQ','source':'spotify','name':'Peak Time','isFolder':true,"
                        "'artwork':{'kind':'none'}}")
            << record(PlaylistDTO { "37i9dQ", PlaylistSourceId::spotify, "Peak Time", true, std::nullopt,
                   std::nullopt, ArtworkRef::none() });

        QTest::newRow("track, every key")
            << jsonLine("{'id':'spotify:demo#3','title':'Nightcall','artist':'Artist A','album':'Album B',"
                        "'durationSec':637.5,'artwork':{'kind':'appleMusic','persistentID':'ABCDEF'}}")
            << record(TrackDTO { "spotify:demo#3", "Nightcall", "Artist A", QStringLiteral("Album B"), 637.5,
                   ArtworkRef::appleMusic("ABCDEF") });
        QTest::newRow("track without album, whole seconds") << jsonLine(
            "{'id':'p#0','title':'Ünïcödé ✓','artist':'A','durationSec':200,'artwork':{'kind':'none'}}")
                                                            << record(TrackDTO { "p#0",
                                                                   QStringLiteral("Ünïcödé ✓"), "A",
                                                                   std::nullopt, 200, ArtworkRef::none() });

        QTest::newRow("preview row with meta")
            << jsonLine("{'id':'p#1','title':'T','artist':'A','album':'B','durationSec':181.2,"
                        "'artwork':{'kind':'mosaic','trackIds':[]},'onDisk':'present',"
                        "'meta':{'format':'flac','bitrate':'1411 kbps','source':'soulseek'}}")
            << record(PreviewTrackDTO { "p#1", "T", "A", QStringLiteral("B"), 181.2, ArtworkRef::mosaic({}),
                   OnDisk::present,
                   TrackMeta {
                       QStringLiteral("flac"), QStringLiteral("1411 kbps"), QStringLiteral("soulseek") } });
        QTest::newRow("preview row without meta")
            << jsonLine("{'id':'p#2','title':'T','artist':'A','durationSec':0.25,"
                        "'artwork':{'kind':'none'},'onDisk':'missing'}")
            << record(PreviewTrackDTO {
                   "p#2", "T", "A", std::nullopt, 0.25, ArtworkRef::none(), OnDisk::missing, std::nullopt });

        QTest::newRow("candidate, every key")
            << jsonLine("{'id':'c1','title':'Song (Extended Mix)','channel':'Label','durationSec':412.25,"
                        "'source':'youtube','format':'opus','bitrateKbps':160,'confidence':0.82,"
                        "'reason':'title and length match','url':'https://www.example.com/watch?v=abc'}")
            << record(CandidateDTO { "c1", "Song (Extended Mix)", "Label", 412.25, QStringLiteral("youtube"),
                   QStringLiteral("opus"), 160, 0.82, QStringLiteral("title and length match"),
                   QStringLiteral("https://www.example.com/watch?v=abc") });
        QTest::newRow("candidate, required keys only")
            << jsonLine("{'id':'c2','title':'T','channel':'C','durationSec':300}")
            << record(CandidateDTO { .id = "c2", .title = "T", .channel = "C", .durationSec = 300 });

        QTest::newRow("meta, empty") << jsonLine("{}") << record(TrackMeta {});
        QTest::newRow("meta, bitrate only") << jsonLine(
            "{'bitrate':'320'}") << record(TrackMeta { std::nullopt, QStringLiteral("320"), std::nullopt });
    }
    void roundTripsExactly()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, value);
        kAnyRecord(value, [&](const auto& expected) { verifyRoundTrip(line, expected); });
    }

    // What the decoder accepts besides the canonical text: unknown keys, null
    // optionals, whole numbers written with a fraction, and the artwork cases
    // that mean "no picture".
    void decodesLeniently_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("artwork of an unlisted kind")
            << jsonLine("{'kind':'gradient','colors':['#fff']}") << record(ArtworkRef::none());
        QTest::newRow("artwork kind in other letter case")
            << jsonLine("{'kind':'URL','url':'https://img.example.com/a.jpg'}") << record(ArtworkRef::none());
        QTest::newRow("artwork none with a url")
            << jsonLine("{'kind':'none','url':'https://img.example.com/a.jpg'}")
            << record(ArtworkRef::none());
        QTest::newRow("artwork url empty")
            << jsonLine("{'kind':'url','url':''}") << record(ArtworkRef::none());
        QTest::newRow("artwork url not a url")
            << jsonLine("{'kind':'url','url':'http://exa mple.com/a b'}") << record(ArtworkRef::none());

        QTest::newRow("playlist with null optionals and unknown keys")
            << jsonLine("{'id':'p','source':'apple','name':'N','isFolder':false,'parentId':null,"
                        "'trackCount':null,'artwork':{'kind':'none'},'color':'red','tags':[1,{'a':null}]}")
            << record(PlaylistDTO { "p", PlaylistSourceId::apple, "N", false, std::nullopt, std::nullopt,
                   ArtworkRef::none() });
        QTest::newRow("playlist trackCount written with a fraction")
            << jsonLine("{'id':'p','source':'apple','name':'N','isFolder':false,'trackCount':12.0,"
                        "'artwork':{'kind':'none'}}")
            << record(PlaylistDTO {
                   "p", PlaylistSourceId::apple, "N", false, std::nullopt, 12, ArtworkRef::none() });
        QTest::newRow("preview row whose meta is null")
            << jsonLine("{'id':'p#2','title':'T','artist':'A','durationSec':1,'artwork':{'kind':'none'},"
                        "'onDisk':'missing','meta':null}")
            << record(PreviewTrackDTO {
                   "p#2", "T", "A", std::nullopt, 1, ArtworkRef::none(), OnDisk::missing, std::nullopt });
        QTest::newRow("candidate with null optionals")
            << jsonLine("{'id':'c','title':'T','channel':'C','durationSec':3,'source':null,'format':null,"
                        "'bitrateKbps':null,'confidence':null,'reason':null,'url':null}")
            << record(CandidateDTO { .id = "c", .title = "T", .channel = "C", .durationSec = 3 });
    }
    void decodesLeniently()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, value);
        kAnyRecord(value, [&](const auto& expected) { verifyDecodes(line, expected); });
    }

    // An address written in any form the decoder accepts decodes to a value that
    // survives its own encoding: decode, encode and decode again give equal
    // records, and the second encoding is the first.
    void artworkAddressSurvivesItsEncoding_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("a second # in the fragment") << "https://img.example.com/a#b#c";
        QTest::newRow("query and a fragment with #") << "https://img.example.com/a?x=1&y=2#b#c#";
        QTest::newRow("an empty fragment") << "https://img.example.com/a#";
        QTest::newRow("letters outside ASCII") << "https://img.example.com/café/ü.jpg#ä#ö";
        QTest::newRow("percent escapes of letters") << "https://img.example.com/%41%62c?q=%7e#%23x";
        QTest::newRow("an encoded slash") << "https://img.example.com/a%2Fb.jpg";
        QTest::newRow("capital scheme and host") << "HTTPS://IMG.Example.COM/A.jpg";
    }
    void artworkAddressSurvivesItsEncoding()
    {
        QFETCH(QString, url);
        nlohmann::json json = { { "kind", "url" }, { "url", url.toStdString() } };
        ArtworkRef first;
        fromJson(json, first);
        QVERIFY(std::holds_alternative<ArtworkRef::Url>(first.value));
        const nlohmann::ordered_json encoded = toJson(first);
        ArtworkRef second;
        fromJson(nlohmann::json::parse(encoded.dump()), second);
        QCOMPARE(second, first);
        QCOMPARE(QString::fromStdString(toJson(second).dump()), QString::fromStdString(encoded.dump()));
    }

    // A missing required key, a wrong JSON type or a string outside a vocabulary
    // fails the whole record.
    void rejectsMalformed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("type");

        const QVariant artwork = record(ArtworkRef {});
        QTest::newRow("artwork url without url") << jsonLine("{'kind':'url'}") << artwork;
        QTest::newRow("artwork url as number") << jsonLine("{'kind':'url','url':7}") << artwork;
        QTest::newRow("artwork appleMusic without id") << jsonLine("{'kind':'appleMusic'}") << artwork;
        QTest::newRow("artwork mosaic without ids") << jsonLine("{'kind':'mosaic'}") << artwork;
        QTest::newRow("artwork mosaic with a number")
            << jsonLine("{'kind':'mosaic','trackIds':['a',2]}") << artwork;
        QTest::newRow("artwork without kind") << jsonLine("{'url':'https://a.example/x.jpg'}") << artwork;
        QTest::newRow("artwork kind not a string") << jsonLine("{'kind':1}") << artwork;
        QTest::newRow("artwork as a string") << jsonLine("'none'") << artwork;

        const QVariant playlist = record(PlaylistDTO {});
        const QByteArray playlistHead = jsonLine("{'id':'p','source':'apple','name':'N',");
        QTest::newRow("playlist without artwork") << playlistHead + jsonLine("'isFolder':false}") << playlist;
        QTest::newRow("playlist with null artwork")
            << playlistHead + jsonLine("'isFolder':false,'artwork':null}") << playlist;
        QTest::newRow("playlist isFolder as 0")
            << playlistHead + jsonLine("'isFolder':0,'artwork':{'kind':'none'}}") << playlist;
        QTest::newRow("playlist isFolder as text")
            << playlistHead + jsonLine("'isFolder':'false','artwork':{'kind':'none'}}") << playlist;
        QTest::newRow("playlist trackCount 1.5")
            << playlistHead + jsonLine("'isFolder':false,'trackCount':1.5,'artwork':{'kind':'none'}}")
            << playlist;
        QTest::newRow("playlist trackCount true")
            << playlistHead + jsonLine("'isFolder':false,'trackCount':true,'artwork':{'kind':'none'}}")
            << playlist;
        QTest::newRow("playlist trackCount as text")
            << playlistHead + jsonLine("'isFolder':false,'trackCount':'42','artwork':{'kind':'none'}}")
            << playlist;
        QTest::newRow("playlist trackCount beyond 64 bits") << playlistHead
                + jsonLine("'isFolder':false,'trackCount':9223372036854775808,'artwork':{'kind':'none'}}")
                                                            << playlist;
        QTest::newRow("playlist source capitalised")
            << jsonLine("{'id':'p','source':'Apple','name':'N','isFolder':false,'artwork':{'kind':'none'}}")
            << playlist;
        QTest::newRow("playlist source from another vocabulary")
            << jsonLine("{'id':'p','source':'youtube','name':'N','isFolder':false,'artwork':{'kind':'none'}}")
            << playlist;
        QTest::newRow("playlist id as number")
            << jsonLine("{'id':5,'source':'apple','name':'N','isFolder':false,'artwork':{'kind':'none'}}")
            << playlist;
        QTest::newRow("playlist as array") << jsonLine("[]") << playlist;

        const QVariant track = record(TrackDTO {});
        QTest::newRow("track without title")
            << jsonLine("{'id':'t','artist':'A','durationSec':1,'artwork':{'kind':'none'}}") << track;
        QTest::newRow("track duration as text")
            << jsonLine("{'id':'t','title':'T','artist':'A','durationSec':'200','artwork':{'kind':'none'}}")
            << track;
        QTest::newRow("track duration true")
            << jsonLine("{'id':'t','title':'T','artist':'A','durationSec':true,'artwork':{'kind':'none'}}")
            << track;
        QTest::newRow("track album as number") << jsonLine(
            "{'id':'t','title':'T','artist':'A','album':1,'durationSec':1,'artwork':{'kind':'none'}}")
                                               << track;

        const QVariant preview = record(PreviewTrackDTO {});
        const QByteArray previewHead
            = jsonLine("{'id':'t','title':'T','artist':'A','durationSec':1,'artwork':{'kind':'none'}");
        QTest::newRow("preview row without onDisk") << previewHead + jsonLine("}") << preview;
        QTest::newRow("preview row onDisk capitalised")
            << previewHead + jsonLine(",'onDisk':'Present'}") << preview;
        QTest::newRow("preview row onDisk broken")
            << previewHead + jsonLine(",'onDisk':'broken'}") << preview;
        QTest::newRow("preview row meta as text")
            << previewHead + jsonLine(",'onDisk':'present','meta':'flac'}") << preview;

        const QVariant candidate = record(CandidateDTO {});
        QTest::newRow("candidate without channel")
            << jsonLine("{'id':'c','title':'T','durationSec':1}") << candidate;
        QTest::newRow("candidate confidence as text")
            << jsonLine("{'id':'c','title':'T','channel':'C','durationSec':1,'confidence':'high'}")
            << candidate;
        QTest::newRow("candidate bitrate with a fraction")
            << jsonLine("{'id':'c','title':'T','channel':'C','durationSec':1,'bitrateKbps':320.5}")
            << candidate;

        QTest::newRow("meta bitrate as number") << jsonLine("{'bitrate':320}") << record(TrackMeta {});
    }
    void rejectsMalformed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, type);
        kAnyRecord(type, [&](const auto& marker) { verifyRejects<std::decay_t<decltype(marker)>>(line); });
    }

    void encodingRefusesNonFiniteNumbers_data()
    {
        QTest::addColumn<double>("number");
        QTest::newRow("nan") << qQNaN();
        QTest::newRow("infinity") << qInf();
        QTest::newRow("minus infinity") << -qInf();
    }
    void encodingRefusesNonFiniteNumbers()
    {
        QFETCH(double, number);
        const TrackDTO track { "t", "T", "A", std::nullopt, number, ArtworkRef::none() };
        QVERIFY_THROWS_EXCEPTION(EncodeError, encodeValue(track));
        const CandidateDTO candidate {
            .id = "c", .title = "T", .channel = "C", .durationSec = 1, .confidence = number
        };
        QVERIFY_THROWS_EXCEPTION(EncodeError, encodeValue(candidate));
    }
};

QTEST_GUILESS_MAIN(TestPlaylistRecords)
#include "tst_playlistRecords.moc"
