#include "State/SyncStore.h"

#include "Base/Overloaded.h"
#include "Support/Rounding.h"

#include <QMetaObject>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace mivo {

namespace {

// The row's download fraction for a percentage: percent / 100, at most 1 (a NaN
// quotient counts as complete), and anything below 0 (or a negative zero) is 0.
double fractionOfPercent(double percent)
{
    double fraction = percent / 100.0;
    fraction = std::isnan(fraction) ? 1.0 : std::min(fraction, 1.0);
    return fraction > 0.0 ? fraction : 0.0;
}

// The download line: the rounded percentage (halves away from zero) followed by "%",
// then the speed, then the size, joined by " · ". A percentage that is not finite or
// whose rounded value does not fit a 64-bit integer is left out; with nothing left
// there is no line.
std::optional<QString> progressText(
    double percent, const std::optional<QString>& speedText, const std::optional<QString>& sizeText)
{
    QStringList parts;
    if (const auto rounded = roundedHalfAwayFromZero(percent))
        parts.append(QString::number(*rounded) + u'%');
    if (speedText)
        parts.append(*speedText);
    if (sizeText)
        parts.append(*sizeText);
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(QStringLiteral(" · "));
}

} // namespace

SyncStore::SyncStore(QObject* parent)
    : QObject(parent)
{
}

void SyncStore::route(const HelperEvent& event)
{
    std::visit(Overloaded {
                   [this](const HelperEvent::Server& server) { apply(server.event); },
                   [this](const HelperEvent::HelperCrashed&) { helperGone(); },
                   [](const HelperEvent::HelperReady&) {},
               },
        event.value);
}

void SyncStore::eventStreamEnded(StreamEnd)
{
    helperGone();
}

void SyncStore::markPreparing()
{
    // The earlier run's id must not name the one now starting. Its rows stay, and
    // so does what they wait for: their decisions still go by that run's id
    // (reviewRunId) until the new run replaces them.
    setRunId(std::nullopt);
    m_cancelPending = false;
    setPhase(SyncPhase::preparing);
    setBanner(std::nullopt);
}

void SyncStore::markCancelled()
{
    if (m_phase == SyncPhase::cancelled)
        return;
    // Before the helper confirms the start there is no id to cancel by, and the rows
    // shown are still the earlier run's: what they wait for is not this cancel's.
    const bool unconfirmed = m_phase == SyncPhase::preparing && !m_runId;
    if (unconfirmed)
        m_cancelPending = true;
    const bool retired = !unconfirmed && retireReviews();
    setPhase(SyncPhase::cancelled);
    if (retired)
        emit runStopped();
}

void SyncStore::abandonStart(SyncPhase previous, StartOutcome outcome)
{
    if (outcome == StartOutcome::declined)
        m_cancelPending = false;
    if (m_phase == SyncPhase::preparing)
        setPhase(previous);
}

void SyncStore::clearResults()
{
    m_cancelPending = false;
    setPhase(SyncPhase::idle);
    resetRun();
    setSummary(std::nullopt);
    setRunId(std::nullopt);
    m_reviewRunId.reset();
}

bool SyncStore::isRunning() const
{
    return m_phase == SyncPhase::preparing || m_phase == SyncPhase::running
        || m_phase == SyncPhase::finishing;
}

QList<std::shared_ptr<TrackModel>> SyncStore::reviewQueue() const
{
    if (!m_reviewQueue) {
        QList<std::shared_ptr<TrackModel>> queue;
        queue.reserve(totals().review);
        for (const auto& group : m_groups) {
            if (group->reviewCount() == 0)
                continue;
            for (const auto& track : group->tracks()) {
                if (track->state().isAwaitingReview())
                    queue.append(track);
            }
        }
        m_reviewQueue = std::move(queue);
    }
    return *m_reviewQueue;
}

TrackState SyncStore::trackState(const QString& trackId) const
{
    const TrackModel* track = row(trackId);
    return track ? track->state() : TrackState::queued();
}

