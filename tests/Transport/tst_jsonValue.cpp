#include "TestSupport/WireTesting.h"
#include "Transport/JSONValue.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

Q_DECLARE_METATYPE(mivo::JSONValue)

namespace {

JSONValue parsed(const QByteArray& line)
{
    return JSONValue::fromJson(parseJsonLine(line));
}

} // namespace

class TestJSONValue : public QObject {
    Q_OBJECT

private slots:
    void decodesEveryKind_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<JSONValue>("expected");
        QTest::addColumn<JSONValue::Kind>("kind");

        QTest::newRow("integer is a number") << QByteArray("1") << JSONValue(1.0) << JSONValue::Kind::number;
        QTest::newRow("large integer") << QByteArray("18446744073709551615")
                                       << JSONValue(18446744073709551615.0) << JSONValue::Kind::number;
        QTest::newRow("negative fraction")
            << QByteArray("-0.25") << JSONValue(-0.25) << JSONValue::Kind::number;
        QTest::newRow("true is a bool") << QByteArray("true") << JSONValue(true) << JSONValue::Kind::boolean;
        QTest::newRow("quoted 1 is a string")
            << QByteArray("\"1\"") << JSONValue("1") << JSONValue::Kind::string;
        QTest::newRow("escapes") << QByteArray("\"a\\\"\\\\\\u00e9\\n\"")
                                 << JSONValue(QStringLiteral("a\"\\é\n")) << JSONValue::Kind::string;
        QTest::newRow("empty array") << QByteArray("[]") << JSONValue(JSONValue::Array {})
                                     << JSONValue::Kind::array;
        QTest::newRow("empty object")
            << QByteArray("{}") << JSONValue(JSONValue::Object {}) << JSONValue::Kind::object;
        QTest::newRow("null") << QByteArray("null") << JSONValue() << JSONValue::Kind::null;
        QTest::newRow("nested")
            << jsonLine("{'a':[1,{'b':null}],'c':false}")
            << JSONValue(JSONValue::Object {
                   { "a", JSONValue::Array { 1, JSONValue::Object { { "b", nullptr } } } }, { "c", false } })
            << JSONValue::Kind::object;
    }
    void decodesEveryKind()
    {
        QFETCH(QByteArray, line);
        QFETCH(JSONValue, expected);
        QFETCH(JSONValue::Kind, kind);
        const JSONValue value = parsed(line);
        QCOMPARE(value.kind(), kind);
        QCOMPARE(value, expected);
        // Taken over from the parser, it reads the same.
        const JSONValue adopted = JSONValue::adopt(parseJsonLine(line));
        QCOMPARE(adopted.kind(), kind);
        QCOMPARE(adopted, expected);
    }

    void equality_data()
    {
        QTest::addColumn<QByteArray>("lhs");
        QTest::addColumn<QByteArray>("rhs");
        QTest::addColumn<bool>("equal");

        QTest::newRow("objects in different order")
            << jsonLine("{'a':1,'b':[true,null]}") << jsonLine("{'b':[true,null],'a':1}") << true;
        QTest::newRow("object with an extra key")
            << jsonLine("{'a':1}") << jsonLine("{'a':1,'b':1}") << false;
        QTest::newRow("object with another value") << jsonLine("{'a':1}") << jsonLine("{'a':2}") << false;
        QTest::newRow("arrays in different order") << QByteArray("[1,2]") << QByteArray("[2,1]") << false;
        QTest::newRow("array prefix") << QByteArray("[1,2]") << QByteArray("[1,2,3]") << false;
        QTest::newRow("1 against true") << QByteArray("1") << QByteArray("true") << false;
        QTest::newRow("0 against false") << QByteArray("0") << QByteArray("false") << false;
        QTest::newRow("1 against 1.0") << QByteArray("1") << QByteArray("1.0") << true;
        QTest::newRow("1 against \"1\"") << QByteArray("1") << QByteArray("\"1\"") << false;
        QTest::newRow("null against null") << QByteArray("null") << QByteArray("null") << true;
        QTest::newRow("null against empty object") << QByteArray("null") << QByteArray("{}") << false;
        QTest::newRow("empty array against empty object") << QByteArray("[]") << QByteArray("{}") << false;
    }
    void equality()
    {
        QFETCH(QByteArray, lhs);
        QFETCH(QByteArray, rhs);
        QFETCH(bool, equal);
        QCOMPARE(parsed(lhs) == parsed(rhs), equal);
        QCOMPARE(parsed(rhs) == parsed(lhs), equal);
    }

    // A NaN equals nothing, itself included, also inside a container that is
    // shared between two copies.
    void nanEqualsNothing()
    {
        const JSONValue nan(qQNaN());
        QVERIFY(!(nan == nan));
        const JSONValue array(JSONValue::Array { 1, qQNaN() });
        const JSONValue copy = array;
        QVERIFY(!(array == copy));
        const JSONValue object(JSONValue::Object { { "x", qQNaN() } });
        QVERIFY(!(object == JSONValue(object)));
    }

    // Finite trees survive encoding and decoding; whole numbers are written
    // without a fraction.
    void roundTrip_data()
    {
        QTest::addColumn<JSONValue>("value");
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("scalars") << JSONValue(JSONValue::Array { "s/t", 2.0, 0.1, -7, true, nullptr })
                                 << jsonLine("['s/t',2,0.1,-7,true,null]");
        QTest::newRow("nested object") << JSONValue(JSONValue::Object {
            { "b", JSONValue::Array {} }, { "a", JSONValue::Object { { "é", 1.5e300 } } } })
                                       << jsonLine("{'a':{'é':1.5e+300},'b':[]}");
        QTest::newRow("large whole number") << JSONValue(1e20) << QByteArray("1e+20");
    }
    void roundTrip()
    {
        QFETCH(JSONValue, value);
        QFETCH(QByteArray, line);
        const QByteArray encoded = dumpJson(toJson(value));
        QCOMPARE(encoded, line);
        QCOMPARE(parsed(encoded), value);
    }

    void encodingRefusesNonFiniteNumbers()
    {
        QVERIFY_THROWS_EXCEPTION(EncodeError, toJson(JSONValue(qInf())));
        QVERIFY_THROWS_EXCEPTION(EncodeError, toJson(JSONValue(JSONValue::Object { { "a", qQNaN() } })));
    }

    void accessorsOfOtherCases()
    {
        const JSONValue number(3.5);
        QCOMPARE(number.toString(), QString());
        QVERIFY(number.toArray().isEmpty());
        QVERIFY(number.value("a").isNull());
        const JSONValue object(JSONValue::Object { { "a", "x" } });
        QCOMPARE(object.value("a").toString(), "x");
        QCOMPARE(object.toDouble(), 0.0);
    }
};

QTEST_GUILESS_MAIN(TestJSONValue)
#include "tst_jsonValue.moc"
