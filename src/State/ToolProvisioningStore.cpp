#include "State/ToolProvisioningStore.h"

#include "State/StoreRequests.h"
#include "Transport/HelperClienting.h"
#include "Transport/SafeConfig.h"

#include <algorithm>
#include <cmath>

namespace mivo {

namespace {

const QString kToolOk = QStringLiteral("ok");

ToolProgress seedRow(const QString& tool)
{
    return ToolProgress { tool, tool, std::nullopt, ToolPhase::download, std::nullopt };
}

} // namespace

ToolProvisioningStore::ToolProvisioningStore(HelperClienting& client, QObject* parent)
    : QObject(parent)
    , m_client(&client)
    , m_tools(this)
{
    m_tools.setRows(seedRows());
}

QList<ToolProgress> ToolProvisioningStore::seedRows()
{
    return { seedRow(QStringLiteral("yt-dlp")), seedRow(QStringLiteral("ffmpeg")) };
}

QCoro::Task<void> ToolProvisioningStore::provision()
{
    const quint64 generation = ++m_generation;
    setPhase(Phase::running);
    setLastError(std::nullopt);
    setLastLog(std::nullopt);
    setTools(seedRows());

    const QPointer<ToolProvisioningStore> self(this);
    const QPointer<HelperClienting> client = m_client;
    std::optional<ProvisionToolsResult> result;
    QString failure;
    if (!client) {
        failure = HelperError::helperUnavailable().userText();
    } else {
        try {
            QCoro::Task<ProvisionToolsResult> provisioning
                = client->request<ProvisionToolsResult>(Request::provisionTools(), kProvisionTimeout);
            result = co_await std::move(provisioning);
        } catch (const HelperError& error) {
            failure = error.userText();
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
    }
    if (!self || self->m_generation != generation)
        co_return;
    if (result)
        self->finish(*result);
    else
        self->fail(failure);
}

QCoro::Task<void> ToolProvisioningStore::retry()
{
    co_await provision();
}

void ToolProvisioningStore::finish(const ProvisionToolsResult& result)
{
    bool rowsChanged = false;
    for (const ToolStatusDTO& status : result.tools) {
        const qsizetype row = m_tools.indexOf(status.id);
        if (row < 0)
            continue;
        ToolProgress updated = m_tools.rows().at(row);
        const bool ok = status.status == kToolOk;
        updated.phase = ok ? ToolPhase::done : ToolPhase::error;
        updated.detail = status.detail;
        if (ok)
            updated.percent = 100.0;
        rowsChanged = m_tools.setRow(row, updated) || rowsChanged;
    }
    if (rowsChanged)
        emit toolsChanged();

    setPhase(result.ok ? Phase::ready : Phase::failed);
    if (result.ok)
        return;
    const auto firstFailure = std::find_if(result.tools.begin(), result.tools.end(),
        [](const ToolStatusDTO& status) { return status.status != kToolOk; });
    setLastError(firstFailure != result.tools.end()
            ? firstFailure->detail
            : QStringLiteral("Some required tools could not be installed."));
}

void ToolProvisioningStore::fail(const QString& text)
{
    setPhase(Phase::failed);
    setLastError(text);
}

void ToolProvisioningStore::apply(
    const QString& tool, ToolPhase phase, std::optional<double> percent, std::optional<QString> detail)
{
    const qsizetype row = m_tools.indexOf(tool);
    if (row < 0)
        return;
    ToolProgress updated = m_tools.rows().at(row);
    updated.phase = phase;
    // The helper's number is passed on as received; keep the row's last
    // percent rather than show something that is not a percentage.
    if (percent && std::isfinite(*percent))
        updated.percent = std::clamp(*percent, 0.0, 100.0);
    if (detail)
        updated.detail = std::move(detail);
    if (m_tools.setRow(row, updated))
        emit toolsChanged();
}

void ToolProvisioningStore::note(const QString& log)
{
    if (m_phase == Phase::running)
        setLastLog(log);
}

void ToolProvisioningStore::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged();
}

void ToolProvisioningStore::setLastError(std::optional<QString> text)
{
    if (m_lastError == text)
        return;
    m_lastError = std::move(text);
    emit lastErrorChanged();
}

void ToolProvisioningStore::setLastLog(std::optional<QString> text)
{
    if (m_lastLog == text)
        return;
    m_lastLog = std::move(text);
    emit lastLogChanged();
}

void ToolProvisioningStore::setTools(const QList<ToolProgress>& rows)
{
    if (m_tools.rows() == rows)
        return;
    m_tools.setRows(rows);
    emit toolsChanged();
}

} // namespace mivo
