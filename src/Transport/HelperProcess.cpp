#include "Transport/HelperProcess.h"

#include "Base/Bundle.h"
#include "Base/Log.h"
#include "Base/ThreadWakeUp.h"
#include "Base/Utf8.h"
#include "Transport/HelperError.h"
#include "Transport/HelperLocator.h"
#include "Transport/HelperOutputReader.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace mivo {

namespace {

// Hands each chunk on as it came, as outputReceived() on the main thread.
class ChunkForwarder : public HelperOutputSink {
public:
    explicit ChunkForwarder(HelperProcess* process)
        : m_process(process)
    {
    }

    MainThreadWork consume(QByteArrayView chunk) override
    {
        // The work runs only while the process exists (see HelperOutputReader).
        return [process = m_process, chunk = chunk.toByteArray()] { emit process->outputReceived(chunk); };
    }
    MainThreadWork ended() override { return {}; }

private:
    HelperProcess* m_process;
};

} // namespace

QString HelperProcess::Termination::description() const
{
    if (kind == Kind::clean)
        return QStringLiteral("clean");
    return QStringLiteral("crash(status: %1, reason: \"%2\")").arg(status).arg(reason);
}

HelperProcess::Termination HelperProcess::classify(QProcess::ExitStatus exitStatus, int exitCode)
{
    if (exitStatus == QProcess::CrashExit)
        return Termination::crash(exitCode, QStringLiteral("signal %1").arg(exitCode));
    if (exitCode == 0)
        return Termination::clean();
    return Termination::crash(exitCode, QStringLiteral("exit %1").arg(exitCode));
}

HelperProcess::HelperProcess(
    QString executablePath, QStringList arguments, MonotonicClock& clock, QObject* parent)
    : QObject(parent)
    , m_executablePath(std::move(executablePath))
    , m_arguments(std::move(arguments))
    , m_clock(clock)
{
}

HelperProcess::~HelperProcess()
{
    if (m_launching)
        failLaunch(QStringLiteral("the helper process was released"));
    failWrites(std::make_exception_ptr(HelperError::helperUnavailable()));
    m_runOutputWork = false;
    int stdoutFd = -1;
    // Waits for what the reader is doing, at most the decoding of one burst.
    if (m_reader)
        stdoutFd = m_reader->detach();
    if (m_process)
        release(std::exchange(m_process, nullptr), stdoutFd);
    else if (stdoutFd >= 0)
        ::close(stdoutFd);
}

void HelperProcess::setOutputSink(std::shared_ptr<HelperOutputSink> sink)
{
    Q_ASSERT(!m_reader);
    m_outputSink = std::move(sink);
}

void HelperProcess::startLinkThread()
{
    if (m_reader)
        return;
    if (!m_outputSink)
        m_outputSink = std::make_shared<ChunkForwarder>(this);
    m_readerWakeUp = new ThreadWakeUp([this] { takeOutput(); }, this);
    m_reader = std::make_unique<HelperOutputReader>(m_outputSink, *m_readerWakeUp, "helper.link");
}

void HelperProcess::takeOutput()
{
    const QPointer<HelperProcess> self = this;
    bool more = false;
    std::vector<HelperOutputReader::Mail> taken = m_reader->takeMail(more);
    // The rest waits for the next turn, after whatever else the loop has to do;
    // the reader wakes this again only once nothing is left.
    if (more)
        QMetaObject::invokeMethod(this, &HelperProcess::takeOutput, Qt::QueuedConnection);
    for (HelperOutputReader::Mail& mail : taken) {
        if (mail.work && m_runOutputWork)
            mail.work();
        // The work may have released this process (and its reader) meanwhile.
        if (!self)
            return;
        m_reader->workDone(mail.bytes);
        if (mail.drained)
            outputDrained();
        if (!self)
            return;
    }
}

void HelperProcess::outputDrained()
{
    // Everything the child printed has been handed on: now its end is.
    if (!m_ending)
        return;
    const Termination termination = *std::exchange(m_ending, std::nullopt);
    if (m_onTermination) {
        const TerminationHandler handler = m_onTermination;
        handler(termination);
    }
}

void HelperProcess::closeStdoutRead()
{
    if (m_stdoutRead >= 0)
        ::close(std::exchange(m_stdoutRead, -1));
}

std::unique_ptr<HelperProcess> HelperProcess::create(QStringList arguments, MonotonicClock& clock)
{
    const QString path = HelperLocator::locate(Bundle::main(), HelperLocator::processEnvironment());
    return std::make_unique<HelperProcess>(path, std::move(arguments), clock);
}

