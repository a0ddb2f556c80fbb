#pragma once

#include "State/PlaylistGroup.h"
#include "State/TrackCounts.h"
#include "Base/Completion.h"
#include "Base/MonotonicClock.h"
#include "Transport/HelperClienting.h"
#include "Transport/PlaylistRecords.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

namespace mivo {

// The tracks of the playlists selected in the sidebar, before any sync runs: after
// a short quiet period the store asks the helper for each playlist's tracks, one
// playlist after another, and publishes one group per playlist, all together once
// the last one has answered. The rows tell which tracks are already on disk.
//
// Only the newest selection's fetch is ever applied: a newer selection or clear()
// supersedes the fetch under way, which then sends nothing more and writes nothing.
class PreviewStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<std::shared_ptr<mivo::PlaylistGroup>> groups READ groups NOTIFY groupsChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(qint64 trackCount READ trackCount NOTIFY countsChanged)
    Q_PROPERTY(qint64 onDiskCount READ onDiskCount NOTIFY countsChanged)

public:
    // The quiet period the application uses.
    static constexpr std::chrono::milliseconds kDebounce { 250 };

    explicit PreviewStore(HelperClienting& client, MonotonicClock::Duration debounce = kDebounce,
        MonotonicClock& clock = MonotonicClock::system(), QObject* parent = nullptr);
    ~PreviewStore() override;

    // One group per previewed playlist, in the order the selection was given.
    const QList<std::shared_ptr<PlaylistGroup>>& groups() const { return m_groups; }
    // True from a non-empty update() until its fetch has been applied.
    bool isLoading() const { return m_isLoading; }
    // Rows over all groups. Kept up to date, so reading it never walks the rows.
    qint64 trackCount() const { return m_totals.total; }
    // Rows over all groups whose file is already on disk (state present).
    qint64 onDiskCount() const { return m_totals.present; }
    // Groups whose playlist's tracks could not be fetched.
    qint64 failedCount() const;

    // Called on every selection change, also with an empty list; returns at once.
    // The rows already shown stay until the new ones are published.
    void update(const QList<PlaylistDTO>& selection);
    // Drops the preview and stops any pending fetch.
    void clear();

    // The playlist ids of the selection, in the given order, joined with "|".
    static QString selectionKey(const QList<PlaylistDTO>& selection);

signals:
    void groupsChanged();
    void isLoadingChanged();
    // trackCount or onDiskCount may have changed (new groups, or a row changed state).
    void countsChanged();

private:
    QCoro::Task<void> fetch(QList<PlaylistDTO> playlists, QString key, quint64 generation);
    QCoro::Task<void> sleepOutDebounce();
    // Ends the fetch under way, if any: it sends nothing more and writes nothing.
    void supersede();
    bool isCurrent(quint64 generation) const { return generation == m_generation; }
    void setGroups(QList<std::shared_ptr<PlaylistGroup>> groups);
    void setLoading(bool loading);
    void recount();

    QPointer<HelperClienting> m_client;
    MonotonicClock::Duration m_debounce;
    MonotonicClock& m_clock;
    QList<std::shared_ptr<PlaylistGroup>> m_groups;
    // The counts of all groups together.
    TrackCounts m_totals;
    bool m_isLoading = false;
    // The selection key whose rows `m_groups` holds; none when idle.
    std::optional<QString> m_loadedKey;
    // Counts fetches: only the one started last may write.
    quint64 m_generation = 0;
    // The quiet period of the newest fetch; a superseded fetch is woken at once.
    ScheduledCall m_debounceCall;
    std::optional<Completion<void>> m_debounceWake;
};

} // namespace mivo
