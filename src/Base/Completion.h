#pragma once

#include <QtGlobal>
#include <coroutine>
#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace mivo {

// Resumes `waiter` from the main event loop. A resumption still queued when the
// application object goes is delivered before it goes, so no coroutine is left
// suspended (and its frame lost) because the loop stopped turning. Without an
// application object, `waiter` is resumed at once.
void resumeFromEventLoop(std::coroutine_handle<> waiter);

// A one-shot continuation: one side awaits it, another resolves or fails it
// exactly once (later attempts are ignored and return false).
//
// The awaiting coroutine is resumed from the event loop, never from inside
// resolve() or fail(): whoever completes it may be in the middle of its own
// work (routing a batch of lines, tearing down a process) and must not find
// itself destroyed by the code that runs on after the await. The shared state
// outlives both sides, so a completion may be dropped by its producer at any
// time.
template <class T> class Completion {
public:
    using Stored = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

private:
    struct State {
        bool done = false;
        std::optional<Stored> value;
        std::exception_ptr error;
        std::coroutine_handle<> waiter;
    };

public:
    Completion()
        : m_state(std::make_shared<State>())
    {
    }

    bool isDone() const { return m_state->done; }

    bool resolve(Stored value = {})
    {
        if (m_state->done)
            return false;
        m_state->value.emplace(std::move(value));
        settle();
        return true;
    }

    bool fail(std::exception_ptr error)
    {
        if (m_state->done)
            return false;
        m_state->error = std::move(error);
        settle();
        return true;
    }

    template <class E>
    requires(!std::is_same_v<std::decay_t<E>, std::exception_ptr>) bool fail(E error)
    {
        return fail(std::make_exception_ptr(std::move(error)));
    }

    struct Awaiter {
        std::shared_ptr<State> state;

        bool await_ready() const noexcept { return state->done; }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { state->waiter = waiter; }
        Stored await_resume()
        {
            if (state->error)
                std::rethrow_exception(state->error);
            return std::move(*state->value);
        }
    };

    Awaiter operator co_await() const noexcept { return Awaiter { m_state }; }

private:
    void settle()
    {
        m_state->done = true;
        if (const std::coroutine_handle<> waiter = std::exchange(m_state->waiter, nullptr))
            resumeFromEventLoop(waiter);
    }

    std::shared_ptr<State> m_state;
};

} // namespace mivo