QCoro::Task<void> HelperProcess::start(TerminationHandler onTermination)
{
    Q_ASSERT(!m_process && !m_launching && !m_ending);
    m_onTermination = std::move(onTermination);
    startLinkThread();

    // The child's standard output is a pipe of our own, read on the link's
    // thread; QProcess keeps its standard input and error.
    int pipeEnds[2] = { -1, -1 };
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        qCWarning(lcHelper, "helper failed to launch: %s", std::strerror(errno));
        Completion<void> failed;
        failed.fail(HelperError::helperUnavailable());
        return awaitCompletion(std::move(failed));
    }
    const int writeEnd = pipeEnds[1];
    m_stdoutRead = pipeEnds[0];

    auto* process = new QProcess(this);
    process->setProgram(m_executablePath);
    process->setArguments(m_arguments);
    process->setProcessChannelMode(QProcess::ForwardedOutputChannel);
    // Runs in the child between fork and exec, after QProcess has set up its
    // channels; dup2() leaves the copy open across exec.
    process->setChildProcessModifier([writeEnd] {
        if (::dup2(writeEnd, STDOUT_FILENO) < 0)
            ::_exit(127);
    });
    connect(process, &QProcess::started, this, &HelperProcess::handleStarted);
    connect(process, &QProcess::readyReadStandardError, this, &HelperProcess::logStandardError);
    connect(process, &QProcess::finished, this, &HelperProcess::handleFinished);
    connect(process, &QProcess::bytesWritten, this, &HelperProcess::handleBytesWritten);
    connect(process, &QProcess::errorOccurred, this, &HelperProcess::handleError);

    m_bytesQueued = 0;
    m_bytesWritten = 0;
    m_stdinBroken = false;
    m_launching = process;
    m_launched = Completion<void>();
    const Completion<void> launched = m_launched;
    m_launchLimit = m_clock.callAfter(
        kLaunchTimeout, this, [this] { failLaunch(QStringLiteral("it did not start within 10 s")); });
    // The child's start is reported through started() or errorOccurred(), from
    // the event loop (or at once, for a launch that fails right away).
    process->start(QIODevice::ReadWrite);
    // The child has its copy (or failed to start): the parent keeps only the read end.
    ::close(writeEnd);
    return awaitCompletion(launched);
}

void HelperProcess::handleStarted()
{
    QProcess* process = m_launching;
    if (!process || sender() != process)
        return;
    m_launching = nullptr;
    m_launchLimit.cancel();
    m_process = process;
    m_lastHealthyStart = m_clock.now();
    m_reader->attach(std::exchange(m_stdoutRead, -1));
    qCInfo(lcHelper, "helper launched (pid %lld)", static_cast<long long>(process->processId()));
    m_launched.resolve();
}

void HelperProcess::failLaunch(const QString& reason)
{
    QProcess* process = std::exchange(m_launching, nullptr);
    if (!process)
        return;
    m_launchLimit.cancel();
    qCWarning(lcHelper, "helper failed to launch: %s", qUtf8Printable(reason));
    closeStdoutRead();
    if (process->state() == QProcess::NotRunning) {
        disconnect(process, nullptr, this, nullptr);
        process->deleteLater();
    } else {
        // Still starting: it is stopped and left to end on its own.
        process->kill();
        release(process, -1);
    }
    m_launched.fail(HelperError::helperUnavailable());
}

QCoro::Task<void> HelperProcess::write(QByteArray data)
{
    Completion<void> done;
    if (!m_process || m_process->state() != QProcess::Running) {
        done.fail(HelperError::helperUnavailable());
    } else if (m_stdinBroken) {
        done.fail(HelperError::helperCrashed());
    } else if (data.isEmpty()) {
        done.resolve();
    } else if (m_process->write(data) != data.size()) {
        done.fail(HelperError::helperCrashed());
    } else {
        m_bytesQueued += data.size();
        m_writes.push_back({ m_bytesQueued, done });
    }
    return awaitCompletion(std::move(done));
}

QCoro::Task<void> HelperProcess::awaitCompletion(Completion<void> done)
{
    co_await done;
}

std::optional<HelperProcess::Stop> HelperProcess::stop(
    std::chrono::milliseconds grace, std::chrono::milliseconds terminateGrace)
{
    // A child that has just ended is not reported either.
    m_ending.reset();
    QProcess* process = std::exchange(m_process, nullptr);
    if (!process)
        return std::nullopt;
    // Nothing of this end reaches the client: the application is on its way out.
    disconnect(process, nullptr, this, nullptr);
    failWrites(std::make_exception_ptr(HelperError::helperUnavailable()));
    // What the child still prints is read, so that it never blocks on a full pipe.
    m_reader->discard();
    connect(
        process, &QProcess::readyReadStandardError, process, [process] { process->readAllStandardError(); });

    const auto ended = [process](std::chrono::milliseconds wait) {
        return process->state() == QProcess::NotRunning || process->waitForFinished(int(wait.count()));
    };
    Stop stop;
    process->closeWriteChannel();
    if (!ended(grace)) {
        qCWarning(lcHelper, "helper did not end within %llds of its input closing; terminating it",
            static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(grace).count()));
        stop.way = Stop::Way::terminated;
        process->terminate();
        if (!ended(terminateGrace)) {
            qCWarning(lcHelper, "helper did not terminate; killing it");
            stop.way = Stop::Way::killed;
            process->kill();
            process->waitForFinished(-1);
        }
    }
    stop.termination = classify(process->exitStatus(), process->exitCode());
    qCInfo(lcHelper, "helper terminated: %s", qUtf8Printable(stop.termination.description()));
    delete process;
    return stop;
}

