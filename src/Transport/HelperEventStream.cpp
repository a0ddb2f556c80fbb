#include "Transport/HelperEventStream.h"

namespace mivo {

void HelperEventStream::State::wake()
{
    const QList<Completion<void>> waiting = std::exchange(waiters, {});
    for (Completion<void> waiter : waiting)
        waiter.resolve();
}

HelperEventStream::HelperEventStream(QObject* parent)
    : QObject(parent)
    , m_state(std::make_shared<State>())
{
}

HelperEventStream::~HelperEventStream()
{
    // A consumer still waiting must not wait on a stream that no longer exists.
    if (!m_state->end)
        m_state->end = StreamEnd::clientReleased;
    m_state->wake();
}

void HelperEventStream::yield(HelperEvent event)
{
    if (m_state->end)
        return;
    m_state->buffer.push_back(std::move(event));
    m_state->wake();
}

void HelperEventStream::finish(StreamEnd reason)
{
    if (m_state->end)
        return;
    m_state->end = reason;
    m_state->wake();
    emit finished(reason);
}

QCoro::Task<std::optional<HelperEvent>> HelperEventStream::next()
{
    return nextFrom(m_state);
}

// Holds the shared state rather than the stream, so that it never touches a
// stream destroyed while it waited.
QCoro::Task<std::optional<HelperEvent>> HelperEventStream::nextFrom(std::shared_ptr<State> state)
{
    while (state->buffer.empty() && !state->end) {
        Completion<void> woken;
        state->waiters.append(woken);
        co_await woken;
    }
    if (state->buffer.empty())
        co_return std::nullopt;
    HelperEvent event = std::move(state->buffer.front());
    state->buffer.pop_front();
    co_return event;
}

} // namespace mivo
