#include "State/SettingsStore.h"

#include "State/StoreRequests.h"
#include "Base/Log.h"
#include "Transport/ResultRecords.h"

namespace mivo {

SettingsStore::SettingsStore(HelperClienting& client, QObject* parent)
    : QObject(parent)
    , m_client(&client)
    , m_changed(this, [this] { emit changed(); })
{
}

bool SettingsStore::appleMusicConnected() const
{
    return m_config && m_config->appleMusicConnected;
}
bool SettingsStore::spotifyConnected() const
{
    return m_config && m_config->spotifyConnected;
}
bool SettingsStore::soundcloudConnected() const
{
    return m_config && m_config->soundcloudConnected;
}
bool SettingsStore::acoustidConfigured() const
{
    return m_config && m_config->acoustidConfigured;
}
bool SettingsStore::proxyConfigured() const
{
    return m_config && m_config->proxy.configured;
}
bool SettingsStore::proxyEnabled() const
{
    return m_config && m_config->proxy.enabled;
}

std::optional<QString> SettingsStore::effectiveSpotifyClientId() const
{
    return m_config ? m_config->effectiveSpotifyClientId : std::nullopt;
}

void SettingsStore::setConfig(SafeConfig config)
{
    if (m_config == config)
        return;
    m_config = std::move(config);
    emit configChanged();
    m_changed.schedule();
}

void SettingsStore::setLastError(std::optional<QString> error)
{
    if (m_lastError == error)
        return;
    m_lastError = std::move(error);
    emit lastErrorChanged();
}

void SettingsStore::recordFailure(const QString& text)
{
    m_reads.recordFailure();
    setLastError(text);
}

QCoro::Task<void> SettingsStore::refresh()
{
    const QPointer<SettingsStore> self(this);
    const ReadSequence::Ticket ticket = m_reads.begin();

    std::optional<SafeConfig> config;
    QString failure;
    try {
        // A newer read makes this one's fallback request pointless.
        const std::function<bool()> stillWanted
            = [self, ticket] { return self && self->m_reads.isCurrent(ticket); };
        QCoro::Task<SafeConfig> read = readWithFallback(
            StoreRequests::requireClient(m_client), Request::getConfig(), &ConfigResult::config, stillWanted);
        config = co_await std::move(read);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (!self || !m_reads.isCurrent(ticket))
        co_return;
    if (!config) {
        recordFailure(failure);
        co_return;
    }
    setConfig(std::move(*config));
    if (m_reads.mayClearError(ticket))
        setLastError(std::nullopt);
}

QCoro::Task<bool> SettingsStore::write(Request request)
{
    return StoreRequests::writeWithReread(
        this, m_client, std::move(request), &SettingsStore::refresh, &SettingsStore::recordFailure);
}

QCoro::Task<bool> SettingsStore::apply(ConfigPatch patch)
{
    return write(Request::setConfig(std::move(patch)));
}

QCoro::Task<bool> SettingsStore::setProxyEnabled(bool enabled)
{
    ConfigPatch patch;
    patch.proxyEnabled = enabled;
    return apply(std::move(patch));
}

QCoro::Task<bool> SettingsStore::setProxySubscription(QString subscription)
{
    return write(Request::storeAccountToken(AccountService::proxy, std::move(subscription), std::nullopt));
}

QCoro::Task<bool> SettingsStore::disconnectProxy()
{
    return write(Request::disconnectAccount(AccountService::proxy));
}

QCoro::Task<SettingsStore::ProxyTest> SettingsStore::testProxy()
{
    try {
        QCoro::Task<TestProxyResult> test = StoreRequests::requireClient(m_client).request<TestProxyResult>(
            Request::testProxy(), StoreRequests::kTimeout);
        const TestProxyResult result = co_await std::move(test);
        co_return ProxyTest { result.ok, result.detail };
    } catch (const std::exception& error) {
        co_return ProxyTest { false, StoreRequests::errorText(error) };
    }
}

QCoro::Task<std::optional<qint64>> SettingsStore::proxyNodeCount()
{
    try {
        QCoro::Task<ProxyInfoResult> info = StoreRequests::requireClient(m_client).request<ProxyInfoResult>(
            Request::proxyInfo(), StoreRequests::kTimeout);
        const ProxyInfoResult result = co_await std::move(info);
        co_return result.ok ? std::optional<qint64>(result.nodeCount) : std::nullopt;
    } catch (const std::exception& error) {
        qCDebug(lcApp).noquote() << "proxyInfo failed:" << StoreRequests::errorText(error);
        co_return std::nullopt;
    }
}

} // namespace mivo
