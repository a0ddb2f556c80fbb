#include "TestSupport/WireTesting.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/Response.h"
#include "Transport/SyncRecords.h"
#include "Transport/ServerEvent.h"

#include <QRandomGenerator>
#include <QtTest>
#include <exception>

using namespace mivo;
using namespace mivo::test;

namespace {

enum class Outcome { decoded, refused, escaped };

// Decodes the line both ways; anything thrown other than a DecodeError with a
// reason counts as escaped.
template <typename Decoded> Outcome decodeAs(const QByteArray& line)
{
    try {
        Decoded::decode(line);
        return Outcome::decoded;
    } catch (const DecodeError& error) {
        return qstrlen(error.what()) > 0 ? Outcome::refused : Outcome::escaped;
    } catch (...) {
        return Outcome::escaped;
    }
}

// The non-throwing reading of a parsed line must not throw either.
bool tryingAsReplyThrows(const QByteArray& line)
{
    nlohmann::json json;
    try {
        json = parseJsonLine(line);
    } catch (const DecodeError&) {
        return false;
    }
    try {
        Response::tryFromJson(json);
        return false;
    } catch (...) {
        return true;
    }
}

// Lines that decode, to be cut and damaged.
QList<QByteArray> validLines()
{
    return {
        jsonLine("{'id':'r12','ok':true,'result':{'tracks':[{'id':'p#0','title':'Ä','artist':'A','"
                 "durationSec':1.5,"
                 "'artwork':{'kind':'mosaic','trackIds':['a','b']},'onDisk':'present','meta':{'bitrate':'320'"
                 "}}]}}"),
        jsonLine(
            "{'id':'r3','ok':false,'error':{'code':'sync_in_progress','message':'busy','data':[1,null,{}]}}"),
        jsonLine(
            "{'event':'playlistStarted','correlationId':'c1','data':{'playlistId':'p','index':0,'name':'N',"
            "'tracks':[{'id':'p#0','title':'T','artist':'A','durationSec':200,'artwork':{'kind':'url',"
            "'url':'https://img.example.com/a.jpg'}}]}}"),
        jsonLine("{'event':'needsReview','correlationId':'c1','data':{'trackId':'p#0','label':'A \\u2014 T',"
                 "'best':{'confidence':0.5,'title':'T','url':'u'},'candidates':[{'id':'k','title':'T','"
                 "channel':'C',"
                 "'durationSec':3,'bitrateKbps':320}]}}"),
        jsonLine("{'event':'somethingNew','data':{'deep':[[[{'x':-1e-300}]]]}}"),
    };
}

} // namespace

class TestWireRobustness : public QObject {
    Q_OBJECT

private slots:
    // A string arrives as it was sent: a leading U+FEFF is an ordinary character,
    // so "\ufeffr1" is no reply to r1 and "\ufeffaccept" no decision.
    void helperStringsArriveByteExact()
    {
        const QString bom(QChar(0xFEFF));
        QCOMPARE(Response::decode(jsonLine("{'id':'\\ufeffr1','ok':true}")).id, bom + QStringLiteral("r1"));
        // The character also arrives unescaped, as raw UTF-8 bytes.
        QCOMPARE(Response::decode("{\"id\":\"\xef\xbb\xbfr1\",\"ok\":true}").id, bom + QStringLiteral("r1"));
        const ServerEvent event = ServerEvent::decode(jsonLine("{'event':'trackStarted','correlationId':"
                                                               "'\\ufeffrun','data':{'trackId':'\\ufeffp#0',"
                                                               "'index':0,'label':'\\ufeff'}}"));
        QCOMPARE(std::get<ServerEvent::TrackStarted>(event.value),
            (ServerEvent::TrackStarted { bom + QStringLiteral("run"), bom + QStringLiteral("p#0"), 0, bom }));
        verifyRejects<ReviewDecision>(jsonLine("{'kind':'\\ufeffaccept'}"));
        verifyDecodes(jsonLine("{'\\ufeffid':'x','y':'\\ufeff'}"),
            JSONValue(JSONValue::Object { { bom + QStringLiteral("id"), JSONValue(QStringLiteral("x")) }, { QStringLiteral("y"), JSONValue(bom) } }));
    }

