#include "TestSupport/WireTesting.h"
#include "Transport/HelperClienting.h"
#include "Transport/StreamedRecords.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

namespace {

// A reply line around a result written with single quotes.
QByteArray reply(const char* result)
{
    return jsonLine("{'id':'r1','ok':true,'result':") + jsonLine(result) + "}";
}

const char* const kRow = "{'id':'a','title':'T','artist':'A','durationSec':300,'artwork':{'kind':'none'},"
                         "'onDisk':'missing'}";

// The result as decodeResult<T> reads it: the value, or the failure text.
template <typename T> std::pair<std::optional<T>, QString> decoded(const std::optional<JSONValue>& result)
{
    try {
        return { HelperClienting::decodeResult<T>(result), QString() };
    } catch (const HelperError& error) {
        return { std::nullopt, error.userText() };
    }
}

} // namespace

class TestStreamedRecords : public QObject {
    Q_OBJECT

private slots:
    // A result left in its line reads exactly as the same result parsed into a
    // tree: the same records, or the same failure. The rows the reader takes
    // straight from the text are the usual replies; everything unusual is left
    // to the tree decoder, which then has the last word.
    void readsAsTheTreeDoes_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("wrapped");
        QTest::addColumn<bool>("streamed");

        const auto row = [](const char* name, const QByteArray& line, bool wrapped, bool streamed) {
            QTest::newRow(name) << line << wrapped << streamed;
        };
        row("every field",
            reply("{'tracks':[{'id':'spotify:x#0','title':'Neon Orbit','artist':'Sól & Máni','album':'Nights',"
                  "'durationSec':458.89,'artwork':{'kind':'url','url':'https://a.invalid/t.jpg'},"
                  "'onDisk':'present','meta':{'format':'MP3','bitrate':'320','source':'soulseek'}}]}"),
            true, true);
        row("optional fields absent", reply("{'tracks':[" + QByteArray(kRow) + "]}"), true, true);
        row("optional fields null",
            reply("{'tracks':[{'id':'a','title':'T','artist':'A','album':null,'durationSec':1,"
                  "'artwork':{'kind':'none'},'onDisk':'missing','meta':null}]}"),
            true, true);
        row("every artwork kind",
            reply("{'tracks':[{'id':'a','title':'T','artist':'A','durationSec':1,'onDisk':'missing',"
                  "'artwork':{'kind':'appleMusic','persistentID':'0A1B'}},"
                  "{'id':'b','title':'T','artist':'A','durationSec':1,'onDisk':'missing',"
                  "'artwork':{'kind':'mosaic','trackIds':['x','y']}},"
                  "{'id':'c','title':'T','artist':'A','durationSec':1,'onDisk':'missing',"
                  "'artwork':{'kind':'hologram'}}]}"),
            true, true);
        row("numbers in every form",
            reply("{'tracks':[{'id':'a','title':'T','artist':'A','durationSec':-0.0,'artwork':{'kind':'none'},"
                  "'onDisk':'missing'},{'id':'b','title':'T','artist':'A','durationSec':3e2,"
                  "'artwork':{'kind':'none'},'onDisk':'missing'},{'id':'c','title':'T','artist':'A',"
                  "'durationSec':18446744073709551615,'artwork':{'kind':'none'},'onDisk':'missing'},"
                  "{'id':'d','title':'T','artist':'A','durationSec':-7,'artwork':{'kind':'none'},"
                  "'onDisk':'missing'}]}"),
            true, true);
        row("escapes and characters beyond the basic plane",
            reply("{'tracks':[{'id':'a\\\\b','title':'\\u00e9 \\ud83c\\udfb5 \\u0027q\\u0027','artist':'\\n',"
                  "'durationSec':1,'artwork':{'kind':'none'},'onDisk':'missing'}]}"),
            true, true);
        row("unknown keys anywhere",
            reply("{'page':{'tracks':[1]},'tracks':[{'id':'a','title':'T','artist':'A','durationSec':1,"
                  "'artwork':{'kind':'none','extra':[{}]},'onDisk':'missing','bpm':[1,[2,{'x':null}]]}],"
                  "'next':null}"),
            true, true);
        row("a key repeated inside a record: the last wins",
            reply("{'tracks':[{'id':'first','title':'T','artist':'A','durationSec':1,'artwork':{'kind':'none'},"
                  "'onDisk':'missing','id':'second'}]}"),
            true, true);
        row("no tracks", reply("{'tracks':[]}"), true, true);
        row("keys around the result",
            jsonLine("{'before':{'result':[]},'id':'r1','result':{'tracks':[") + jsonLine(kRow)
                + jsonLine("]},'ok':true,'after':[{'tracks':[]}]}"),
            true, true);
        row("bare list", reply("[" + QByteArray(kRow) + "," + kRow + "]"), false, true);

