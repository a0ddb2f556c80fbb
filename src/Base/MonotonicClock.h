#pragma once

#include <QPointer>
#include <chrono>
#include <functional>

class QObject;

namespace mivo {

// A call scheduled on a clock; cancel() drops it if it has not run yet.
class ScheduledCall {
public:
    ScheduledCall() = default;
    explicit ScheduledCall(std::function<void()> cancel)
        : m_cancel(std::move(cancel))
    {
    }

    void cancel()
    {
        if (m_cancel)
            std::exchange(m_cancel, nullptr)();
    }

private:
    std::function<void()> m_cancel;
};

// The monotonic clock that time-outs, back-off delays and crash stamps are
// measured on. It never jumps with the wall clock and keeps counting while the
// computer sleeps, so a request that waited across a suspend has timed out when
// the computer wakes. Everything that waits takes one by reference, so that
// tests can drive time by hand.
class MonotonicClock {
public:
    using Duration = std::chrono::nanoseconds;

    // Event-loop timers stand still while the computer sleeps, so a scheduled
    // call looks at this clock at least this often and runs as soon as its due
    // time has passed on it.
    static constexpr auto kRecheckInterval = std::chrono::seconds(1);

    virtual ~MonotonicClock() = default;

    // Time since an arbitrary fixed origin (the boot, on Linux), sleep included.
    virtual Duration now() const;

    // Runs `callback` on the main event loop once `delay` has passed on this
    // clock, at most kRecheckInterval late after a sleep. The call is dropped
    // if `context` (when given) is destroyed first or if the returned handle is
    // cancelled.
    virtual ScheduledCall callAfter(Duration delay, QObject* context, std::function<void()> callback);

    static MonotonicClock& system();
};

} // namespace mivo
