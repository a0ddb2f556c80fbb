#include "Transport/HelperProcess.h"

#include "Base/Bundle.h"
#include "Base/Log.h"
#include "Base/Utf8.h"
#include "Transport/HelperError.h"
#include "Transport/HelperLocator.h"

#include <QCoreApplication>

namespace mivo {

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
    if (m_process)
        release(std::exchange(m_process, nullptr));
}

std::unique_ptr<HelperProcess> HelperProcess::create(QStringList arguments, MonotonicClock& clock)
{
    const QString path = HelperLocator::locate(Bundle::main(), HelperLocator::processEnvironment());
    return std::make_unique<HelperProcess>(path, std::move(arguments), clock);
}

QCoro::Task<void> HelperProcess::start(TerminationHandler onTermination)
{
    Q_ASSERT(!m_process && !m_launching);
    m_onTermination = std::move(onTermination);

    auto* process = new QProcess(this);
    process->setProgram(m_executablePath);
    process->setArguments(m_arguments);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    connect(process, &QProcess::started, this, &HelperProcess::handleStarted);
    connect(process, &QProcess::readyReadStandardOutput, this, &HelperProcess::forwardStandardOutput);
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
    if (process->state() == QProcess::NotRunning) {
        disconnect(process, nullptr, this, nullptr);
        process->deleteLater();
    } else {
        // Still starting: it is stopped and left to end on its own.
        process->kill();
        release(process);
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
    QProcess* process = std::exchange(m_process, nullptr);
    if (!process)
        return std::nullopt;
    // Nothing of this end reaches the client: the application is on its way out.
    disconnect(process, nullptr, this, nullptr);
    failWrites(std::make_exception_ptr(HelperError::helperUnavailable()));
    // What the child still prints is read, so that it never blocks on a full pipe.
    connect(process, &QProcess::readyReadStandardOutput, process, [process] { process->readAllStandardOutput(); });
    connect(process, &QProcess::readyReadStandardError, process, [process] { process->readAllStandardError(); });

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

void HelperProcess::forwardStandardOutput()
{
    if (!m_process)
        return;
    const QByteArray chunk = m_process->readAllStandardOutput();
    if (!chunk.isEmpty())
        emit outputReceived(chunk);
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

    // Everything the child printed before it ended is handed on before its end
    // is: a reply written just before a crash still answers its request.
    const QPointer<HelperProcess> self = this;
    forwardStandardOutput();
    if (!self)
        return;
    logStandardError();

    const Termination termination = classify(exitStatus, exitCode);
    qCInfo(lcHelper, "helper terminated: %s", qUtf8Printable(termination.description()));

    m_process = nullptr;
    disconnect(process, nullptr, this, nullptr);
    process->deleteLater();
    // Bytes still queued never reached the child.
    failWrites(std::make_exception_ptr(HelperError::helperCrashed()));

    if (m_onTermination) {
        const TerminationHandler handler = m_onTermination;
        handler(termination);
    }
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

void HelperProcess::release(QProcess* process)
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
    connect(process, &QProcess::readyReadStandardOutput, process,
        [process] { process->readAllStandardOutput(); });
    connect(
        process, &QProcess::readyReadStandardError, process, [process] { process->readAllStandardError(); });
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->closeWriteChannel();
}

} // namespace mivo
