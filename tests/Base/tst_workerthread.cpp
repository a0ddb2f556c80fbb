#include "Base/WorkerPool.h"
#include "Base/WorkerThread.h"
#include "TestSupport/TaskProbe.h"

#include <QEventLoop>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <stdexcept>
#include <thread>

using namespace mivo;
using test::TaskProbe;

namespace {

// Where a job ran and where its caller went on.
struct Threads {
    QThread* job = nullptr;
    QThread* resumed = nullptr;
};

QCoro::Task<int> runAndNote(std::shared_ptr<Threads> threads, int value)
{
    auto work = [threads, value] {
        threads->job = QThread::currentThread();
        return value * 2;
    };
    QCoro::Task<int> task = runInWorkerThread(std::move(work));
    const int result = co_await std::move(task);
    threads->resumed = QThread::currentThread();
    co_return result;
}

// Counts its copies that are alive and the thread that let the last one go.
struct Tracked {
    explicit Tracked(std::shared_ptr<std::atomic<QThread*>> released)
        : released(std::move(released))
    {
    }
    Tracked(const Tracked&) = default;
    Tracked(Tracked&&) = default;
    ~Tracked()
    {
        if (released && released.use_count() == 2)
            released->store(QThread::currentThread());
    }
    std::shared_ptr<std::atomic<QThread*>> released;
};

// Goes on after a first job, then waits in a nested event loop for a second.
QCoro::Task<int> nestedWait()
{
    auto first = [] { return 1; };
    QCoro::Task<int> task = runInWorkerThread(std::move(first));
    const int one = co_await std::move(task);
    std::optional<int> two;
    QEventLoop loop;
    auto second = [] { return 2; };
    QCoro::connect(runInWorkerThread(std::move(second)), &loop, [&two, &loop](int value) {
        two = value;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    co_return one + two.value_or(100);
}

} // namespace

class TestWorkerThread : public QObject {
    Q_OBJECT

private slots:
    // A job runs off the application's thread and its caller goes on there,
    // with the result or the job's own error.
    void theCallerGetsTheResultOrTheErrorOnItsThread()
    {
        auto threads = std::make_shared<Threads>();
        TaskProbe<int> result(runAndNote(threads, 21));
        auto failing = [] {
            throw std::runtime_error("no such file");
            return 0;
        };
        TaskProbe<int> failed(runInWorkerThread(std::move(failing)));
        QTRY_VERIFY(result.isDone() && failed.isDone());

        QCOMPARE(result.value(), 42);
        QVERIFY(threads->job && threads->job != QCoreApplication::instance()->thread());
        QCOMPARE(threads->resumed, QCoreApplication::instance()->thread());
        const std::optional<std::runtime_error> error = failed.error<std::runtime_error>();
        QVERIFY(error);
        QCOMPARE(QByteArray(error->what()), QByteArray("no such file"));
    }

    // More jobs than the pool has threads: they wait their turn, and every
    // caller goes on with its own result.
    void moreJobsThanThreadsAllEnd()
    {
        const int count = 3 * std::max(2, QThread::idealThreadCount());
        auto started = std::make_shared<std::atomic<int>>(0);
        std::vector<std::unique_ptr<TaskProbe<int>>> probes;
        for (int i = 0; i < count; ++i) {
            auto work = [started, i] {
                started->fetch_add(1);
                return i;
            };
            probes.push_back(std::make_unique<TaskProbe<int>>(runInWorkerThread(std::move(work))));
        }
        QTRY_VERIFY(
            std::all_of(probes.begin(), probes.end(), [](const auto& probe) { return probe->isDone(); }));
        QCOMPARE(started->load(), count);
        for (int i = 0; i < count; ++i)
            QCOMPARE(probes[size_t(i)]->value(), i);
    }

    // What the work captured (a large reply's JSON, say) is let go on the
    // worker, never on the application's thread.
    void theWorksCapturesGoOnTheWorker()
    {
        auto released = std::make_shared<std::atomic<QThread*>>(nullptr);
        auto work = [tracked = Tracked(released)] { return tracked.released != nullptr; };
        TaskProbe<bool> probe(runInWorkerThread(std::move(work)));
        QTRY_VERIFY(probe.isDone());
        QVERIFY(probe.value());
        QVERIFY(released->load());
        QVERIFY(released->load() != QCoreApplication::instance()->thread());
    }

    // A caller that goes on inside a nested event loop, which waits for a
    // second job: the second caller goes on there too.
    void aCallerGoesOnInsideANestedLoop()
    {
        TaskProbe<int> probe(nestedWait());
        QTRY_VERIFY(probe.isDone());
        QCOMPARE(probe.value(), 3);
    }

    // waitForDone() lets every caller go on before it returns, so that what a
    // job had to say is there for the next line.
    void waitingForThePoolResumesTheCallers()
    {
        auto proceed = std::make_shared<std::atomic<bool>>(false);
        auto work = [proceed] {
            while (!proceed->load())
                std::this_thread::yield();
            return 7;
        };
        TaskProbe<int> probe(runInWorkerThread(std::move(work)));
        QVERIFY(!probe.isDone());
        proceed->store(true);
        WorkerPool::waitForDone();
        QVERIFY(probe.isDone());
        QCOMPARE(probe.value(), 7);
    }
};

QTEST_GUILESS_MAIN(TestWorkerThread)
#include "tst_workerthread.moc"
