#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace mivo::standin {

// Runs actions at given times on one thread of its own, in time order and, for equal
// times, in the order they were scheduled. Used for delayed replies and for work that
// pushes paced events before it answers (tool provisioning, the sign-in pause).
class Scheduler {
public:
    using Clock = std::chrono::steady_clock;

    Scheduler();
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    void at(Clock::time_point due, std::function<void()> action);
    void after(Clock::duration delay, std::function<void()> action)
    {
        at(Clock::now() + delay, std::move(action));
    }

    // Drops every pending action and ends the thread (an action that is running finishes first).
    void stop();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::pair<Clock::time_point, std::uint64_t>, std::function<void()>> m_pending;
    std::uint64_t m_sequence = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace mivo::standin
