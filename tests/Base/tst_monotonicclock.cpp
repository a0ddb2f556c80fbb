#include "Base/MonotonicClock.h"
#include "TestSupport/ManualClock.h"

#include <QtTest>

using namespace mivo;
using namespace std::chrono_literals;

namespace {

// The system clock with a sleep of the computer simulated: its time jumps
// ahead while event-loop timers, like the real ones across a suspend, do not
// see the time that passed.
class SleepingClock : public MonotonicClock {
public:
    Duration now() const override { return MonotonicClock::now() + m_slept; }
    void sleep(Duration duration) { m_slept += duration; }

private:
    Duration m_slept {};
};

} // namespace

class TestMonotonicClock : public QObject {
    Q_OBJECT

private slots:
    void systemClockRunsScheduledCalls_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("destroyContext");
        QTest::addColumn<bool>("runs");
        QTest::newRow("runs") << false << false << true;
        QTest::newRow("cancelled") << true << false << false;
        QTest::newRow("context destroyed") << false << true << false;
    }
    void systemClockRunsScheduledCalls()
    {
        QFETCH(bool, cancel);
        QFETCH(bool, destroyContext);
        QFETCH(bool, runs);

        MonotonicClock& clock = MonotonicClock::system();
        auto context = std::make_unique<QObject>();
        const auto scheduledAt = clock.now();
        std::optional<MonotonicClock::Duration> ranAt;
        ScheduledCall call = clock.callAfter(20ms, context.get(), [&] { ranAt = clock.now(); });
        // A marker call later than the one under test shows when it would have run.
        bool marker = false;
        clock.callAfter(60ms, nullptr, [&] { marker = true; });
        if (cancel)
            call.cancel();
        if (destroyContext)
            context.reset();
        QTRY_VERIFY(marker);
        QCOMPARE(ranAt.has_value(), runs);
        if (ranAt)
            QVERIFY(*ranAt - scheduledAt >= 20ms);
    }

    // A wait that spans a sleep ends on the first look at the clock after
    // waking, not once the timer's own (stopped) time has run out.
    void sleepCountsTowardsTheWait()
    {
        SleepingClock clock;
        const auto scheduledAt = clock.now();
        std::optional<MonotonicClock::Duration> ranAt;
        clock.callAfter(1h, nullptr, [&] { ranAt = clock.now(); });
        clock.sleep(2h);
        QTRY_VERIFY(ranAt);
        QVERIFY(*ranAt - scheduledAt >= 1h);
    }

    // The test clock runs due calls in order of their due times, each seeing
    // its own due time as now.
    void manualClockOrder()
    {
        test::ManualClock clock;
        const auto start = clock.now();
        QList<std::pair<int, MonotonicClock::Duration>> ran;
        clock.callAfter(300ms, nullptr, [&] { ran.emplaceBack(3, clock.now() - start); });
        clock.callAfter(100ms, nullptr, [&] {
            ran.emplaceBack(1, clock.now() - start);
            clock.callAfter(50ms, nullptr, [&] { ran.emplaceBack(2, clock.now() - start); });
        });
        ScheduledCall dropped
            = clock.callAfter(200ms, nullptr, [&] { ran.emplaceBack(0, MonotonicClock::Duration {}); });
        dropped.cancel();
        QCOMPARE(clock.nextDelay(), std::optional<MonotonicClock::Duration>(100ms));
        clock.advance(299ms);
        QCOMPARE(ran.size(), 2);
        clock.advance(1ms);
        const QList<std::pair<int, MonotonicClock::Duration>> expected { { 1, 100ms }, { 2, 150ms },
            { 3, 300ms } };
        QCOMPARE(ran, expected);
        QCOMPARE(clock.waitingCalls(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMonotonicClock)
#include "tst_monotonicclock.moc"