bool SyncStore::markDecisionSent(const QString& trackId)
{
    TrackModel* track = row(trackId);
    if (!track || !track->state().isAwaitingReview())
        return false;
    auto waiting = std::get<TrackState::AwaitingReview>(track->state().value);
    waiting.decisionSent = true;
    track->setState(TrackState { std::move(waiting) });
    return true;
}

void SyncStore::setBanner(std::optional<SyncBanner> banner)
{
    if (!banner || banner->asksToAct())
        m_noticeBehind.reset();
    else if (m_banner && m_banner->asksToAct() && banner != m_banner)
        m_noticeBehind = m_banner;
    showBanner(std::move(banner));
}

void SyncStore::dismissBanner()
{
    showBanner(std::exchange(m_noticeBehind, std::nullopt));
}

void SyncStore::withdrawBanner(const SyncBanner& banner)
{
    if (m_banner == banner)
        dismissBanner();
}

void SyncStore::showBanner(std::optional<SyncBanner> banner)
{
    if (banner == m_banner)
        return;
    m_banner = std::move(banner);
    emit bannerChanged();
    scheduleChanged();
}

void SyncStore::apply(const ServerEvent& event)
{
    std::visit([this](const auto& payload) { apply(payload); }, event.value);
}

void SyncStore::apply(const ServerEvent::SyncStarted& e)
{
    setRunId(e.runId);
    m_reviewRunId = e.runId;
    setSummary(std::nullopt);
    resetRun();
    if (!std::exchange(m_cancelPending, false)) {
        setPhase(SyncPhase::running);
        return;
    }
    // Cancelled before it was confirmed: it stays cancelled and is stopped by its id.
    emit cancelDue(e.runId);
}

void SyncStore::apply(const ServerEvent::PlaylistStarted& e)
{
    QList<std::shared_ptr<TrackModel>> rows;
    rows.reserve(e.tracks.size());
    for (const TrackDTO& dto : e.tracks)
        rows.append(std::make_shared<TrackModel>(dto));

    const qsizetype groupIndex = m_groups.size();
    m_trackIndex.reserve(m_trackIndex.size() + rows.size());
    for (qsizetype row = 0; row < rows.size(); ++row)
        m_trackIndex.insert(rows[row]->id(), { groupIndex, row });
    if (!m_firstGroupIndex.contains(e.playlistId))
        m_firstGroupIndex.insert(e.playlistId, groupIndex);

    auto group = std::make_shared<PlaylistGroup>(e.playlistId, e.name, e.index, std::move(rows));
    connect(group.get(), &PlaylistGroup::countsChanged, this, &SyncStore::countsChanged);
    m_groups.append(std::move(group));
    countsChanged();
    emit groupsChanged();
}

void SyncStore::apply(const ServerEvent::TrackStarted& e)
{
    // Once the run is over (a helper that has not seen the cancel yet) nothing
    // starts spinning again.
    if (!isRunning())
        return;
    if (TrackModel* track = row(e.trackId))
        track->setState(TrackState::checkingDisk());
}

void SyncStore::apply(const ServerEvent::DiskCheck& e)
{
    TrackModel* track = row(e.trackId);
    if (!track)
        return;
    track->setDiskResult(e.result);
    switch (e.result) {
    case DiskCheckResult::present:
        track->setState(TrackState::present(e.meta));
        break;
    case DiskCheckResult::missing:
    case DiskCheckResult::broken:
        if (isRunning())
            track->setState(TrackState::working(Phase::searching));
        break;
    }
}

void SyncStore::apply(const ServerEvent::Step& e)
{
    if (!isRunning())
        return;
    if (TrackModel* track = row(e.trackId))
        track->setState(TrackState::working(e.phase, e.detail));
}

