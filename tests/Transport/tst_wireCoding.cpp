#include "TestSupport/WireTesting.h"
#include "Transport/SyncRecords.h"
#include "Transport/WireCoding.h"
#include "Transport/WireVocabulary.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

namespace {

// The decoded value as text, or nothing when decoding fails.
std::optional<QString> decodedText(const QString& type, const QByteArray& line)
{
    const nlohmann::json json = parseJsonLine(line);
    try {
        if (type == u"Int")
            return QString::number(decodeValue<qint64>(json));
        if (type == u"Double")
            return QString::number(decodeValue<double>(json), 'g', 17);
        if (type == u"Bool")
            return decodeValue<bool>(json) ? QStringLiteral("true") : QStringLiteral("false");
        if (type == u"String")
            return decodeValue<QString>(json);
        if (type == u"Finish")
            return rawString(decodeValue<Finish>(json));
    } catch (const DecodeError&) {
        return std::nullopt;
    }
    qFatal("unknown type");
}

QByteArray nested(int depth)
{
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

} // namespace

class TestWireCoding : public QObject {
    Q_OBJECT

private slots:
    // Strict where the JSON library is lenient: a boolean is not a number, an
    // integer rejects fractions and values outside 64 bits, a string field takes
    // only strings, a vocabulary only its exact raw values.
    void primitives_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected"); // null: rejected

        const QString rejected;
        QTest::newRow("Int 42") << "Int" << QByteArray("42") << "42";
        QTest::newRow("Int -7") << "Int" << QByteArray("-7") << "-7";
        QTest::newRow("Int 1.0") << "Int" << QByteArray("1.0") << "1";
        QTest::newRow("Int 1e2") << "Int" << QByteArray("1e2") << "100";
        QTest::newRow("Int max") << "Int" << QByteArray("9223372036854775807") << "9223372036854775807";
        QTest::newRow("Int min") << "Int" << QByteArray("-9223372036854775808") << "-9223372036854775808";
        QTest::newRow("Int 1.5") << "Int" << QByteArray("1.5") << rejected;
        QTest::newRow("Int max + 1") << "Int" << QByteArray("9223372036854775808") << rejected;
        QTest::newRow("Int unsigned max") << "Int" << QByteArray("18446744073709551615") << rejected;
        QTest::newRow("Int min - 1") << "Int" << QByteArray("-9223372036854775809") << rejected;
        QTest::newRow("Int 1e19") << "Int" << QByteArray("1e19") << rejected;
        QTest::newRow("Int true") << "Int" << QByteArray("true") << rejected;
        QTest::newRow("Int as text") << "Int" << QByteArray("\"1\"") << rejected;
        QTest::newRow("Int null") << "Int" << QByteArray("null") << rejected;

        QTest::newRow("Double integer") << "Double" << QByteArray("3") << "3";
        QTest::newRow("Double fraction") << "Double" << QByteArray("2.5") << "2.5";
        QTest::newRow("Double above Int")
            << "Double" << QByteArray("18446744073709551615") << "1.8446744073709552e+19";
        QTest::newRow("Double true") << "Double" << QByteArray("true") << rejected;
        QTest::newRow("Double as text") << "Double" << QByteArray("\"2.5\"") << rejected;

        QTest::newRow("Bool true") << "Bool" << QByteArray("true") << "true";
        QTest::newRow("Bool false") << "Bool" << QByteArray("false") << "false";
        QTest::newRow("Bool 1") << "Bool" << QByteArray("1") << rejected;
        QTest::newRow("Bool 0") << "Bool" << QByteArray("0") << rejected;
        QTest::newRow("Bool as text") << "Bool" << QByteArray("\"true\"") << rejected;

        QTest::newRow("String") << "String" << QByteArray("\"x\"") << "x";
        QTest::newRow("String with NUL escape")
            << "String" << QByteArray("\"a\\u0000b\"") << QString::fromUtf8("a\0b", 3);
        QTest::newRow("String 1") << "String" << QByteArray("1") << rejected;
        QTest::newRow("String null") << "String" << QByteArray("null") << rejected;
        QTest::newRow("String in array") << "String" << QByteArray("[\"x\"]") << rejected;