    // Artwork that cannot be shown is no artwork; it never fails its playlist.
    void artworkWithoutAPictureIsNone_data()
    {
        QTest::addColumn<QByteArray>("artwork");
        QTest::addColumn<ArtworkRef>("expected");
        QTest::newRow("absolute URL") << jsonLine("{'kind':'url','url':'https://img.example.com/a.jpg'}")
                                      << ArtworkRef::url(QUrl(QStringLiteral("https://img.example.com/a.jpg")));
        QTest::newRow("kind with U+FEFF") << jsonLine("{'kind':'\\ufeffurl','x':1}") << ArtworkRef::none();
        QTest::newRow("relative URL") << jsonLine("{'kind':'url','url':'images/a.jpg'}") << ArtworkRef::none();
        QTest::newRow("empty URL") << jsonLine("{'kind':'url','url':''}") << ArtworkRef::none();
        QTest::newRow("not a URL") << jsonLine("{'kind':'url','url':'http://[::1'}") << ArtworkRef::none();
    }
    void artworkWithoutAPictureIsNone()
    {
        QFETCH(QByteArray, artwork);
        QFETCH(ArtworkRef, expected);
        verifyDecodes(jsonLine("{'id':'p','source':'apple','name':'N','isFolder':false,'artwork':") + artwork + "}",
            PlaylistDTO { QStringLiteral("p"), PlaylistSourceId::apple, QStringLiteral("N"), false, std::nullopt,
                std::nullopt, expected });
    }

