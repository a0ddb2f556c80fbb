#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>
#include <memory>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotask.h>
#include <type_traits>

namespace mivo {

// Runs blocking `work` on a thread of the global pool and lets the caller
// await its result without blocking its own thread. An exception thrown by
// `work` is rethrown to the awaiting caller.
//
// `work` is copied into the pool job, so it must own everything it touches:
// capture values, never references to the caller's objects. Build the lambda
// and the task as named locals and `co_await std::move(task)`: g++ 12 destroys
// temporaries created inside a co_await expression twice.
template <class Work> auto runInWorkerThread(Work work) -> QCoro::Task<std::invoke_result_t<Work&>>
{
    using Result = std::invoke_result_t<Work&>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    QThreadPool::globalInstance()->start([promise, work = std::move(work)]() mutable {
        promise->start();
        try {
            if constexpr (std::is_void_v<Result>)
                work();
            else
                promise->addResult(work());
        } catch (...) {
            // Handed to the awaiting caller, which rethrows it.
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    co_return co_await future;
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