void SyncStore::apply(const ServerEvent::DownloadProgress& e)
{
    TrackModel* track = row(e.trackId);
    if (!track || !isRunning())
        return;
    track->setState(TrackState::working(Phase::downloading));
    track->setDownloadFraction(fractionOfPercent(e.percent));
    track->setProgressDetail(progressText(e.percent, e.speedText, e.sizeText));
}

void SyncStore::apply(const ServerEvent::NeedsReview& e)
{
    TrackModel* track = row(e.trackId);
    if (!track)
        return;
    // A request that crossed the run's death can no longer be answered; a run that
    // ended normally still takes decisions by its id.
    if (isRunning() || m_phase == SyncPhase::done)
        track->setState(TrackState::awaitingReview(e.candidates));
    else
        track->setState(TrackState::undecided(e.candidates));
}

void SyncStore::apply(const ServerEvent::TrackFinished& e)
{
    TrackModel* track = row(e.trackId);
    if (!track)
        return;
    if (e.status == Finish::ok && e.kind == TrackFinishKind::verified)
        track->setState(TrackState::present(e.meta));
    else if (e.status == Finish::failed)
        track->setState(TrackState::failed(e.detail.value_or(QStringLiteral("Failed"))));
    else
        track->setState(TrackState::done(e.status, e.meta));
}

void SyncStore::apply(const ServerEvent::PlaylistFinished& e)
{
    if (PlaylistGroup* group = firstGroup(e.playlistId))
        group->setStatus(e.status);
}

void SyncStore::apply(const ServerEvent::OrphansFound& e)
{
    // Leftovers of the whole run (no playlist id) belong to the orphans store alone.
    if (!e.playlistId)
        return;
    if (PlaylistGroup* group = firstGroup(*e.playlistId))
        group->setOrphanPaths(group->orphanPaths() + e.paths);
}

void SyncStore::apply(const ServerEvent::SyncDone& e)
{
    setSummary(e.summary);
    setPhase(SyncPhase::done);
}

void SyncStore::apply(const ServerEvent::ProxyStatus& e)
{
    setProxyStatus(e.status);
    setProxyDetail(e.detail);

    const auto paused = [&e](const QString& what) {
        QString message = QStringLiteral("Corvane VPN ") + what + QStringLiteral(" — Soulseek is paused");
        if (e.detail)
            message += QStringLiteral(": ") + *e.detail;
        return SyncBanner { SyncBanner::Kind::warning, message, std::nullopt };
    };
    switch (e.status) {
    case ProxyStatusValue::off:
        break;
    case ProxyStatusValue::connecting:
        setBanner(SyncBanner {
            SyncBanner::Kind::info, QStringLiteral("Connecting to Corvane VPN…"), std::nullopt });
        break;
    case ProxyStatusValue::connected: {
        QString message = QStringLiteral("Soulseek is routed through Corvane VPN");
        if (e.detail)
            message += QStringLiteral(" (") + *e.detail + u')';
        setBanner(SyncBanner { SyncBanner::Kind::info, message, std::nullopt });
        break;
    }
    case ProxyStatusValue::down:
        setBanner(paused(QStringLiteral("disconnected")));
        break;
    case ProxyStatusValue::error:
        setBanner(paused(QStringLiteral("error")));
        break;
    }
}

void SyncStore::apply(const ServerEvent::Error& e)
{
    setBanner(SyncBanner { SyncBanner::Kind::error, e.message, e.code });
}

void SyncStore::helperGone()
{
    // A start the helper had not confirmed died with it.
    m_cancelPending = false;
    // Decisions go to the helper that holds the run by its id; a relaunched one never
    // had it, so nothing may go on waiting for one, also after a run that ended with
    // syncDone. Such a finished run keeps its phase and banner.
    const bool retired = retireReviews();
    if (isRunning()) {
        setPhase(SyncPhase::interrupted);
        setBanner(SyncBanner { SyncBanner::Kind::warning,
            QStringLiteral("The sync was interrupted. Re-run Sync to continue safely."), std::nullopt });
    }
    if (retired)
        emit runStopped();
}

