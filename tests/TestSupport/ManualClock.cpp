#include "TestSupport/ManualClock.h"

#include <algorithm>

namespace mivo::test {

ScheduledCall ManualClock::callAfter(Duration delay, QObject* context, std::function<void()> callback)
{
    auto cancelled = std::make_shared<bool>(false);
    m_entries.append({ m_now + std::max(delay, Duration::zero()), m_sequence++, context != nullptr, context,
        cancelled, std::move(callback) });
    return ScheduledCall([cancelled] { *cancelled = true; });
}

void ManualClock::advance(Duration step)
{
    const Duration target = m_now + step;
    for (;;) {
        m_entries.removeIf([](const Entry& entry) { return !entry.isLive(); });
        auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
            return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
        });
        if (next == m_entries.end() || next->due > target)
            break;
        const Entry entry = *next;
        m_entries.erase(next);
        m_now = std::max(m_now, entry.due);
        entry.callback();
    }
    m_now = target;
}

std::optional<MonotonicClock::Duration> ManualClock::nextDelay() const
{
    std::optional<Duration> earliest;
    for (const Entry& entry : m_entries) {
        if (entry.isLive() && (!earliest || entry.due < *earliest))
            earliest = entry.due;
    }
    if (!earliest)
        return std::nullopt;
    return *earliest - m_now;
}

int ManualClock::waitingCalls() const
{
    return int(
        std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& entry) { return entry.isLive(); }));
}

} // namespace mivo::test
