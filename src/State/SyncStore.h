#pragma once

#include "State/PlaylistGroup.h"
#include "State/SyncPhase.h"
#include "State/TrackCounts.h"
#include "State/TrackModel.h"
#include "Transport/HelperEvent.h"
#include "Transport/HelperEventStream.h"
#include "Transport/ServerEvent.h"
#include "Transport/SyncRecords.h"
#include "Transport/WireVocabulary.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <utility>

namespace mivo {

// The observable state of one sync run: its phase, the playlist groups with their
// track rows, the run id, the final summary, the banner shown over the main window
// and the VPN routing status. It owns no helper connection: the application model
// routes every helper event here, before any other store, and marks the phase
// itself when the user starts or cancels a run.
//
// Besides one NOTIFY signal per property, `changed()` is emitted at most once per
// event-loop turn after anything the store shows changed, derived counts and the
// review queue included, so a view repaints once per turn however many tracks a
// burst of events touched. Rows announce their own changes (TrackModel::changed).
class SyncStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(mivo::SyncPhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(QList<std::shared_ptr<mivo::PlaylistGroup>> groups READ groups NOTIFY groupsChanged)
    Q_PROPERTY(std::optional<mivo::SyncSummary> summary READ summary NOTIFY summaryChanged)
    Q_PROPERTY(std::optional<mivo::SyncBanner> banner READ banner WRITE setBanner NOTIFY bannerChanged)
    Q_PROPERTY(std::optional<QString> runId READ runId NOTIFY runIdChanged)
    Q_PROPERTY(mivo::ProxyStatusValue proxyStatus READ proxyStatus NOTIFY proxyStatusChanged)
    Q_PROPERTY(std::optional<QString> proxyDetail READ proxyDetail NOTIFY proxyDetailChanged)
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY changed)
    Q_PROPERTY(QList<std::shared_ptr<mivo::TrackModel>> reviewQueue READ reviewQueue NOTIFY changed)
    Q_PROPERTY(bool anyReviewPending READ anyReviewPending NOTIFY changed)
    Q_PROPERTY(qint64 reviewCount READ reviewCount NOTIFY changed)
    Q_PROPERTY(qint64 overallTotal READ overallTotal NOTIFY changed)
    Q_PROPERTY(qint64 overallCompleted READ overallCompleted NOTIFY changed)
    Q_PROPERTY(qint64 failedCount READ failedCount NOTIFY changed)
    Q_PROPERTY(double overallFraction READ overallFraction NOTIFY changed)

public:
    explicit SyncStore(QObject* parent = nullptr);

    // The only entry for helper traffic; events are applied one at a time in stream order.
    void route(const HelperEvent& event);
    // The helper's event stream ended for good (clean exit, restarts given up, failed
    // relaunch, client released): no further event of the run can arrive, so a run that
    // is still going is interrupted, as after a crash, and no row waits for a decision.
    void eventStreamEnded(StreamEnd reason);

    // The user started a run: preparing, no banner, no run id yet. The rows of an
    // earlier run stay until the new run's syncStarted replaces them, and so do
    // the decisions they wait for (see reviewRunId).
    void markPreparing();
    // The user cancelled the run; its waiting rows can no longer be decided. Before
    // the helper has confirmed the start (no run id yet) the cancel is remembered:
    // that start's syncStarted then leaves the phase cancelled and asks for the run
    // to be stopped (cancelDue). The rows shown meanwhile are an earlier run's, which
    // still takes their decisions.
    void markCancelled();
    // A cancel waits for the run id of the start it was pressed during.
    bool isCancelPending() const { return m_cancelPending; }
    // A start that came to nothing here (declined, or its request failed): while the
    // phase is still preparing it goes back to `previous`; a phase set meanwhile by the
    // user or by the helper's events is kept. A failed request may still have started
    // a run (a time-out, a reply lost with a crash): a cancel held for it stays held,
    // so that a late syncStarted of that start is stopped too.
    enum class StartOutcome { declined, failed };
    void abandonStart(SyncPhase previous, StartOutcome outcome);
    // Back to idle without groups, summary or run id; banner and VPN status are kept.
    void clearResults();

    SyncPhase phase() const { return m_phase; }
    // One group per started playlist, in arrival order.
    const QList<std::shared_ptr<PlaylistGroup>>& groups() const { return m_groups; }
    const std::optional<SyncSummary>& summary() const { return m_summary; }
    const std::optional<SyncBanner>& banner() const { return m_banner; }
    // Shows a banner in place of the one shown. A banner that only reports (a
    // failed Help or reveal, a time-out) never erases a notice that asks the user
    // to act (SyncBanner::asksToAct): the notice waits behind it, and comes back
    // when the banner over it is dismissed or withdrawn. Setting nothing hides the
    // banner and forgets any notice behind it (a new start).
    void setBanner(std::optional<SyncBanner> banner);
    // The user closed the banner shown: the notice waiting behind it, if any,
    // shows again; otherwise no banner is left.
    void dismissBanner();
    // That banner no longer holds (its cause went away): when it is shown it goes
    // as if dismissed; otherwise nothing changes.
    void withdrawBanner(const SyncBanner& banner);
    const std::optional<QString>& runId() const { return m_runId; }
    // The id of the run whose rows the groups hold, which their decisions go with:
    // runId, except while a new start waits for its id, when it is still the
    // earlier run's.
    const std::optional<QString>& reviewRunId() const { return m_reviewRunId; }
    ProxyStatusValue proxyStatus() const { return m_proxyStatus; }
    const std::optional<QString>& proxyDetail() const { return m_proxyDetail; }

