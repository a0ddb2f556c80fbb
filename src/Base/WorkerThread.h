#pragma once

#include "Base/WorkerPool.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <qcoro/qcorotask.h>
#include <type_traits>

namespace mivo {

// Runs blocking `work` on a thread of the application's pool (WorkerPool) and
// lets the caller, on the application's thread, await its result without
// blocking. An exception thrown by `work` is rethrown to the awaiting caller.
//
// `work` is moved into the pool job, so it must own everything it touches:
// capture values, never references to the caller's objects. Build the lambda
// and the task as named locals and `co_await std::move(task)`: g++ 12 destroys
// temporaries created inside a co_await expression twice.
template <class Work> auto runInWorkerThread(Work work) -> QCoro::Task<std::invoke_result_t<Work&>>
{
    using Result = std::invoke_result_t<Work&>;
    using Stored = std::conditional_t<std::is_void_v<Result>, std::monostate, Result>;
    // The result or the error waits beside the job; the pool's hand-back
    // orders it before the caller resumes.
    struct Job {
        explicit Job(Work w)
            : work(std::move(w))
        {
        }
        std::optional<Work> work;
        std::optional<Stored> result;
        std::exception_ptr error;
    };
    auto job = std::make_shared<Job>(std::move(work));
    std::function<void()> run = [job] {
        try {
            if constexpr (std::is_void_v<Result>) {
                (*job->work)();
                job->result.emplace();
            } else {
                job->result.emplace((*job->work)());
            }
        } catch (...) {
            // Rethrown to the awaiting caller.
            job->error = std::current_exception();
        }
        // What the work captured is released on the worker, as the work ran there.
        job->work.reset();
    };
    co_await WorkerPool::run(std::move(run));
    if (job->error)
        std::rethrow_exception(job->error);
    if constexpr (!std::is_void_v<Result>)
        co_return std::move(*job->result);
}

// Gives the main thread a heap of its own and lets every other thread (the
// helper link's, the pool's) share a second one; called once at start, before
// any thread runs. The allocator would otherwise give each thread a heap of its
// own and keep it after the work is done: a large message decoded on a worker
// would leave tens of megabytes resident, and fresh pages made the decoding
// several times slower than on the main thread. The shared second heap stays
// warm from one job to the next. One heap for all threads costs the link a
// quarter of its throughput: the link's thread allocates what the main thread
// frees, and both waited on that heap's lock (205,000 against 258,000 to
// 292,000 events per second).
inline void shareAllocatorHeap()
{
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 2);
#endif
}

} // namespace mivo
