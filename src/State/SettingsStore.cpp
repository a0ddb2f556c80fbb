#include "State/SettingsStore.h"

#include "Base/Log.h"
#include "State/StoreRequests.h"
#include "Transport/HelperError.h"
#include "Transport/ResultRecords.h"

#include <algorithm>

namespace mivo {

namespace {

// The record with the patch's fields written over it.
void patch(SafeConfig& config, const ConfigPatch& change)
{
    if (change.sources)
        config.sources = *change.sources;
    if (change.quality)
        config.quality = *change.quality;
    if (change.run)
        config.run = *change.run;
    if (change.ui)
        config.ui = *change.ui;
    if (change.outputDir)
        config.outputDir = *change.outputDir;
    if (change.identity)
        config.identity = *change.identity;
    if (change.proxyEnabled)
        config.proxy.enabled = *change.proxyEnabled;
}

// The configuration fields `change` sets, by their wire keys.
QStringList fieldNames(const ConfigPatch& change)
{
    QStringList names;
    const nlohmann::ordered_json fields = toJson(change);
    for (const auto& [key, value] : fields.items())
        names.append(QString::fromStdString(key));
    return names;
}

// A write that failed so may have been taken: it reached the helper, or may
// have, and its answer was lost.
bool outcomeUnknown(const HelperError& error)
{
    return error.kind() == HelperError::Kind::helperCrashed
        || error.kind() == HelperError::Kind::requestTimedOut;
}

} // namespace

SettingsStore::SettingsStore(HelperClienting& client, QObject* parent)
    : QObject(parent)
    , m_client(&client)
    , m_changed(this, [this] { emit changed(); })
{
}

SettingsStore::~SettingsStore()
{
    // A refresh waiting for a newer read ends with the store, and so does a
    // change waiting to learn whether the helper holds it.
    readEnded();
    for (UncertainChange& change : m_uncertain)
        change.outcome.resolve(false);
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

void SettingsStore::recompose()
{
    std::optional<SafeConfig> composed = m_held;
    if (composed) {
        // In the order they were made, whether still on their way or of unknown outcome.
        QList<std::pair<quint64, const ConfigPatch*>> changes;
        for (const PendingChange& change : m_pending)
            changes.append({ change.id, &change.patch });
        for (const UncertainChange& change : m_uncertain)
            changes.append({ change.id, &change.patch });
        std::sort(
            changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [id, change] : changes)
            patch(*composed, *change);
    }
    setConfig(std::move(composed));
}

QStringList SettingsStore::fieldsInFlight() const
{
    QStringList fields;
    QList<std::pair<quint64, QStringList>> changes;
    for (const PendingChange& change : m_pending)
        changes.append({ change.id, fieldNames(change.patch) });
    for (const UncertainChange& change : m_uncertain)
        changes.append({ change.id, fieldNames(change.patch) });
    std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [id, names] : changes) {
        for (const QString& name : names) {
            if (!fields.contains(name))
                fields.append(name);
        }
    }
    return fields;
}

ConfigPatch SettingsStore::stillOwn(const ConfigPatch& change, quint64 id) const
{
    nlohmann::json fields = toJson(change);
    for (const QString& name : fieldNames(change)) {
        if (m_newestChange.value(name) != id)
            fields.erase(name.toStdString());
    }
    ConfigPatch own;
    fromJson(fields, own);
    return own;
}

void SettingsStore::settleUncertain(const SafeConfig& read, quint64 begun)
{
    for (qsizetype i = m_uncertain.size() - 1; i >= 0; --i) {
        const UncertainChange& change = m_uncertain.at(i);
        // A read begun before the change was sent cannot tell.
        if (change.sent >= begun)
            continue;
        // What a later change set again is that change's to answer for.
        SafeConfig withChange = read;
        patch(withChange, stillOwn(change.patch, change.id));
        settle(i, withChange == read);
    }
}

void SettingsStore::settle(qsizetype index, bool held)
{
    UncertainChange change = m_uncertain.takeAt(index);
    if (held) {
        qCInfo(lcApp, "a settings change whose answer was lost is held by the helper: %s",
            qUtf8Printable(fieldNames(change.patch).join(QStringLiteral(", "))));
    } else {
        qCWarning(lcApp, "a settings change whose answer was lost was not saved (%s): %s",
            qUtf8Printable(change.reason),
            qUtf8Printable(fieldNames(change.patch).join(QStringLiteral(", "))));
        recordFailure(change.reason);
    }
    change.outcome.resolve(held);
    emit writeSettled();
}

void SettingsStore::helperReady()
{
    m_readyStamp = ++m_stamp;
    if (!m_uncertain.isEmpty())
        refresh();
}

void SettingsStore::helperGone()
{
    if (m_uncertain.isEmpty())
        return;
    while (!m_uncertain.isEmpty())
        settle(m_uncertain.size() - 1, false);
    recompose();
}

void SettingsStore::setConfig(std::optional<SafeConfig> config)
{
    if (m_config == config)
        return;
    m_config = std::move(config);
    emit configChanged();
    m_changed.schedule();
}

void SettingsStore::setReadState(ReadState state)
{
    if (m_readState == state)
        return;
    m_readState = state;
    emit readStateChanged();
}

void SettingsStore::setReadError(std::optional<QString> error)
{
    if (m_readError == error)
        return;
    m_readError = std::move(error);
    emit readErrorChanged();
}

void SettingsStore::readEnded()
{
    for (Completion<void> waiter : std::exchange(m_readWaiters, {}))
        waiter.resolve();
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
    const quint64 begun = ++m_stamp;
    setReadState(ReadState::reading);

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
    if (!self)
        co_return;
    if (!m_reads.isCurrent(ticket)) {
        // Superseded: what this read got is older than what the newest one
        // brings, and whoever awaits this refresh wants that outcome.
        Completion<void> newest;
        m_readWaiters.append(newest);
        co_await newest;
        co_return;
    }
    if (!config) {
        recordFailure(failure);
        setReadError(failure);
        setReadState(ReadState::failed);
        readEnded();
        co_return;
    }
    // The helper may have answered this read before it took a change that it
    // confirmed since; such a change goes on top again.
    for (const ConfirmedChange& change : std::exchange(m_confirmed, {})) {
        if (change.stamp > begun)
            patch(*config, change.patch);
    }
    settleUncertain(*config, begun);
    m_held = std::move(config);
    recompose();
    setReadError(std::nullopt);
    setReadState(ReadState::loaded);
    if (m_reads.mayClearError(ticket))
        setLastError(std::nullopt);
    readEnded();
}

QCoro::Task<bool> SettingsStore::write(Request request)
{
    return StoreRequests::writeWithReread(
        this, m_client, std::move(request), &SettingsStore::refresh, &SettingsStore::recordFailure);
}

QCoro::Task<bool> SettingsStore::apply(ConfigPatch change)
{
    const QPointer<SettingsStore> self(this);
    const quint64 id = ++m_nextChange;
    for (const QString& name : fieldNames(change))
        m_newestChange.insert(name, id);
    m_pending.append(PendingChange { id, change });
    const quint64 sentAt = ++m_stamp;

    std::optional<QString> failure;
    std::optional<HelperError::Kind> lost;
    std::optional<QCoro::Task<void>> sent;
    try {
        sent.emplace(
            StoreRequests::requireClient(m_client).send(Request::setConfig(change), StoreRequests::kTimeout));
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    // Shown once sent, so that whatever the change sets off (the VPN control
    // asking for its servers) reaches the helper after it.
    recompose();
    if (sent) {
        try {
            co_await std::move(*sent);
        } catch (const HelperError& error) {
            failure = error.userText();
            if (outcomeUnknown(error))
                lost = error.kind();
        } catch (const std::exception& error) {
            failure = StoreRequests::errorText(error);
        }
    }
    if (!self)
        co_return !failure;
    m_pending.removeIf([id](const PendingChange& pending) { return pending.id == id; });
    if (lost) {
        // Perhaps taken: it stays shown until a read tells. A helper that only
        // answered late is there to be asked now; one that went away, once it
        // is ready again.
        Completion<bool> outcome;
        m_uncertain.append(UncertainChange { id, sentAt, std::move(change), *failure, outcome });
        emit writeSettled();
        if (*lost == HelperError::Kind::requestTimedOut || m_readyStamp > sentAt)
            refresh();
        co_return co_await outcome;
    }
    if (failure) {
        // Its fields go back to what the helper holds, with newer changes still on top.
        recompose();
        recordFailure(*failure);
        emit writeSettled();
        co_return false;
    }
    if (m_held)
        patch(*m_held, change);
    m_confirmed.append(ConfirmedChange { ++m_stamp, std::move(change) });
    recompose();
    emit writeSettled();
    co_await refresh();
    co_return true;
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
