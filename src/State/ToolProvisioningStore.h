#pragma once

#include "State/ToolProgress.h"
#include "State/ToolProgressModel.h"
#include "Transport/WireVocabulary.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <optional>

namespace mivo {

class HelperClienting;
struct ProvisionToolsResult;

// Installing the external tools the helper needs (yt-dlp and ffmpeg): one
// progress row per tool, an overall phase, why the last attempt failed and
// the last helper log line of the running attempt. The setup wizard's tool
// screen shows it and starts provision(); the application model feeds it the
// helper's tool progress and log events.
class ToolProvisioningStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(mivo::ToolProvisioningStore::Phase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(bool isReady READ isReady NOTIFY phaseChanged)
    Q_PROPERTY(QList<mivo::ToolProgress> tools READ tools NOTIFY toolsChanged)
    Q_PROPERTY(mivo::ToolProgressModel* toolsModel READ toolsModel CONSTANT)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(std::optional<QString> lastLog READ lastLog NOTIFY lastLogChanged)

public:
    enum class Phase { idle, running, ready, failed };
    using ToolProgress = mivo::ToolProgress;

    // How long the helper may take to install everything.
    static constexpr std::chrono::milliseconds kProvisionTimeout { 600'000 };

    // Starts idle with the seed rows. A client that is gone counts as an
    // unavailable helper.
    explicit ToolProvisioningStore(HelperClienting& client, QObject* parent = nullptr);

    // "yt-dlp" then "ffmpeg": phase download, no percent, no detail.
    static QList<ToolProgress> seedRows();

    Phase phase() const { return m_phase; }
    bool isReady() const { return m_phase == Phase::ready; }
    const QList<ToolProgress>& tools() const { return m_tools.rows(); }
    ToolProgressModel* toolsModel() { return &m_tools; }
    const std::optional<QString>& lastError() const { return m_lastError; }
    const std::optional<QString>& lastLog() const { return m_lastLog; }

    // Asks the helper to install the tools and waits for its answer (up to ten
    // minutes). Starts over from the seed rows and clears the last error and
    // log. Never throws: a failure ends in `failed` with its text in
    // `lastError`. When a newer attempt starts before this one has its answer,
    // this one's answer is dropped.
    QCoro::Task<void> provision();
    // Provisions again.
    QCoro::Task<void> retry();

    // A progress event for one tool: its row takes the phase, and the percent
    // and detail when given. Tools without a row are ignored. A percent that
    // is not a finite number is ignored; others are kept within 0 to 100.
    void apply(
        const QString& tool, ToolPhase phase, std::optional<double> percent, std::optional<QString> detail);
    // A helper log line; kept only while provisioning runs.
    void note(const QString& log);

signals:
    void phaseChanged();
    void toolsChanged();
    void lastErrorChanged();
    void lastLogChanged();

private:
    void finish(const ProvisionToolsResult& result);
    void fail(const QString& text);
    void setPhase(Phase phase);
    void setLastError(std::optional<QString> text);
    void setLastLog(std::optional<QString> text);
    void setTools(const QList<ToolProgress>& rows);

    QPointer<HelperClienting> m_client;
    Phase m_phase = Phase::idle;
    ToolProgressModel m_tools;
    std::optional<QString> m_lastError;
    std::optional<QString> m_lastLog;
    // Counts provision() calls; an answer for an older count is superseded.
    quint64 m_generation = 0;
};

} // namespace mivo
