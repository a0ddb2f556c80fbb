#include "State/DiagnosticsStore.h"

#include "State/StoreRequests.h"

namespace mivo {

DiagnosticsStore::DiagnosticsStore(HelperClienting& client, QObject* parent)
    : QObject(parent)
    , m_client(&client)
    , m_logsChanged(this, [this] { emit logsChanged(); })
{
}

void DiagnosticsStore::appendLog(LogLevel level, const QString& message)
{
    m_logs.append(LogEntry { QUuid::createUuid(), level, message, QDateTime::currentDateTime() });
    if (m_logs.size() > kLogCapacity)
        m_logs.remove(0, m_logs.size() - kLogCapacity);
    m_logsChanged.schedule();
}

void DiagnosticsStore::setChecks(QList<DoctorCheck> checks)
{
    if (m_checks == checks)
        return;
    m_checks = std::move(checks);
    emit checksChanged();
}

void DiagnosticsStore::setLastError(std::optional<QString> error)
{
    if (m_lastError == error)
        return;
    m_lastError = std::move(error);
    emit lastErrorChanged();
}

void DiagnosticsStore::recordFailure(const QString& text)
{
    m_reads.recordFailure();
    setLastError(text);
}

void DiagnosticsStore::runStarted()
{
    if (++m_runsInFlight == 1)
        emit isRunningChanged();
}

void DiagnosticsStore::runEnded()
{
    if (--m_runsInFlight == 0)
        emit isRunningChanged();
}

QCoro::Task<void> DiagnosticsStore::runDoctor()
{
    const QPointer<DiagnosticsStore> self(this);
    const ReadSequence::Ticket ticket = m_reads.begin();
    runStarted();

    std::optional<QList<DoctorCheck>> checks;
    QString failure;
    try {
        // A newer read makes this one's fallback request pointless.
        const std::function<bool()> stillWanted
            = [self, ticket] { return self && self->m_reads.isCurrent(ticket); };
        QCoro::Task<QList<DoctorCheck>> read = readWithFallback(
            StoreRequests::requireClient(m_client), Request::runDoctor(), &DoctorResult::checks, stillWanted);
        checks = co_await std::move(read);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (!self)
        co_return;
    // Only the newest run shows its outcome; isRunning stays true while any run
    // still waits for the helper.
    if (m_reads.isCurrent(ticket)) {
        if (checks) {
            setChecks(std::move(*checks));
            if (m_reads.mayClearError(ticket))
                setLastError(std::nullopt);
        } else {
            recordFailure(failure);
        }
    }
    runEnded();
}

QCoro::Task<bool> DiagnosticsStore::fix(QString checkId)
{
    return StoreRequests::writeWithReread(this, m_client, Request::doctorFix(std::move(checkId)),
        &DiagnosticsStore::runDoctor, &DiagnosticsStore::recordFailure);
}

} // namespace mivo
