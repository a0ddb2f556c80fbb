#pragma once

#include "State/CoalescedNotifier.h"
#include "State/ReadSequence.h"
#include "Transport/HelperClienting.h"
#include "Transport/ResultRecords.h"
#include "Transport/WireVocabulary.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <optional>

namespace mivo {

// The helper's most recent log lines and the outcome of its self-check (the
// doctor): a list of checks that can be run again as a whole or fixed one at a time.
class DiagnosticsStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<mivo::DoctorCheck> checks READ checks NOTIFY checksChanged)
    Q_PROPERTY(QList<mivo::DiagnosticsStore::LogEntry> logs READ logs NOTIFY logsChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)

public:
    using DoctorCheck = mivo::DoctorCheck;

    // One helper log line.
    struct LogEntry {
        QUuid id;
        LogLevel level = LogLevel::info;
        QString message;
        QDateTime date; // local time of arrival
        bool operator==(const LogEntry&) const = default;
    };

    // The most entries `logs` keeps.
    static constexpr qsizetype kLogCapacity = 500;

    explicit DiagnosticsStore(HelperClienting& client, QObject* parent = nullptr);

    // The checks of the last successful run, in the helper's order.
    const QList<DoctorCheck>& checks() const { return m_checks; }
    // Oldest first, never more than kLogCapacity entries.
    const QList<LogEntry>& logs() const { return m_logs; }
    // The text of the last failed run or fix; cleared by a successful run.
    const std::optional<QString>& lastError() const { return m_lastError; }
    // True while a run waits for the helper.
    bool isRunning() const { return m_runsInFlight > 0; }

    // Keeps one log line; the oldest line goes once the log is full.
    void appendLog(LogLevel level, const QString& message);

    // Neither throws. A fix answers whether the helper took it.
    QCoro::Task<void> runDoctor();
    QCoro::Task<bool> fix(QString checkId);

signals:
    void checksChanged();
    // At most once per event-loop turn, however many lines arrived.
    void logsChanged();
    void lastErrorChanged();
    void isRunningChanged();

private:
    void setChecks(QList<DoctorCheck> checks);
    void setLastError(std::optional<QString> error);
    void recordFailure(const QString& text);
    void runStarted();
    void runEnded();

    QPointer<HelperClienting> m_client;
    QList<DoctorCheck> m_checks;
    QList<LogEntry> m_logs;
    std::optional<QString> m_lastError;
    int m_runsInFlight = 0;
    ReadSequence m_reads;
    CoalescedNotifier m_logsChanged;
};

} // namespace mivo
