#pragma once

#include "Base/Completion.h"
#include "State/CoalescedNotifier.h"
#include "State/ReadSequence.h"
#include "Transport/HelperClienting.h"
#include "Transport/SafeConfig.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>

namespace mivo {

// The one owner of the helper's configuration record in the application: the
// record as the user now sees it, the state of its reads, the text of the last
// failed settings request, and the operations that change the configuration
// and the VPN account.
//
// A change is applied to the held record at once and sent to the helper with
// just its fields; every later change builds on the record with the earlier
// ones applied, also while they are in flight. A change the helper refuses
// returns its fields to what the helper holds: the last read plus the changes
// it confirmed, with the changes still in flight on top. A read's record
// likewise gets every change it cannot have seen re-applied, so no reply to an
// older read or write ever undoes a newer change.
//
// A change whose answer was lost (the helper went away, or did not answer in
// time) may or may not have been taken. It stays shown until a read begun
// after it was sent tells: at once after a time-out, once the helper is ready
// again after a crash. What that read holds is shown; the change is reported
// as not saved, with the reason its answer was lost, only when the helper
// does not hold it.
class SettingsStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<mivo::SafeConfig> config READ config NOTIFY configChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(mivo::SettingsStore::ReadState readState READ readState NOTIFY readStateChanged)
    Q_PROPERTY(std::optional<QString> readError READ readError NOTIFY readErrorChanged)
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

    // Where the reading of the configuration stands: never asked for, a read
    // on its way, the last read brought a configuration, or it failed.
    enum class ReadState { unread, reading, loaded, failed };
    Q_ENUM(ReadState)

    explicit SettingsStore(HelperClienting& client, QObject* parent = nullptr);
    ~SettingsStore() override;

    // The configuration as the user now sees it: the last read with every
    // change made since applied on top; none before the first read succeeded.
    const std::optional<SafeConfig>& config() const { return m_config; }
    // The text of the last failed request; cleared only by a successful refresh().
    const std::optional<QString>& lastError() const { return m_lastError; }
    ReadState readState() const { return m_readState; }
    // The text of the last failed read; cleared by a read that succeeds.
    const std::optional<QString>& readError() const { return m_readError; }

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
    //
    // refresh() ends once a read has ended: when a newer read supersedes its
    // own, it waits for the newest one's outcome. Afterwards `config` holds a
    // read's record, or `readState` is failed with `readError` set.
    QCoro::Task<void> refresh();
    // Applies the patch's fields to `config` at once and sends just them.
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

    // The helper is ready again, after a relaunch too: changes whose outcome
    // is not known are read back.
    void helperReady();
    // The helper will not come back: a change whose outcome is not known is
    // reported as not saved.
    void helperGone();

    // True while a configuration write has not been answered.
    bool hasUnansweredWrites() const { return !m_pending.isEmpty(); }
    // The configuration fields of the writes not known to be saved (not
    // answered, or of unknown outcome), by their wire keys, in the order they
    // were sent.
    QStringList fieldsInFlight() const;

signals:
    void configChanged();
    void lastErrorChanged();
    void readStateChanged();
    void readErrorChanged();
    // Once per event-loop turn after the configuration changed.
    void changed();
    // A write was answered, or its outcome became known.
    void writeSettled();

private:
    // A change sent to the helper and not yet answered.
    struct PendingChange {
        quint64 id = 0;
        ConfigPatch patch;
    };
    // A change the helper confirmed, stamped when its answer came.
    struct ConfirmedChange {
        quint64 stamp = 0;
        ConfigPatch patch;
    };
    // A change whose answer was lost, stamped when it was sent.
    struct UncertainChange {
        quint64 id = 0;
        quint64 sent = 0;
        ConfigPatch patch;
        // Why its answer was lost: what is reported if the helper does not hold it.
        QString reason;
        // Whether the helper holds it.
        Completion<bool> outcome;
    };

    // `config` made anew: what the helper holds with the changes in flight on top.
    void recompose();
    void setConfig(std::optional<SafeConfig> config);
    void setLastError(std::optional<QString> error);
    void setReadState(ReadState state);
    void setReadError(std::optional<QString> error);
    void recordFailure(const QString& text);
    // The newest read ended; whoever waits for a read is let go.
    void readEnded();
    QCoro::Task<bool> write(Request request);
    // A read that began at `begun` brought `read`: the uncertain changes sent
    // before it learn their outcome.
    void settleUncertain(const SafeConfig& read, quint64 begun);
    // Ends an uncertain change as `held` or not; one not held is reported.
    void settle(qsizetype index, bool held);
    // The part of `change` that no later change has replaced.
    ConfigPatch stillOwn(const ConfigPatch& change, quint64 id) const;

    QPointer<HelperClienting> m_client;
    std::optional<SafeConfig> m_config;
    // What the helper holds, as far as the store knows: the last read plus the
    // changes confirmed since.
    std::optional<SafeConfig> m_held;
    QList<PendingChange> m_pending;
    QList<UncertainChange> m_uncertain;
    // Per wire key, the id of the newest change that set it.
    QHash<QString, quint64> m_newestChange;
    // The stamp of the last time the helper was ready.
    quint64 m_readyStamp = 0;
    // Confirmed changes the newest read may not have seen.
    QList<ConfirmedChange> m_confirmed;
    quint64 m_nextChange = 0;
    // Counts read starts and confirmations, to tell which came first.
    quint64 m_stamp = 0;
    QList<Completion<void>> m_readWaiters;
    std::optional<QString> m_lastError;
    ReadState m_readState = ReadState::unread;
    std::optional<QString> m_readError;
    ReadSequence m_reads;
    CoalescedNotifier m_changed;
};

} // namespace mivo