        QTest::newRow("vocabulary raw value")
            << "Finish" << QByteArray("\"low-confidence\"") << "low-confidence";
        QTest::newRow("vocabulary capitalised") << "Finish" << QByteArray("\"Low-confidence\"") << rejected;
        QTest::newRow("vocabulary case name") << "Finish" << QByteArray("\"lowConfidence\"") << rejected;
        QTest::newRow("vocabulary padded") << "Finish" << QByteArray("\" ok\"") << rejected;
        QTest::newRow("vocabulary number") << "Finish" << QByteArray("0") << rejected;
    }
    void primitives()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        const std::optional<QString> decoded = decodedText(type, line);
        QCOMPARE(decoded.has_value(), !expected.isNull());
        if (decoded)
            QCOMPARE(*decoded, expected);
    }

    // Numbers are written without a fraction when whole and exact, and never
    // when they are not finite.
    void numberEncoding_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("whole") << 2.0 << QByteArray("2");
        QTest::newRow("negative zero") << -0.0 << QByteArray("0");
        QTest::newRow("fraction") << 0.1 << QByteArray("0.1");
        QTest::newRow("2^53") << 9007199254740992.0 << QByteArray("9007199254740992");
        QTest::newRow("above 2^53") << 18014398509481984.0 << QByteArray("1.8014398509481984e+16");
        QTest::newRow("huge") << 1e300 << QByteArray("1e+300");
        QTest::newRow("nan") << qQNaN() << QByteArray();
        QTest::newRow("infinity") << -qInf() << QByteArray();
    }
    void numberEncoding()
    {
        QFETCH(double, number);
        QFETCH(QByteArray, text);
        if (text.isNull()) {
            QVERIFY_THROWS_EXCEPTION(EncodeError, encodeValue(number));
            return;
        }
        const QByteArray encoded = dumpJson(encodeValue(number));
        QCOMPARE(encoded, text);
        QCOMPARE(decodeValue<double>(parseJsonLine(encoded)), number);
    }

    void dumpWritesTextAsIs()
    {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        object["path"] = encodeValue(QStringLiteral("/home/dj/Ärger/a.mp3"));
        object["quote"] = encodeValue(QStringLiteral("say \"hi\"\n"));
        object["control"] = encodeValue(QString(QChar(1)));
        QCOMPARE(dumpJson(object),
            QByteArray("{\"path\":\"/home/dj/\xc3\x84rger/a.mp3\",\"quote\":\"say \\\"hi\\\"\\n\","
                       "\"control\":\"\\u0001\"}"));
    }

    void parseAcceptsOneValue_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("surrounding white space") << QByteArray(" \t{\"a\":1}\r\n");
        QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbf{}");
        QTest::newRow("nesting at the limit") << nested(kMaxJsonNestingDepth);
        QTest::newRow("brackets inside a string") << "[\"" + QByteArray(5000, '[') + "\"]";
        QTest::newRow("escaped quote before brackets") << "[\"\\\"" + QByteArray(600, '{') + "\"]";
    }
    void parseAcceptsOneValue()
    {
        QFETCH(QByteArray, line);
        try {
            const nlohmann::json whole = parseJsonLine(line);
            bool leftOut = true;
            QCOMPARE(parseJsonLineWithout(line, "a", leftOut), whole);
            QVERIFY(!leftOut);
        } catch (const DecodeError& error) {
            QFAIL(error.what());
        }
    }

    // A line read without the array or object of one top-level key: the rest
    // is as the whole parse gives it (repeated keys included: the last wins).
    void parseLeavesOutOneValue_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("rest");
        QTest::addColumn<bool>("leftOut");

        QTest::newRow("an object") << jsonLine("{'id':'r','result':{'tracks':[1,{'a':[]}]},'ok':true}")
                                   << jsonLine("{'id':'r','ok':true}") << true;
        QTest::newRow("a list") << jsonLine("{'result':[[{}],2],'x':{'result':[1]}}")
                                << jsonLine("{'x':{'result':[1]}}") << true;
        QTest::newRow("a plain value is kept") << jsonLine("{'result':'text','n':null}")
                                               << jsonLine("{'n':null,'result':'text'}") << false;
        QTest::newRow("null is kept") << jsonLine("{'result':null}") << jsonLine("{'result':null}") << false;
        QTest::newRow("only at the top")
            << jsonLine("{'data':{'result':{'a':1}},'list':[{'result':[]}]}")
            << jsonLine("{'data':{'result':{'a':1}},'list':[{'result':[]}]}") << false;
        QTest::newRow("a key named like it inside a string")
            << jsonLine("{'message':'\\u0027result\\u0027: {}','result':{}}")
            << jsonLine("{'message':'\\u0027result\\u0027: {}'}") << true;
        QTest::newRow("a plain value after the object wins") << jsonLine("{'result':{'a':1},'result':5}")
                                                              << jsonLine("{'result':5}") << true;
        QTest::newRow("an object after a plain value") << jsonLine("{'result':5,'result':{'a':1}}")
                                                       << jsonLine("{}") << true;
        QTest::newRow("a list at the top") << jsonLine("[{'result':{}}]") << jsonLine("[{'result':{}}]")
                                           << false;
    }
    void parseLeavesOutOneValue()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, rest);
        QFETCH(bool, leftOut);
        bool wasLeftOut = !leftOut;
        QCOMPARE(parseJsonLineWithout(line, "result", wasLeftOut), parseJsonLine(rest));
        QCOMPARE(wasLeftOut, leftOut);
    }

    void parseRejects_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("reason"); // part of the reason

        QTest::newRow("empty") << QByteArray() << QByteArray("empty");
        QTest::newRow("white space") << QByteArray(" \r\n") << QByteArray("empty");
        QTest::newRow("nesting beyond the limit")
            << nested(kMaxJsonNestingDepth + 1) << QByteArray("nesting");
        QTest::newRow("open nesting far beyond") << QByteArray(200000, '[') << QByteArray("nesting");
        QTest::newRow("truncated") << QByteArray("{\"id\":\"r1\",\"ok\":tr") << QByteArray("parse error");
        QTest::newRow("number beyond double") << QByteArray("{\"a\":1e400}") << QByteArray("overflow");
        QTest::newRow("trailing text") << QByteArray("{} x") << QByteArray("parse error");
        QTest::newRow("invalid UTF-8") << QByteArray("\"\xff\"") << QByteArray("UTF-8");
    }
    void parseRejects()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, reason);
        try {
            parseJsonLine(line);
            QFAIL("parsed");
        } catch (const DecodeError& error) {
            QVERIFY2(QByteArray(error.what()).contains(reason), error.what());
            // Leaving a value out changes nothing of the refusal.
            try {
                bool leftOut = false;
                parseJsonLineWithout(line, "result", leftOut);
                QFAIL("parsed without a value");
            } catch (const DecodeError& without) {
                QCOMPARE(QByteArray(without.what()), QByteArray(error.what()));
            }
        }
    }

    // A failure inside nested records names the way to it.
    void failurePaths_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("element of a list")
            << jsonLine("[{'source':'apple','id':'a'},{'source':'apple','id':3}]")
            << QByteArray("at [1].id: expected a string, found a number");
        QTest::newRow("vocabulary in a list")
            << jsonLine("[{'source':'apple','id':'a'},{'source':'tidal','id':'b'}]")
            << QByteArray("at [1].source: \"tidal\" is not a PlaylistSourceId value");
        QTest::newRow("not an object")
            << jsonLine("[null]") << QByteArray("at [0]: expected an object, found null");
    }
    void failurePaths()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, message);
        try {
            decodeValue<QList<PlaylistSelection>>(parseJsonLine(line));
            QFAIL("decoded");
        } catch (const DecodeError& error) {
            QCOMPARE(QByteArray(error.what()), message);
        }
    }
};

QTEST_GUILESS_MAIN(TestWireCoding)
#include "tst_wireCoding.moc"
