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

    // Lines longer than the maximum are let go whole, wherever the chunks cut
    // them, and the buffer never holds more than the maximum meanwhile; the
    // lines around them come out as usual.
    void overlongLines_data()
    {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<int>("dropped");
        QTest::addColumn<QByteArray>("rest");

        // The maximum is 8 bytes.
        QTest::newRow("a line of exactly the maximum is kept")
            << Chunks { "12345678\n" } << Lines { "12345678" } << 0 << QByteArray();
        QTest::newRow("one byte more is dropped and the next line kept")
            << Chunks { "123456789\n{}\n" } << Lines { "{}" } << 1 << QByteArray();
        QTest::newRow("passing the maximum across chunks")
            << Chunks { "12345", "6789", "abcdef", "gh\n{}\n" } << Lines { "{}" } << 1 << QByteArray();
        QTest::newRow("the line feed comes in the chunk that passes the maximum")
            << Chunks { "1234567", "89\n[]\n" } << Lines { "[]" } << 1 << QByteArray();
        QTest::newRow("the line feed starts the chunk after the maximum was passed")
            << Chunks { "123456789", "\n[]\n" } << Lines { "[]" } << 1 << QByteArray();
        QTest::newRow("a line that never ends leaves nothing to flush")
            << Chunks { "1234567890", "xxxxxxxxxxxx", "yyyy" } << Lines {} << 1 << QByteArray();
        QTest::newRow("each overlong line counts once") << Chunks { "123456789\n", "123456789abcdefgh",
            "ijk\nok\n" } << Lines { "ok" } << 2 << QByteArray();
        QTest::newRow("short lines before and after, and a rest") << Chunks { "ok\n123456789", "\nok2\nre",
            "st" } << Lines { "ok", "ok2" } << 1 << QByteArray("rest");
        QTest::newRow("a carriage return before the line feed counts as a byte of the line")
            << Chunks { "12345678\r\n", "1234567\r\n" } << Lines { "1234567" } << 1 << QByteArray();
    }
    void overlongLines()
    {
        QFETCH(Chunks, chunks);
        QFETCH(Lines, lines);
        QFETCH(int, dropped);
        QFETCH(QByteArray, rest);

        NDJSONFramer framer(8);
        Lines out;
        for (const QByteArray& chunk : chunks) {
            out += framer.feed(chunk);
            QVERIFY2(framer.bufferedSize() <= 8, QByteArray::number(framer.bufferedSize()));
        }
        QCOMPARE(out, lines);
        QCOMPARE(framer.droppedLineCount(), quint64(dropped));
        QCOMPARE(framer.flush().value_or(QByteArray()), rest);
    }

    // The real maximum: a line of 300 MiB fed in chunks of 1 MiB is counted
    // as dropped as soon as it passes 256 MiB, the buffer stays within the
    // maximum throughout, and the line after it is decoded.
    void lineOfThreeHundredMebibytes()
    {
        NDJSONFramer framer;
        QCOMPARE(framer.maxLineBytes(), qsizetype(256) * 1024 * 1024);
        const QByteArray chunk(1024 * 1024, 'x');
        Lines out;
        for (int i = 0; i < 300; ++i) {
            out += framer.feed(chunk);
            QVERIFY(framer.bufferedSize() <= framer.maxLineBytes());
            QCOMPARE(framer.droppedLineCount(), quint64(i >= 256 ? 1 : 0));
        }
        QCOMPARE(framer.bufferedSize(), 0);
        out += framer.feed("xxxx\n{\"id\":\"r1\",\"ok\":true}\n");
        QCOMPARE(out, Lines { "{\"id\":\"r1\",\"ok\":true}" });
        QCOMPARE(framer.droppedLineCount(), quint64(1));
        QCOMPARE(framer.bufferedSize(), 0);
    }

    void clearDropsPartialLine()
    {
        NDJSONFramer framer;
        QVERIFY(framer.feed("{\"id\":\"r1\"").isEmpty());
        framer.clear();
        QCOMPARE(framer.feed("{}\n"), Lines { "{}" });

        // Also the rest of a line being skipped for its length.
        NDJSONFramer small(4);
        QVERIFY(small.feed("123456").isEmpty());
        small.clear();
        QCOMPARE(small.feed("{}\n"), Lines { "{}" });
    }
};

QTEST_GUILESS_MAIN(TestNDJSONFramer)
#include "tst_ndjsonframer.moc"
