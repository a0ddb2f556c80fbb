#include "State/TrackModel.h"

#include "State/PlaylistGroup.h"

namespace mivo {

TrackModel::TrackModel(TrackDTO dto)
    : m_dto(std::move(dto))
{
}

TrackModel::TrackModel(const PreviewTrackDTO& preview)
    : m_dto(preview.track())
{
    switch (preview.onDisk) {
    case OnDisk::present:
        m_state = TrackState::present(preview.meta);
        m_diskResult = DiskCheckResult::present;
        break;
    case OnDisk::missing:
        m_diskResult = DiskCheckResult::missing;
        break;
    }
}

TrackModel::TrackModel(const QString& id, const QString& title, const QString& artist, double durationSec)
    : TrackModel(TrackDTO { id, title, artist, std::nullopt, durationSec, ArtworkRef::none() })
{
}

void TrackModel::setState(TrackState state)
{
    if (state == m_state)
        return;
    const TrackState previous = std::exchange(m_state, std::move(state));
    if (m_group)
        m_group->rowStateReplaced(previous, m_state);
    emit stateReplaced(previous, m_state);
    emit stateChanged();
    touched();
}

void TrackModel::touched()
{
    if (m_group)
        m_group->rowTouched(m_row);
    emit changed();
}

void TrackModel::setDownloadFraction(double fraction)
{
    if (fraction == m_downloadFraction)
        return;
    m_downloadFraction = fraction;
    emit downloadFractionChanged();
    touched();
}

void TrackModel::setProgressDetail(std::optional<QString> detail)
{
    if (detail == m_progressDetail)
        return;
    m_progressDetail = std::move(detail);
    emit progressDetailChanged();
    touched();
}

void TrackModel::setDiskResult(std::optional<DiskCheckResult> result)
{
    if (result == m_diskResult)
        return;
    m_diskResult = result;
    emit diskResultChanged();
    touched();
}

std::optional<double> TrackModel::progressFraction() const
{
    if (m_state.is<TrackState::Present>() || m_state.is<TrackState::Done>())
        return 1.0;
    if (m_state.is<TrackState::Queued>())
        return 0.0;
    const auto* working = std::get_if<TrackState::Working>(&m_state.value);
    if (working && working->phase == Phase::downloading)
        return m_downloadFraction;
    return std::nullopt;
}

} // namespace mivo
