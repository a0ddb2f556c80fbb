#include "Base/WorkerPool.h"

#include "Base/Log.h"
#include "Base/ThreadWakeUp.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <vector>

namespace mivo {

namespace {

class Pool {
public:
    // Never destroyed: its threads wait on it until the process ends.
    static Pool& shared()
    {
        static Pool* const pool = new Pool;
        return *pool;
    }

    // On the application's thread; false when the job ran at once.
    bool start(std::function<void()> job, std::coroutine_handle<> waiting);
    void waitForDone();

private:
    struct Queued {
        std::function<void()> job;
        std::coroutine_handle<> waiting;
    };

    void work();
    void resumeFinished();
    // As the application ends: after its last job, nothing more is resumed.
    void letGo();

    std::mutex m_lock;
    std::condition_variable m_jobReady;
    std::condition_variable m_allDone;
    std::deque<Queued> m_jobs;
    std::vector<std::coroutine_handle<>> m_finished;
    int m_threads = 0;
    int m_idle = 0;
    int m_running = 0;
    // Made with the first job of each application, as its child.
    ThreadWakeUp* m_wakeUp = nullptr;
};

bool Pool::start(std::function<void()> job, std::coroutine_handle<> waiting)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QCoreApplication::closingDown()) {
        job();
        return false;
    }
    Q_ASSERT(QThread::currentThread() == app->thread());
    bool another = false;
    {
        const std::lock_guard<std::mutex> locker(m_lock);
        if (!m_wakeUp) {
            m_wakeUp = new ThreadWakeUp([this] { resumeFinished(); }, app);
            // The application waits for the jobs before it goes, and its wake-up with it.
            qAddPostRoutine([] { shared().letGo(); });
        }
        m_jobs.push_back(Queued { std::move(job), waiting });
        const int maximum = std::max(2, QThread::idealThreadCount());
        another = m_idle < int(m_jobs.size()) && m_threads < maximum;
        if (another)
            ++m_threads;
    }
    if (another) {
        // A thread Qt knows, with an event loop of its own, for jobs that use
        // Qt's objects; it never ends, so it is never waited for.
        QThread* thread = QThread::create([this] { work(); });
        thread->setObjectName(QStringLiteral("worker"));
        thread->start();
    }
    m_jobReady.notify_one();
    return true;
}

void Pool::work()
{
    std::unique_lock<std::mutex> locker(m_lock);
    for (;;) {
        ++m_idle;
        m_jobReady.wait(locker, [this] { return !m_jobs.empty(); });
        --m_idle;
        Queued queued = std::move(m_jobs.front());
        m_jobs.pop_front();
        ++m_running;
        locker.unlock();
        try {
            queued.job();
        } catch (const std::exception& error) {
            qCCritical(lcApp, "a worker's job failed: %s", error.what());
        } catch (...) {
            qCCritical(lcApp, "a worker's job failed");
        }
        // What the job captured goes here, on its own thread.
        queued.job = nullptr;
        locker.lock();
        --m_running;
        m_finished.push_back(queued.waiting);
        if (m_jobs.empty() && m_running == 0)
            m_allDone.notify_all();
        // Read under the lock, which letGo() takes before the wake-up goes.
        if (m_finished.size() == 1 && m_wakeUp)
            m_wakeUp->wake();
    }
}

void Pool::resumeFinished()
{
    std::vector<std::coroutine_handle<>> finished;
    {
        const std::lock_guard<std::mutex> locker(m_lock);
        finished.swap(m_finished);
    }
    for (std::coroutine_handle<> waiting : finished)
        waiting.resume();
}

void Pool::letGo()
{
    std::unique_lock<std::mutex> locker(m_lock);
    m_allDone.wait(locker, [this] { return m_jobs.empty() && m_running == 0; });
    m_wakeUp = nullptr;
    m_finished.clear();
}

void Pool::waitForDone()
{
    {
        std::unique_lock<std::mutex> locker(m_lock);
        m_allDone.wait(locker, [this] { return m_jobs.empty() && m_running == 0; });
    }
    resumeFinished();
}

} // namespace

bool WorkerPool::Run::await_suspend(std::coroutine_handle<> waiting)
{
    return Pool::shared().start(std::move(job), waiting);
}

void WorkerPool::waitForDone()
{
    Pool::shared().waitForDone();
}

} // namespace mivo