    // Preparing, running or finishing.
    bool isRunning() const;
    // Whether a row of the groups has that track id.
    bool holdsTrack(const QString& trackId) const { return row(trackId) != nullptr; }
    // The state of the row with that track id; queued when there is none.
    TrackState trackState(const QString& trackId) const;
    // Every row awaiting review with no decision sent yet, groups in order, rows in
    // order within a group. A run that ended with syncDone keeps its waiting rows
    // (the helper takes their decisions by that run's id), also while a new start
    // waits or after that start was cancelled; a run that died (cancelled,
    // interrupted, its helper crashed or gone) has none: its waiting rows become
    // undecided.
    QList<std::shared_ptr<TrackModel>> reviewQueue() const;
    // Notes that the user's decision for that waiting row went to the helper: the row
    // leaves the review queue and the counts until the helper's events move it on.
    // False (and nothing changes) when the row is not waiting for a decision or one
    // was already sent.
    bool markDecisionSent(const QString& trackId);
    bool anyReviewPending() const { return reviewCount() > 0; }
    qint64 reviewCount() const { return totals().review; }
    qint64 overallTotal() const { return totals().total; }
    qint64 overallCompleted() const { return totals().completed; }
    qint64 failedCount() const { return totals().failed; }
    // overallCompleted / overallTotal, 0 without rows.
    double overallFraction() const { return totals().fraction(); }

signals:
    void phaseChanged();
    void groupsChanged();
    void summaryChanged();
    void bannerChanged();
    void runIdChanged();
    void proxyStatusChanged();
    void proxyDetailChanged();
    // The run with this id started after the user had cancelled it; the helper
    // must be told to stop it.
    void cancelDue(const QString& runId);
    // Rows that waited for a decision were given up: their run was cancelled or
    // interrupted, or the helper that held it is gone. A run that ended with syncDone
    // does not die with the next start, only with its helper.
    void runStopped();
    // Coalesced: at most once per event-loop turn after anything above, a count or the
    // review queue changed.
    void changed();

private:
    void apply(const ServerEvent& event);
    void apply(const ServerEvent::SyncStarted& e);
    void apply(const ServerEvent::PlaylistStarted& e);
    void apply(const ServerEvent::TrackStarted& e);
    void apply(const ServerEvent::DiskCheck& e);
    void apply(const ServerEvent::Step& e);
    void apply(const ServerEvent::DownloadProgress& e);
    void apply(const ServerEvent::NeedsReview& e);
    void apply(const ServerEvent::TrackFinished& e);
    void apply(const ServerEvent::PlaylistFinished& e);
    void apply(const ServerEvent::OrphansFound& e);
    void apply(const ServerEvent::SyncDone& e);
    void apply(const ServerEvent::ProxyStatus& e);
    void apply(const ServerEvent::Error& e);
    void apply(const ServerEvent::Log&) { }
    void apply(const ServerEvent::ToolProgress&) { }
    void apply(const ServerEvent::Unknown&) { }

    // The helper crashed or its events ended: a run still going is interrupted, and
    // every waiting row is given up.
    void helperGone();
    // Rows still awaiting review become undecided; true when there were any.
    bool retireReviews();
    // Rows caught in an active phase (checking the disk, working) go back to queued:
    // nothing spins once the run is over.
    void settleActiveRows();
    void setPhase(SyncPhase phase);
    void showBanner(std::optional<SyncBanner> banner);
    void setGroups(QList<std::shared_ptr<PlaylistGroup>> groups);
    void setSummary(std::optional<SyncSummary> summary);
    void setRunId(std::optional<QString> runId);
    void setProxyStatus(ProxyStatusValue status);
    void setProxyDetail(std::optional<QString> detail);
    void resetRun();
    // The row of that track id, or nothing when the index has no entry that fits the groups.
    TrackModel* row(const QString& trackId) const;
    PlaylistGroup* firstGroup(const QString& playlistId) const;
    const TrackCounts& totals() const;
    void countsChanged();
    void scheduleChanged();

    SyncPhase m_phase = SyncPhase::idle;
    QList<std::shared_ptr<PlaylistGroup>> m_groups;
    std::optional<SyncSummary> m_summary;
    std::optional<SyncBanner> m_banner;
    // A notice that asks the user to act, hidden by a passing banner over it.
    std::optional<SyncBanner> m_noticeBehind;
    std::optional<QString> m_runId;
    std::optional<QString> m_reviewRunId;
    ProxyStatusValue m_proxyStatus = ProxyStatusValue::off;
    std::optional<QString> m_proxyDetail;
    // Position of each track row: group index and row index in that group.
    QHash<QString, std::pair<qsizetype, qsizetype>> m_trackIndex;
    // Index of the first group of each playlist id.
    QHash<QString, qsizetype> m_firstGroupIndex;

    // Caches of derived values, dropped whenever a group's counts change.
    mutable std::optional<TrackCounts> m_totals;
    mutable std::optional<QList<std::shared_ptr<TrackModel>>> m_reviewQueue;
    bool m_changePending = false;
    bool m_cancelPending = false;
};

} // namespace mivo