void SyncStore::setPhase(SyncPhase phase)
{
    if (phase == m_phase)
        return;
    m_phase = phase;
    if (!isRunning())
        settleActiveRows();
    emit phaseChanged();
    scheduleChanged();
}

bool SyncStore::retireReviews()
{
    bool retired = false;
    for (const auto& group : std::as_const(m_groups)) {
        for (const auto& track : group->tracks()) {
            if (const auto* review = std::get_if<TrackState::AwaitingReview>(&track->state().value)) {
                track->setState(TrackState::undecided(review->candidates));
                retired = true;
            }
        }
    }
    return retired;
}

void SyncStore::settleActiveRows()
{
    for (const auto& group : std::as_const(m_groups)) {
        if (group->counts().active == 0)
            continue;
        for (const auto& track : group->tracks()) {
            if (track->state().isActive()) {
                track->setState(TrackState::queued());
                track->setDownloadFraction(0);
                track->setProgressDetail(std::nullopt);
            }
        }
    }
}

void SyncStore::setGroups(QList<std::shared_ptr<PlaylistGroup>> groups)
{
    for (const auto& group : std::as_const(m_groups))
        disconnect(group.get(), nullptr, this, nullptr);
    m_groups = std::move(groups);
    countsChanged();
    emit groupsChanged();
}

void SyncStore::setSummary(std::optional<SyncSummary> summary)
{
    if (summary == m_summary)
        return;
    m_summary = std::move(summary);
    emit summaryChanged();
    scheduleChanged();
}

void SyncStore::setRunId(std::optional<QString> runId)
{
    if (runId == m_runId)
        return;
    m_runId = std::move(runId);
    emit runIdChanged();
    scheduleChanged();
}

void SyncStore::setProxyStatus(ProxyStatusValue status)
{
    if (status == m_proxyStatus)
        return;
    m_proxyStatus = status;
    emit proxyStatusChanged();
    scheduleChanged();
}

void SyncStore::setProxyDetail(std::optional<QString> detail)
{
    if (detail == m_proxyDetail)
        return;
    m_proxyDetail = std::move(detail);
    emit proxyDetailChanged();
    scheduleChanged();
}

// Empties the groups together with both indexes, so no entry outlives its group.
void SyncStore::resetRun()
{
    m_trackIndex.clear();
    m_firstGroupIndex.clear();
    setGroups({});
}

TrackModel* SyncStore::row(const QString& trackId) const
{
    const auto found = m_trackIndex.constFind(trackId);
    if (found == m_trackIndex.cend())
        return nullptr;
    const auto [groupIndex, rowIndex] = *found;
    if (groupIndex < 0 || groupIndex >= m_groups.size())
        return nullptr;
    const auto& tracks = m_groups[groupIndex]->tracks();
    if (rowIndex < 0 || rowIndex >= tracks.size())
        return nullptr;
    return tracks[rowIndex].get();
}

PlaylistGroup* SyncStore::firstGroup(const QString& playlistId) const
{
    const auto found = m_firstGroupIndex.constFind(playlistId);
    if (found == m_firstGroupIndex.cend() || *found < 0 || *found >= m_groups.size())
        return nullptr;
    PlaylistGroup* group = m_groups[*found].get();
    return group->id() == playlistId ? group : nullptr;
}

const TrackCounts& SyncStore::totals() const
{
    if (!m_totals) {
        TrackCounts totals;
        for (const auto& group : m_groups)
            totals += group->counts();
        m_totals = totals;
    }
    return *m_totals;
}

void SyncStore::countsChanged()
{
    m_totals.reset();
    m_reviewQueue.reset();
    scheduleChanged();
}

void SyncStore::scheduleChanged()
{
    if (m_changePending)
        return;
    m_changePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changePending = false;
            emit changed();
        },
        Qt::QueuedConnection);
}

} // namespace mivo
