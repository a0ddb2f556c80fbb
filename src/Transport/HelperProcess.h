#pragma once

#include "Base/Completion.h"
#include "Base/MonotonicClock.h"
#include "Transport/HelperOutputSink.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace mivo {

class HelperOutputReader;
class ThreadWakeUp;

// Owns the one running helper child: its pipes, its standard output (read on
// the link's own thread and handed to an output sink there), its standard error
// (logged), how it ended, and the crash bookkeeping that decides whether a
// relaunch is allowed.
//
// Lives on the main thread; all of its work but the reading of the child's
// standard output runs on the main event loop, one piece at a time. That
// output is read on a thread of its own (the link's thread, started with the
// first launch), where the sink works; what the sink hands back is run here.
// Releasing the process neither terminates nor signals the child: the child
// only sees its standard input close. On the application's way out, stop()
// gives the child a bounded time to end by itself first.
class HelperProcess : public QObject {
    Q_OBJECT

public:
    // How the child ended.
    struct Termination {
        enum class Kind { clean, crash };

        Kind kind = Kind::clean;
        int status = 0;
        QString reason;

        static Termination clean() { return {}; }
        static Termination crash(int status, QString reason)
        {
            return { Kind::crash, status, std::move(reason) };
        }

        bool isCrash() const { return kind == Kind::crash; }
        // "clean", or "crash(status: 3, reason: \"exit 3\")".
        QString description() const;

        bool operator==(const Termination&) const = default;
    };

    // Classifies an ended child from Qt's exit status and code: a signal (whose
    // number Qt reports as the code on this platform), exit status 0, or
    // another exit status.
    static Termination classify(QProcess::ExitStatus exitStatus, int exitCode);

    static constexpr double kInitialBackoff = 0.25;
    static constexpr double kMaximumBackoff = 4.0;
    static constexpr auto kCrashWindow = std::chrono::seconds(10);
    static constexpr int kCrashLimit = 6;
    static constexpr auto kHealthyRun = std::chrono::seconds(30);
    // How long a launch may take before it counts as failed.
    static constexpr auto kLaunchTimeout = std::chrono::seconds(10);

    HelperProcess(QString executablePath, QStringList arguments,
        MonotonicClock& clock = MonotonicClock::system(), QObject* parent = nullptr);
    ~HelperProcess() override;

    // Locates the helper for the running application (see HelperLocator) and
    // makes a process for it. Throws HelperError::helperMissing().
    static std::unique_ptr<HelperProcess> create(
        QStringList arguments, MonotonicClock& clock = MonotonicClock::system());

    QString executablePath() const { return m_executablePath; }
    QStringList arguments() const { return m_arguments; }
    bool isRunning() const { return m_process != nullptr; }

    using TerminationHandler = std::function<void(const Termination&)>;

    // Where the children's standard output goes, set before the first launch.
    // Without one, it arrives as outputReceived() chunks on the main thread.
    void setOutputSink(std::shared_ptr<HelperOutputSink> sink);
    // The work the sink still hands back is dropped from now on (its owner is
    // going away).
    void dropOutputWork() { m_runOutputWork = false; }

    // Launches the child without blocking; it inherits the environment and
    // working directory. Completes once the child runs. When it ends,
    // everything it printed is delivered first, then `onTermination` is called
    // (once per child; it replaces any earlier handler), possibly before the
    // caller has resumed. Precondition: no child is running, launching or
    // ending (its output still being delivered). Throws
    // HelperError::helperUnavailable() when the launch fails, takes longer than
    // kLaunchTimeout, or the process object is destroyed meanwhile.
    QCoro::Task<void> start(TerminationHandler onTermination);
    bool isLaunching() const { return m_launching != nullptr; }
    // The child has exited and what it printed is still on its way.
    bool isEnding() const { return m_ending.has_value(); }

    // Completes once the bytes have reached the child's standard input. Writes
    // go out one at a time in the order they were made. Throws
    // HelperError::helperUnavailable() when no child runs, and
    // HelperError::helperCrashed() when the write fails.
    QCoro::Task<void> write(QByteArray data);

    // How a child that was asked to stop ended.
    struct Stop {
        enum class Way { byItself, terminated, killed };
        Way way = Way::byItself;
        Termination termination;
        bool operator==(const Stop&) const = default;
    };
    // The application's way out, once its windows have closed: closes the child's
    // standard input, the end of its work, and waits up to `grace` for it to end by
    // itself (a real helper abandons a file it was writing into the user's import
    // folder cleanly); then asks it to terminate and waits up to `terminateGrace`;
    // only then kills it. Blocks meanwhile, reading and dropping what the child
    // prints. The end is not reported to the termination handler (no relaunch
    // follows). None when no child runs.
    std::optional<Stop> stop(std::chrono::milliseconds grace, std::chrono::milliseconds terminateGrace);
    static constexpr auto kStopGrace = std::chrono::seconds(3);
    static constexpr auto kTerminateGrace = std::chrono::seconds(2);

    void terminate();
    void kill();
    // The running child's process id; 0 without one.
    qint64 processId() const { return m_process ? m_process->processId() : 0; }

    // Notes a crash now; false once kCrashLimit crashes lie within kCrashWindow.
    // After a healthy run of kHealthyRun or more, the back-off starts over.
    bool registerCrashAndShouldRestart();
    // The delay before the next relaunch, in seconds; doubles up to the maximum.
    double nextBackoffDelay();
    double currentBackoff() const { return m_currentBackoff; }

signals:
    void outputReceived(const QByteArray& chunk);

private:
    // Runs what the reader has sent, in order; woken by the link's thread.
    void takeOutput();

    struct PendingWrite {
        qint64 end = 0;
        Completion<void> done;
    };

    void handleStarted();
    void failLaunch(const QString& reason);
    void startLinkThread();
    void logStandardError();
    void handleFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void handleBytesWritten(qint64 count);
    void handleError(QProcess::ProcessError error);
    void failWrites(const std::exception_ptr& error);
    void release(QProcess* process, int stdoutFd);
    void closeStdoutRead();
    void outputDrained();
    static QCoro::Task<void> awaitCompletion(Completion<void> done);

    QString m_executablePath;
    QStringList m_arguments;
    MonotonicClock& m_clock;
    std::shared_ptr<HelperOutputSink> m_outputSink;
    bool m_runOutputWork = true;
    // Made with the first launch; its thread is the link's, and wakes this
    // object through the wake-up, which outlives it.
    ThreadWakeUp* m_readerWakeUp = nullptr;
    std::unique_ptr<HelperOutputReader> m_reader;
    // The read end of the launching child's output pipe, until the reader takes it.
    int m_stdoutRead = -1;
    // How the child ended, while its last output is still on its way.
    std::optional<Termination> m_ending;
    QProcess* m_process = nullptr;
    // The child being launched, until it runs or its launch has failed.
    QProcess* m_launching = nullptr;
    Completion<void> m_launched;
    ScheduledCall m_launchLimit;
    QList<MonotonicClock::Duration> m_crashTimestamps;
    double m_currentBackoff = kInitialBackoff;
    std::optional<MonotonicClock::Duration> m_lastHealthyStart;
    TerminationHandler m_onTermination;
    std::deque<PendingWrite> m_writes;
    qint64 m_bytesQueued = 0;
    qint64 m_bytesWritten = 0;
    // Set once a write to the child's standard input has failed: the pipe is
    // gone for good, although the child may still run.
    bool m_stdinBroken = false;
};

} // namespace mivo
