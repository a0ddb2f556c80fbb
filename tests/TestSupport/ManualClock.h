#pragma once

#include "Base/MonotonicClock.h"

#include <QList>
#include <QPointer>
#include <memory>
#include <optional>

namespace mivo::test {

// A clock that only moves when a test advances it. Scheduled calls run inside
// advance(), in the order of their due times, with the clock reading each
// call's due time while it runs.
class ManualClock : public MonotonicClock {
public:
    Duration now() const override { return m_now; }
    ScheduledCall callAfter(Duration delay, QObject* context, std::function<void()> callback) override;

    void advance(Duration step);

    // Time until the earliest call still waiting, if any.
    std::optional<Duration> nextDelay() const;
    int waitingCalls() const;

private:
    struct Entry {
        Duration due;
        quint64 sequence = 0;
        bool hasContext = false;
        QPointer<QObject> context;
        std::shared_ptr<bool> cancelled;
        std::function<void()> callback;

        bool isLive() const { return !*cancelled && (!hasContext || context); }
    };

    Duration m_now { std::chrono::hours(1) };
    quint64 m_sequence = 0;
    QList<Entry> m_entries;
};

} // namespace mivo::test
