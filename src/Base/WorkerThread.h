#pragma once

#include "Base/ThreadHandOver.h"

#include <QFuture>
#include <QPromise>
#include <QThreadPool>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotask.h>
#include <type_traits>

namespace mivo {

// What orders each job after its hand-over to the pool (see ThreadHandOver.h).
inline constexpr char kWorkerHandOver = 0;

// Runs blocking `work` on a thread of the global pool and lets the caller
// await its result without blocking its own thread. An exception thrown by
// `work` is rethrown to the awaiting caller.
//
// `work` is moved into the pool job, so it must own everything it touches:
// capture values, never references to the caller's objects. Build the lambda
// and the task as named locals and `co_await std::move(task)`: g++ 12 destroys
// temporaries created inside a co_await expression twice.
template <class Work> auto runInWorkerThread(Work work) -> QCoro::Task<std::invoke_result_t<Work&>>
{
    using Result = std::invoke_result_t<Work&>;
    using Stored = std::conditional_t<std::is_void_v<Result>, std::monostate, Result>;
    // The result or the error waits beside the future, written before the
    // worker finishes it; the future only says when.
    struct Job {
        explicit Job(Work w)
            : work(std::move(w))
        {
        }
        Work work;
        std::optional<Stored> result;
        std::exception_ptr error;
    };
    auto job = std::make_shared<Job>(std::move(work));
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> future = promise->future();
    std::function<void()> run = [promise, job] {
        handOverAcquired(&kWorkerHandOver);
        promise->start();
        try {
            if constexpr (std::is_void_v<Result>) {
                job->work();
                job->result.emplace();
            } else {
                job->result.emplace(job->work());
            }
        } catch (...) {
            // Rethrown to the awaiting caller.
            job->error = std::current_exception();
        }
        handOverReleased(job.get());
        promise->finish();
    };
    handOverReleased(&kWorkerHandOver);
    QThreadPool::globalInstance()->start(std::move(run));
    co_await future;
    handOverAcquired(job.get());
    if (job->error)
        std::rethrow_exception(job->error);
    if constexpr (!std::is_void_v<Result>)
        co_return std::move(*job->result);
}

// Lets worker threads allocate from the main thread's heap; called once at
// start, before any thread runs. The allocator would otherwise give each worker
// a heap of its own and keep it after the work is done: a large message decoded
// on a worker would leave tens of megabytes resident, and fresh pages made the
// decoding several times slower than on the main thread.
inline void shareAllocatorHeap()
{
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
#endif
}

} // namespace mivo
