#include "Scheduler.h"

namespace mivo::standin {

Scheduler::Scheduler()
    : m_thread([this] { run(); })
{
}

Scheduler::~Scheduler()
{
    stop();
}

void Scheduler::at(Clock::time_point due, std::function<void()> action)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_pending.emplace(std::make_pair(due, m_sequence++), std::move(action));
    }
    m_wake.notify_one();
}

void Scheduler::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_pending.clear();
    }
    m_wake.notify_one();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void Scheduler::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_pending.empty()) {
            m_wake.wait(lock);
            continue;
        }
        const auto due = m_pending.begin()->first.first;
        if (Clock::now() < due) {
            m_wake.wait_until(lock, due);
            continue;
        }
        auto action = std::move(m_pending.begin()->second);
        m_pending.erase(m_pending.begin());
        lock.unlock();
        action();
        lock.lock();
    }
}

} // namespace mivo::standin