        row("a record without its id",
            reply("{'tracks':[" + QByteArray(kRow) + ",{'title':'T','artist':'A','durationSec':1,"
                  "'artwork':{'kind':'none'},'onDisk':'missing'}]}"),
            true, false);
        row("an unknown on-disk state",
            reply("{'tracks':[{'id':'a','title':'T','artist':'A','durationSec':1,'artwork':{'kind':'none'},"
                  "'onDisk':'maybe'}]}"),
            true, false);
        row("an element that is no record", reply("{'tracks':[" + QByteArray(kRow) + ",7]}"), true, false);
        row("tracks that are no list", reply("{'tracks':{'a':1}}"), true, false);
        row("no tracks key", reply("{'items':[]}"), true, false);
        row("tracks twice: the last wins",
            reply("{'tracks':[" + QByteArray(kRow) + "],'tracks':[]}"), true, false);
        row("a result that is a list", reply("[" + QByteArray(kRow) + "]"), true, false);
        row("a bare list that is an object", reply("{'tracks':[]}"), false, false);
        row("result twice: the last wins",
            jsonLine("{'id':'r1','ok':true,'result':{'tracks':[]},'result':{'tracks':[") + jsonLine(kRow)
                + jsonLine("]}}"),
            true, false);
    }
    void readsAsTheTreeDoes()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, wrapped);
        QFETCH(bool, streamed);

        const std::optional<JSONValue> tree = Response::decode(line).result;
        const std::optional<JSONValue> text = JSONValue::unparsedMember(line, "result");
        if (wrapped) {
            const auto [value, failure] = decoded<PreviewTracksResult>(text);
            const auto [expectedValue, expectedFailure] = decoded<PreviewTracksResult>(tree);
            QCOMPARE(failure, expectedFailure);
            QVERIFY(value == expectedValue);
            QCOMPARE(StreamedRecords::read<PreviewTrackDTO>(line, "result", "tracks").has_value(), streamed);
        } else {
            const auto [value, failure] = decoded<QList<PreviewTrackDTO>>(text);
            const auto [expectedValue, expectedFailure] = decoded<QList<PreviewTrackDTO>>(tree);
            QCOMPARE(failure, expectedFailure);
            QVERIFY(value == expectedValue);
            QCOMPARE(StreamedRecords::read<PreviewTrackDTO>(line, "result").has_value(), streamed);
        }
        // Whatever is left to the tree decoder still reads as a value.
        QCOMPARE(text->toObject(), tree->toObject());
        QCOMPARE(text->toArray(), tree->toArray());
    }

    // Text that is no reply of the expected shape is never read: cut short,
    // followed by more, a bare value, nested too deep.
    void refusesWhatDoesNotParse_data()
    {
        QTest::addColumn<QByteArray>("line");
        const QByteArray whole = reply("{'tracks':[" + QByteArray(kRow) + "]}");
        QTest::newRow("cut short") << whole.left(whole.size() - 3);
        QTest::newRow("followed by more") << whole + " {}";
        QTest::newRow("a list at the top") << "[" + whole + "]";
        QTest::newRow("a bare value") << QByteArray("\"result\"");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("too deep inside a record")
            << reply("{'tracks':[{'id':'a','title':'T','artist':'A','durationSec':1,'artwork':{'kind':'none'},"
                     "'onDisk':'missing','x':")
                + QByteArray(600, '[') + QByteArray(600, ']') + "}]}}";
    }
    void refusesWhatDoesNotParse()
    {
        QFETCH(QByteArray, line);
        QVERIFY(!StreamedRecords::read<PreviewTrackDTO>(line, "result", "tracks"));
    }
};

QTEST_GUILESS_MAIN(TestStreamedRecords)
#include "tst_streamedRecords.moc"