void HelperProcess::terminate()
{
    if (m_process)
        m_process->terminate();
}

void HelperProcess::kill()
{
    if (m_process && m_process->processId() >= 1)
        m_process->kill();
}

bool HelperProcess::registerCrashAndShouldRestart()
{
    const MonotonicClock::Duration now = m_clock.now();
    m_crashTimestamps.append(now);
    m_crashTimestamps.removeIf([now](MonotonicClock::Duration stamp) { return now - stamp > kCrashWindow; });
    if (m_crashTimestamps.size() >= kCrashLimit) {
        qCCritical(lcHelper, "helper crashed %lld times in 10s; giving up",
            static_cast<long long>(m_crashTimestamps.size()));
        return false;
    }
    if (m_lastHealthyStart && now - *m_lastHealthyStart >= kHealthyRun)
        m_currentBackoff = kInitialBackoff;
    return true;
}

double HelperProcess::nextBackoffDelay()
{
    const double delay = m_currentBackoff;
    m_currentBackoff = std::min(2 * m_currentBackoff, kMaximumBackoff);
    return delay;
}

void HelperProcess::logStandardError()
{
    if (!m_process)
        return;
    const QByteArray chunk = m_process->readAllStandardError();
    if (chunk.isEmpty() || !lcHelper().isDebugEnabled())
        return;
    // Each chunk is logged on its own; one that is not valid UTF-8 is dropped.
    const std::optional<QString> text = decodeUtf8Strict(chunk);
    if (!text)
        return;
    for (const QString& piece : text->split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        qCDebug(lcHelper, "helper stderr: %s", qUtf8Printable(piece));
}

void HelperProcess::handleFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    QProcess* process = m_process;
    if (!process || sender() != process)
        return;

    logStandardError();

    const Termination termination = classify(exitStatus, exitCode);
    qCInfo(lcHelper, "helper terminated: %s", qUtf8Printable(termination.description()));

    m_process = nullptr;
    disconnect(process, nullptr, this, nullptr);
    process->deleteLater();
    // Bytes still queued never reached the child.
    failWrites(std::make_exception_ptr(HelperError::helperCrashed()));

    // Everything the child printed before it ended is handed on before its end
    // is (outputDrained()): a reply written just before a crash still answers
    // its request.
    m_ending = termination;
    m_reader->drain();
}

void HelperProcess::handleBytesWritten(qint64 count)
{
    m_bytesWritten += count;
    while (!m_writes.empty() && m_writes.front().end <= m_bytesWritten) {
        m_writes.front().done.resolve();
        m_writes.pop_front();
    }
}

void HelperProcess::handleError(QProcess::ProcessError error)
{
    // An ended child is reported by handleFinished().
    if (error == QProcess::FailedToStart && sender() == m_launching) {
        failLaunch(m_launching->errorString());
        return;
    }
    if (error == QProcess::WriteError && sender() == m_process) {
        m_stdinBroken = true;
        failWrites(std::make_exception_ptr(HelperError::helperCrashed()));
    }
}

void HelperProcess::failWrites(const std::exception_ptr& error)
{
    std::deque<PendingWrite> writes;
    writes.swap(m_writes);
    for (PendingWrite& write : writes)
        write.done.fail(error);
}

void HelperProcess::release(QProcess* process, int stdoutFd)
{
    // The child is left to end on its own: it sees its standard input close,
    // its output is read and discarded so that it never blocks on a full pipe,
    // and the handle is freed once it has ended (or, at the latest, with the
    // application).
    disconnect(process, nullptr, this, nullptr);
    process->setParent(QCoreApplication::instance());
    connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    if (stdoutFd >= 0) {
        // Read here, on the main thread: the link's thread ends with this object.
        auto* notifier = new QSocketNotifier(stdoutFd, QSocketNotifier::Read, process);
        const auto open = std::make_shared<int>(stdoutFd);
        connect(notifier, &QSocketNotifier::activated, notifier, [notifier, open] {
            char scratch[64 * 1024];
            const ssize_t count = ::read(*open, scratch, sizeof scratch);
            if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR)) {
                notifier->setEnabled(false);
                ::close(std::exchange(*open, -1));
            }
        });
        connect(notifier, &QObject::destroyed, [open] {
            if (*open >= 0)
                ::close(std::exchange(*open, -1));
        });
    }
    connect(
        process, &QProcess::readyReadStandardError, process, [process] { process->readAllStandardError(); });
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->closeWriteChannel();
}

} // namespace mivo
