#pragma once

#include "State/CoalescedNotifier.h"
#include "State/ReadSequence.h"
#include "Transport/HelperClienting.h"
#include "Transport/SafeConfig.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

namespace mivo {

// The helper's configuration as last read, the text of the last failed settings
// request, and the operations that change the configuration and the VPN account.
// The helper owns the configuration: every change is sent as a request and
// followed by a fresh read; the store never edits `config` itself.
class SettingsStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<mivo::SafeConfig> config READ config NOTIFY configChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool appleMusicConnected READ appleMusicConnected NOTIFY changed)
    Q_PROPERTY(bool spotifyConnected READ spotifyConnected NOTIFY changed)
    Q_PROPERTY(bool soundcloudConnected READ soundcloudConnected NOTIFY changed)
    Q_PROPERTY(bool acoustidConfigured READ acoustidConfigured NOTIFY changed)
    Q_PROPERTY(bool proxyConfigured READ proxyConfigured NOTIFY changed)
    Q_PROPERTY(bool proxyEnabled READ proxyEnabled NOTIFY changed)
    Q_PROPERTY(std::optional<QString> effectiveSpotifyClientId READ effectiveSpotifyClientId NOTIFY changed)

public:
    // The outcome of testProxy().
    struct ProxyTest {
        bool ok = false;
        std::optional<QString> detail;
        bool operator==(const ProxyTest&) const = default;
    };

    explicit SettingsStore(HelperClienting& client, QObject* parent = nullptr);

    // The configuration of the last successful refresh(); none before the first.
    const std::optional<SafeConfig>& config() const { return m_config; }
    // The text of the last failed request; cleared only by a successful refresh().
    const std::optional<QString>& lastError() const { return m_lastError; }

    // Derived from `config`; with no configuration a flag reads false.
    bool appleMusicConnected() const;
    bool spotifyConnected() const;
    bool soundcloudConnected() const;
    bool acoustidConfigured() const;
    bool proxyConfigured() const;
    bool proxyEnabled() const;
    std::optional<QString> effectiveSpotifyClientId() const;

    // None of the operations throws. A write answers whether the helper took
    // it; when it did not, `lastError` holds why. A write that was taken is
    // followed by a refresh, whose own failure does not change the answer.
    QCoro::Task<void> refresh();
    QCoro::Task<bool> apply(ConfigPatch patch);
    QCoro::Task<bool> setProxyEnabled(bool enabled);
    // Stores the subscription text, unchanged, as the proxy account's token.
    QCoro::Task<bool> setProxySubscription(QString subscription);
    QCoro::Task<bool> disconnectProxy();
    // The helper's VPN test; a failed request gives ok false with its text.
    // Stores nothing.
    QCoro::Task<ProxyTest> testProxy();
    // The number of VPN servers, or none when the helper reports no success or
    // the request fails. Stores nothing.
    QCoro::Task<std::optional<qint64>> proxyNodeCount();

signals:
    void configChanged();
    void lastErrorChanged();
    // Once per event-loop turn after the configuration changed.
    void changed();

private:
    void setConfig(SafeConfig config);
    void setLastError(std::optional<QString> error);
    void recordFailure(const QString& text);
    QCoro::Task<bool> write(Request request);

    QPointer<HelperClienting> m_client;
    std::optional<SafeConfig> m_config;
    std::optional<QString> m_lastError;
    ReadSequence m_reads;
    CoalescedNotifier m_changed;
};

} // namespace mivo
