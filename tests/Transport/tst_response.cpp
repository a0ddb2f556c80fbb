#include "TestSupport/WireTesting.h"
#include "Transport/Response.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

Q_DECLARE_METATYPE(mivo::Response)

namespace {

Response reply(const QString& id, bool ok, std::optional<JSONValue> result = std::nullopt,
    std::optional<Response::EngineErrorPayload> error = std::nullopt)
{
    return Response { id, ok, std::move(result), std::move(error) };
}

} // namespace

class TestResponse : public QObject {
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<Response>("expected");

        QTest::newRow("ok without result") << jsonLine("{'id':'r3','ok':true}") << reply("r3", true);
        QTest::newRow("ok with null result")
            << jsonLine("{'id':'r3','ok':true,'result':null}") << reply("r3", true);
        QTest::newRow("ok with object result")
            << jsonLine("{'id':'r4','ok':true,'result':{'ok':true,'nodeCount':12}}")
            << reply("r4", true, JSONValue(JSONValue::Object { { "ok", true }, { "nodeCount", 12 } }));
        QTest::newRow("ok with array result")
            << jsonLine("{'id':'r5','ok':true,'result':[1,'a',false,null]}")
            << reply("r5", true, JSONValue(JSONValue::Array { 1, "a", false, nullptr }));
        QTest::newRow("keys in another order")
            << jsonLine("{'result':'x','ok':true,'id':'r6'}") << reply("r6", true, JSONValue("x"));
        QTest::newRow("unknown keys")
            << jsonLine("{'id':'r7','ok':true,'jsonrpc':'2.0','extra':[1]}") << reply("r7", true);
        QTest::newRow("failed without payload") << jsonLine("{'id':'r3','ok':false}") << reply("r3", false);
        QTest::newRow("failed with null error")
            << jsonLine("{'id':'r3','ok':false,'error':null}") << reply("r3", false);
        QTest::newRow("failed with known code") << jsonLine(
            "{'id':'r3','ok':false,'error':{'code':'sync_in_progress','message':'A sync is running.'}}")
                                                << reply("r3", false, std::nullopt,
                                                       Response::EngineErrorPayload { "sync_in_progress",
                                                           "A sync is running.", std::nullopt });
        QTest::newRow("failed with unknown code and data")
            << jsonLine("{'id':'r3','ok':false,'error':{'code':'rate_limited','message':'Slow down',"
                        "'data':{'retryAfter':5}}}")
            << reply("r3", false, std::nullopt,
                   Response::EngineErrorPayload {
                       "rate_limited", "Slow down", JSONValue(JSONValue::Object { { "retryAfter", 5 } }) });
        QTest::newRow("error beside ok true is kept")
            << jsonLine("{'id':'r3','ok':true,'result':1,'error':{'code':'internal','message':'m'}}")
            << reply(
                   "r3", true, JSONValue(1), Response::EngineErrorPayload { "internal", "m", std::nullopt });
    }
    void decodes()
    {
        QFETCH(QByteArray, line);
        QFETCH(Response, expected);
        try {
            QCOMPARE(Response::decode(line), expected);
        } catch (const DecodeError& error) {
            QFAIL(error.what());
        }
        QCOMPARE(Response::tryFromJson(parseJsonLine(line)), expected);
    }

    // Not replies: the client goes on to try such a line as an event.
    void rejects_data()
    {
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("without id") << jsonLine("{'ok':true}");
        QTest::newRow("id as number") << jsonLine("{'id':3,'ok':true}");
        QTest::newRow("id null") << jsonLine("{'id':null,'ok':true}");
        QTest::newRow("without ok") << jsonLine("{'id':'r1','result':1}");
        QTest::newRow("ok as text") << jsonLine("{'id':'r1','ok':'true'}");
        QTest::newRow("ok as 1") << jsonLine("{'id':'r1','ok':1}");
        QTest::newRow("error without code") << jsonLine("{'id':'r1','ok':false,'error':{'message':'m'}}");
        QTest::newRow("error without message")
            << jsonLine("{'id':'r1','ok':false,'error':{'code':'internal'}}");
        QTest::newRow("error code as number")
            << jsonLine("{'id':'r1','ok':false,'error':{'code':500,'message':'m'}}");
        QTest::newRow("error as text") << jsonLine("{'id':'r1','ok':false,'error':'boom'}");
        QTest::newRow("array") << jsonLine("[{'id':'r1','ok':true}]");
        QTest::newRow("event line") << jsonLine("{'event':'log','data':{'level':'info','message':'x'}}");
        QTest::newRow("empty object") << jsonLine("{}");
        QTest::newRow("result beside a numeric id") << jsonLine("{'id':3,'ok':true,'result':{'a':[1]}}");
        QTest::newRow("result beside an error as text")
            << jsonLine("{'id':'r1','ok':false,'result':[2],'error':'boom'}");
    }
    void rejects()
    {
        QFETCH(QByteArray, line);
        QVERIFY_THROWS_EXCEPTION(DecodeError, Response::decode(line));
        QCOMPARE(Response::tryFromJson(parseJsonLine(line)), std::nullopt);
        // The parsed line is left whole for its reading as an event.
        nlohmann::json parsed = parseJsonLine(line);
        QVERIFY_THROWS_EXCEPTION(DecodeError, Response::fromJson(std::move(parsed)));
        QCOMPARE(parsed, parseJsonLine(line));
    }

    // The line parsed once serves both readings.
    void decodesParsedLine()
    {
        const nlohmann::json parsed = parseJsonLine(jsonLine("{'id':'r9','ok':true,'result':{'a':[true]}}"));
        QCOMPARE(Response::fromJson(parsed),
            reply(
                "r9", true, JSONValue(JSONValue::Object { { "a", JSONValue(JSONValue::Array { true }) } })));
    }
};

QTEST_GUILESS_MAIN(TestResponse)
#include "tst_response.moc"
