#include "TestSupport/TaskProbe.h"
#include "Transport/HelperEventStream.h"

#include <QtTest>

using namespace mivo;

namespace {

HelperEvent logEvent(const QString& message)
{
    return HelperEvent::server(ServerEvent { ServerEvent::Log { std::nullopt, LogLevel::info, message } });
}

using Next = test::TaskProbe<std::optional<HelperEvent>>;

} // namespace

class TestHelperEventStream : public QObject {
    Q_OBJECT

private slots:
    // Events come out in order, buffered or awaited; after the end, what was
    // buffered is still delivered, then nothing.
    void deliversInOrderThenEnds()
    {
        HelperEventStream stream;
        QSignalSpy finished(&stream, &HelperEventStream::finished);
        stream.yield(HelperEvent::helperReady());
        stream.yield(logEvent("one"));

        Next first(stream.next());
        QTRY_VERIFY(first.isDone());
        QCOMPARE(first.value(), std::optional(HelperEvent::helperReady()));

        Next second(stream.next());
        QTRY_VERIFY(second.isDone());
        Next waiting(stream.next());
        QCoreApplication::processEvents();
        QVERIFY(!waiting.isDone());
        stream.yield(HelperEvent::helperCrashed());
        QTRY_VERIFY(waiting.isDone());
        QCOMPARE(second.value(), std::optional(logEvent("one")));
        QCOMPARE(waiting.value(), std::optional(HelperEvent::helperCrashed()));

        stream.yield(logEvent("before the end"));
        stream.finish(StreamEnd::gaveUp);
        stream.finish(StreamEnd::cleanExit);
        stream.yield(logEvent("after the end"));
        QVERIFY(stream.isFinished());
        QCOMPARE(stream.endReason(), StreamEnd::gaveUp);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<StreamEnd>(), StreamEnd::gaveUp);

        Next last(stream.next());
        QTRY_VERIFY(last.isDone());
        QCOMPARE(last.value(), std::optional(logEvent("before the end")));
        Next none(stream.next());
        QTRY_VERIFY(none.isDone());
        QCOMPARE(none.value(), std::optional<HelperEvent>());
    }

    // A consumer waiting when the stream ends, or when the stream itself is
    // destroyed, is woken with the end.
    void waitingConsumerSeesTheEnd_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::newRow("finished") << false;
        QTest::newRow("destroyed") << true;
    }
    void waitingConsumerSeesTheEnd()
    {
        QFETCH(bool, destroy);
        auto stream = std::make_unique<HelperEventStream>();
        Next waiting(stream->next());
        QCoreApplication::processEvents();
        QVERIFY(!waiting.isDone());
        if (destroy)
            stream.reset();
        else
            stream->finish(StreamEnd::cleanExit);
        QTRY_VERIFY(waiting.isDone());
        QCOMPARE(waiting.value(), std::optional<HelperEvent>());
    }

    // Many events yielded in one go reach a consumer that reads them one by one.
    void largeBurst()
    {
        HelperEventStream stream;
        for (int i = 0; i < 10000; ++i)
            stream.yield(logEvent(QString::number(i)));
        stream.finish(StreamEnd::cleanExit);
        int count = 0;
        bool inOrder = true;
        for (;;) {
            Next next(stream.next());
            QTRY_VERIFY(next.isDone());
            if (!next.value())
                break;
            inOrder = inOrder && *next.value() == logEvent(QString::number(count));
            ++count;
        }
        QCOMPARE(count, 10000);
        QVERIFY(inOrder);
    }
};

QTEST_GUILESS_MAIN(TestHelperEventStream)
#include "tst_helpereventstream.moc"
