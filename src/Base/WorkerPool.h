#pragma once

// Nothing here is for moc, which cannot read the standard coroutine header.
#ifndef Q_MOC_RUN
#include <coroutine>
#include <functional>

namespace mivo {

// The application's threads for blocking work: a job runs on one of them and
// the coroutine that waits for it resumes on the application's thread, in the
// event loop. The pool's queue, its idle threads and its hand-back are the
// standard library's locks and an event descriptor (ThreadWakeUp), all of which
// a thread checker sees, so a job's captures and its result are ordered between
// the threads without any annotation. The threads are made on demand, up to the
// machine's cores, and kept for the life of the process; the application waits
// for the jobs still running as it ends.
class WorkerPool {
public:
    // What a coroutine on the application's thread awaits to run `job` on a
    // worker. Without an application (no event loop to resume in), or while it
    // is closing down, the job runs at once, on the caller's thread.
    struct Run {
        std::function<void()> job;

        bool await_ready() const noexcept { return false; }
        bool await_suspend(std::coroutine_handle<> waiting);
        void await_resume() const noexcept { }
    };
    static Run run(std::function<void()> job) { return Run { std::move(job) }; }

    // On the application's thread: blocks until no job waits or runs, then
    // resumes the coroutines that waited for them.
    static void waitForDone();
};

} // namespace mivo

#endif // Q_MOC_RUN
