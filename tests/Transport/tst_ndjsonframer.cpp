#include "Transport/NDJSONFramer.h"

#include <QtTest>

using namespace mivo;

using Chunks = QList<QByteArray>;
using Lines = QList<QByteArray>;

class TestNDJSONFramer : public QObject {
    Q_OBJECT

private slots:
    // Feeds the chunks in order and checks the lines that came out and what is
    // left unterminated.
    void framing_data()
    {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<QByteArray>("rest");

        QTest::newRow("object split across two chunks")
            << Chunks { "{\"event\":\"lo", "g\"}\n" } << Lines { "{\"event\":\"log\"}" } << QByteArray();
        QTest::newRow("three lines in one chunk")
            << Chunks { "{\"a\":1}\n{\"b\":2}\n{\"c\":3}\n" }
            << Lines { "{\"a\":1}", "{\"b\":2}", "{\"c\":3}" } << QByteArray();
        QTest::newRow("crlf ending") << Chunks { "{}\r\n" } << Lines { "{}" } << QByteArray();
        QTest::newRow("two carriage returns keep one")
            << Chunks { "{}\r\r\n" } << Lines { "{}\r" } << QByteArray();
        QTest::newRow("carriage return inside the line is kept")
            << Chunks { "a\rb\n" } << Lines { "a\rb" } << QByteArray();
        QTest::newRow("empty line and lone carriage return yield nothing")
            << Chunks { "\n\r\n{}\n\n" } << Lines { "{}" } << QByteArray();
        QTest::newRow("carriage return and line feed in separate chunks")
            << Chunks { "{}\r", "\n" } << Lines { "{}" } << QByteArray();
        QTest::newRow("rest kept until its line feed arrives")
            << Chunks { "{}\nab", "c", "" } << Lines { "{}" } << QByteArray("abc");
        QTest::newRow("rest loses one carriage return on flush")
            << Chunks { "abc\r" } << Lines {} << QByteArray("abc");
        QTest::newRow("one byte at a time")
            << Chunks { "{", "}", "\r", "\n", "[", "]", "\n" } << Lines { "{}", "[]" } << QByteArray();
        QTest::newRow("line feed at the start of a chunk ends the buffered line")
            << Chunks { "abc", "\ndef" } << Lines { "abc" } << QByteArray("def");
        QTest::newRow("bytes that are not UTF-8 pass through")
            << Chunks { QByteArray("\xff\xfe\n", 3) } << Lines { QByteArray("\xff\xfe", 2) } << QByteArray();
    }
    void framing()
    {
        QFETCH(Chunks, chunks);
        QFETCH(Lines, lines);
        QFETCH(QByteArray, rest);

        NDJSONFramer framer;
        Lines out;
        for (const QByteArray& chunk : chunks)
            out += framer.feed(chunk);
        QCOMPARE(out, lines);

        const std::optional<QByteArray> flushed = framer.flush();
        QCOMPARE(flushed.has_value(), !rest.isEmpty());
        if (flushed)
            QCOMPARE(*flushed, rest);
        QVERIFY(!framer.flush().has_value());
    }

    // A long line arriving in many small chunks comes out whole, and the lines
    // after it are not disturbed.
    void longLineInManyChunks()
    {
        QByteArray line(1 << 20, 'x');
        line.prepend("{\"m\":\"").append("\"}");
        NDJSONFramer framer;
        Lines out;
        const QByteArray stream = line + "\n{}\n";
        for (qsizetype at = 0; at < stream.size(); at += 4093)
            out += framer.feed(
                QByteArrayView(stream).sliced(at, std::min<qsizetype>(4093, stream.size() - at)));
        QCOMPARE(out.size(), 2);
        QCOMPARE(out[0], line);
        QCOMPARE(out[1], QByteArray("{}"));
        QCOMPARE(framer.bufferedSize(), 0);
    }

    void clearDropsPartialLine()
    {
        NDJSONFramer framer;
        QVERIFY(framer.feed("{\"id\":\"r1\"").isEmpty());
        framer.clear();
        QCOMPARE(framer.feed("{}\n"), Lines { "{}" });
    }
};

QTEST_GUILESS_MAIN(TestNDJSONFramer)
#include "tst_ndjsonframer.moc"
