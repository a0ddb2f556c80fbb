#pragma once

#include <QCoro/QCoroTask>
#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>

namespace mivo::test {

// Runs a task to its end in the background and keeps what it produced, so that
// a test can wait for it with QTRY_VERIFY(probe.isDone()) and then look at the
// value or the error.
template <class T> class TaskProbe {
public:
    using Stored = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    explicit TaskProbe(QCoro::Task<T> task)
        : m_state(std::make_shared<State>())
    {
        run(std::move(task), m_state);
    }

    bool isDone() const { return m_state->done; }
    bool failed() const { return m_state->error != nullptr; }
    const Stored& value() const
    {
        if (m_state->error)
            std::rethrow_exception(m_state->error);
        return *m_state->value;
    }

    // The error the task ended with, when it is of type E.
    template <class E> std::optional<E> error() const
    {
        if (!m_state->error)
            return std::nullopt;
        try {
            std::rethrow_exception(m_state->error);
        } catch (const E& error) {
            return error;
        } catch (...) {
            return std::nullopt;
        }
    }

private:
    struct State {
        bool done = false;
        std::optional<Stored> value;
        std::exception_ptr error;
    };

    static QCoro::Task<void> run(QCoro::Task<T> task, std::shared_ptr<State> state)
    {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await task;
                state->value.emplace();
            } else {
                state->value.emplace(co_await task);
            }
        } catch (...) {
            state->error = std::current_exception();
        }
        state->done = true;
    }

    std::shared_ptr<State> m_state;
};

} // namespace mivo::test
