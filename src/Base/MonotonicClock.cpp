#include "Base/MonotonicClock.h"

#include <QTimer>

namespace mivo {

MonotonicClock::Duration MonotonicClock::now() const
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

ScheduledCall MonotonicClock::callAfter(Duration delay, QObject* context, std::function<void()> callback)
{
    using namespace std::chrono;
    // Round up, so that a call never runs before its delay has passed.
    const auto ms = ceil<milliseconds>(std::max(delay, Duration::zero()));
    const bool hasContext = context != nullptr;
    QPointer<QObject> guard = context;

    auto* timer = new QTimer(context);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(
        timer, &QTimer::timeout, timer, [timer, guard, hasContext, callback = std::move(callback)] {
            timer->deleteLater();
            if (hasContext && !guard)
                return;
            callback();
        });
    timer->start(ms);

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