    // A lone surrogate, which UTF-8 cannot carry, is sent as U+FFFD.
    void loneSurrogatesAreSentAsReplacementCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("sent");
        const QByteArray replacement("\xef\xbf\xbd");
        QTest::newRow("high alone") << QString(QChar(0xD800)) << replacement;
        QTest::newRow("low alone") << QString(QChar(0xDC00)) << replacement;
        QTest::newRow("two highs then a low") << (QString(QChar(0xD83D)) + QChar(0xD83D) + QChar(0xDE00))
                                             << replacement + "\xf0\x9f\x98\x80";
        QTest::newRow("low then high at the end") << (QStringLiteral("a") + QChar(0xDC00) + QChar(0xD800))
                                                 << "a" + replacement + replacement;
        QTest::newRow("pair") << (QString(QChar(0xD83D)) + QChar(0xDE00)) << QByteArray("\xf0\x9f\x98\x80");
    }
    void loneSurrogatesAreSentAsReplacementCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, sent);
        const QByteArray line = Request::cancelSync(text).encodedLine(QStringLiteral("r1"));
        QCOMPARE(line, "{\"id\":\"r1\",\"method\":\"cancelSync\",\"params\":{\"runId\":\"" + sent + "\"}}");
        QCOMPARE(dumpJson(toJson(JSONValue(text))), "\"" + sent + "\"");
        QCOMPARE(Request::getConfig().encodedLine(text), "{\"id\":\"" + sent + "\",\"method\":\"getConfig\"}");
    }

    // Lines that are neither a reply nor an event are refused with a reason by
    // both decoders, whatever bytes they hold.
    void garbageIsRefused_data()
    {
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("white space") << QByteArray(" \t\r");
        QTest::newRow("null") << QByteArray("null");
        QTest::newRow("number") << QByteArray("42");
        QTest::newRow("string") << QByteArray("\"id\"");
        QTest::newRow("array of objects") << jsonLine("[{'id':'r1','ok':true}]");
        QTest::newRow("truncated reply") << jsonLine("{'id':'r1','ok':tr");
        QTest::newRow("truncated event") << jsonLine("{'event':'log','data':{'level':'info'");
        QTest::newRow("two objects") << jsonLine("{'id':'r1','ok':true}{'id':'r2','ok':true}");
        QTest::newRow("trailing garbage") << jsonLine("{'id':'r1','ok':true} x");
        QTest::newRow("invalid UTF-8 byte") << QByteArray("{\"id\":\"r\xff\",\"ok\":true}");
        QTest::newRow("overlong UTF-8") << QByteArray("{\"id\":\"\xc0\xaf\",\"ok\":true}");
        QTest::newRow("surrogate in UTF-8") << QByteArray("{\"event\":\"\xed\xa0\x80\"}");
        QTest::newRow("truncated UTF-8") << QByteArray("{\"event\":\"\xe2\x80\"}");
        QTest::newRow("lone surrogate escape") << QByteArray("{\"event\":\"\\ud800\"}");
        QTest::newRow("raw control character") << QByteArray("{\"event\":\"a\x01\"}");
        QTest::newRow("NUL byte") << QByteArray("{\"event\":\"a\"\0}", 14);
        QTest::newRow("number beyond double") << jsonLine("{'id':'r1','ok':true,'result':1e400}");
        QTest::newRow("negative number beyond double") << jsonLine("{'event':'x','data':-1e400}");
        QTest::newRow("NaN literal") << jsonLine("{'id':'r1','ok':true,'result':NaN}");
        QTest::newRow("Infinity literal") << jsonLine("{'event':'x','data':Infinity}");
        QTest::newRow("single quotes") << QByteArray("{'id':'r1','ok':true}");
        QTest::newRow("comment") << jsonLine("{'id':'r1','ok':true} // done");
        QTest::newRow("deep nesting in result") << jsonLine("{'id':'r1','ok':true,'result':")
                + QByteArray(100000, '[') + QByteArray(100000, ']') + "}";
        QTest::newRow("deep open nesting") << jsonLine("{'event':'x','data':") + QByteArray(1 << 20, '{');
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    }
    void garbageIsRefused()
    {
        QFETCH(QByteArray, line);
        QCOMPARE(decodeAs<Response>(line), Outcome::refused);
        QCOMPARE(decodeAs<ServerEvent>(line), Outcome::refused);
    }

    // Every prefix of a valid line, every line with one byte deleted or replaced
    // by a troublesome byte, either decodes or is refused with a reason.
    void damagedLinesNeverEscape()
    {
        const QByteArray replacements("\0\xff\"{}[]\\\xc3"
                                      "9,:",
            13);
        int refused = 0;
        for (const QByteArray& line : validLines()) {
            QVERIFY2(decodeAs<Response>(line) == Outcome::decoded
                    || decodeAs<ServerEvent>(line) == Outcome::decoded,
                line.constData());
            QList<QByteArray> damaged;
            for (qsizetype i = 0; i < line.size(); ++i) {
                damaged.append(line.left(i));
                damaged.append(QByteArray(line).remove(i, 1));
                for (const char byte : replacements)
                    damaged.append(QByteArray(line).replace(i, 1, &byte, 1));
            }
            for (const QByteArray& candidate : std::as_const(damaged)) {
                const Outcome asReply = decodeAs<Response>(candidate);
                const Outcome asEvent = decodeAs<ServerEvent>(candidate);
                QVERIFY2(asReply != Outcome::escaped && asEvent != Outcome::escaped, candidate.constData());
                QVERIFY2(!tryingAsReplyThrows(candidate), candidate.constData());
                refused += asReply == Outcome::refused && asEvent == Outcome::refused;
            }
        }
        QVERIFY(refused > 0);
    }

    // Random JSON-like noise from a fixed seed.
    void noiseNeverEscapes()
    {
        static const QByteArray alphabet("{}[]\":,0123456789.-+eEtrufalsn\\u \x80\xc3\xff"
                                         "idokeventdata");
        QRandomGenerator random(20240611);
        for (int round = 0; round < 5000; ++round) {
            QByteArray line = round % 2 ? jsonLine("{'event':") : jsonLine("{'id':'r1','ok':");
            const int length = random.bounded(1, 60);
            for (int i = 0; i < length; ++i)
                line.append(alphabet.at(random.bounded(alphabet.size())));
            QVERIFY2(decodeAs<Response>(line) != Outcome::escaped, line.constData());
            QVERIFY2(decodeAs<ServerEvent>(line) != Outcome::escaped, line.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestWireRobustness)
#include "tst_wireRobustness.moc"
