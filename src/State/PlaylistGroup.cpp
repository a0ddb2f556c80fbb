#include "State/PlaylistGroup.h"

#include <QMetaObject>
#include <algorithm>

namespace mivo {

PlaylistGroup::PlaylistGroup(
    QString id, QString name, qint64 index, QList<std::shared_ptr<TrackModel>> tracks)
    : m_id(std::move(id))
    , m_name(std::move(name))
    , m_index(index)
    , m_tracks(std::move(tracks))
    , m_rowChangePending(size_t(m_tracks.size()), false)
{
    for (qsizetype i = 0; i < m_tracks.size(); ++i) {
        TrackModel& row = *m_tracks[i];
        m_counts += TrackCounts::of(row.state());
        row.m_group = this;
        row.m_row = i;
    }
}

PlaylistGroup::~PlaylistGroup()
{
    // Rows are shared and may outlive the group.
    for (const auto& row : std::as_const(m_tracks)) {
        if (row->m_group == this)
            row->m_group = nullptr;
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

void PlaylistGroup::rowTouched(qsizetype row)
{
    if (m_rowChangePending[size_t(row)])
        return;
    m_rowChangePending[size_t(row)] = true;
    if (m_changedRows.isEmpty())
        QMetaObject::invokeMethod(this, &PlaylistGroup::flushChangedRows, Qt::QueuedConnection);
    m_changedRows.append(row);
}

void PlaylistGroup::flushChangedRows()
{
    QList<qsizetype> rows = std::exchange(m_changedRows, {});
    for (const qsizetype row : std::as_const(rows))
        m_rowChangePending[size_t(row)] = false;
    std::sort(rows.begin(), rows.end());
    emit rowsChanged(rows);
}

} // namespace mivo
