#include "State/PlaylistGroup.h"

namespace mivo {

PlaylistGroup::PlaylistGroup(
    QString id, QString name, qint64 index, QList<std::shared_ptr<TrackModel>> tracks)
    : m_id(std::move(id))
    , m_name(std::move(name))
    , m_index(index)
    , m_tracks(std::move(tracks))
{
    for (const auto& row : std::as_const(m_tracks)) {
        m_counts += TrackCounts::of(row->state());
        connect(row.get(), &TrackModel::stateReplaced, this, &PlaylistGroup::rowStateReplaced);
    }
}

void PlaylistGroup::setStatus(std::optional<Finish> status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged();
}

void PlaylistGroup::setOrphanPaths(QList<QString> paths)
{
    if (paths == m_orphanPaths)
        return;
    m_orphanPaths = std::move(paths);
    emit orphanPathsChanged();
}

void PlaylistGroup::setCollapsed(bool collapsed)
{
    if (collapsed == m_isCollapsed)
        return;
    m_isCollapsed = collapsed;
    emit isCollapsedChanged();
}

void PlaylistGroup::rowStateReplaced(const TrackState& previous, const TrackState& current)
{
    const TrackCounts before = TrackCounts::of(previous);
    const TrackCounts after = TrackCounts::of(current);
    if (before == after)
        return;
    m_counts -= before;
    m_counts += after;
    emit countsChanged();
}

} // namespace mivo
