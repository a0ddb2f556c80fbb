#include "Base/MonotonicClock.h"

#include <QTimer>
#include <ctime>

namespace mivo {

MonotonicClock::Duration MonotonicClock::now() const
{
#ifdef CLOCK_BOOTTIME
    timespec stamp {};
    if (clock_gettime(CLOCK_BOOTTIME, &stamp) == 0)
        return std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec);
#endif
    return std::chrono::steady_clock::now().time_since_epoch();
}

ScheduledCall MonotonicClock::callAfter(Duration delay, QObject* context, std::function<void()> callback)
{
    using namespace std::chrono;
    const Duration due = now() + std::max(delay, Duration::zero());
    const bool hasContext = context != nullptr;
    QPointer<QObject> guard = context;

    auto* timer = new QTimer(context);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    // The timer's own time stops during a sleep; each expiry compares with this
    // clock and waits again for what is left, never longer than the recheck
    // interval. Rounded up, so that a call never runs before it is due.
    const auto arm = [this, timer, due] {
        const Duration left = std::max(due - now(), Duration::zero());
        timer->start(ceil<milliseconds>(std::min<Duration>(left, kRecheckInterval)));
    };
    QObject::connect(timer, &QTimer::timeout, timer,
        [this, timer, due, arm, guard, hasContext, callback = std::move(callback)] {
            if (hasContext && !guard) {
                timer->deleteLater();
                return;
            }
            if (now() < due) {
                arm();
                return;
            }
            timer->deleteLater();
            callback();
        });
    arm();

    QPointer<QTimer> handle = timer;
    return ScheduledCall([handle] {
        if (handle) {
            handle->stop();
            handle->deleteLater();
        }
    });
}

MonotonicClock& MonotonicClock::system()
{
    static MonotonicClock clock;
    return clock;
}

} // namespace mivo
