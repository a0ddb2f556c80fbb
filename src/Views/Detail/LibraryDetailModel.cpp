#include "Views/Detail/LibraryDetailModel.h"

#include "State/LibraryStore.h"
#include "State/PreviewStore.h"
#include "State/SyncStore.h"
#include "Styling/Format.h"
#include "Styling/SourceBadge.h"
#include "Views/Detail/PlaylistGroupHeader.h"
#include "Views/Detail/TrackColumns.h"
#include "Views/Detail/TrackStatusCell.h"

#include <QStringList>

namespace mivo {

namespace {

const QString kEmDash = QStringLiteral("\u2014");

QString trackText(const TrackModel& track)
{
    const TrackDTO& dto = track.dto();
    const std::optional<TrackMeta> meta = track.displayMeta();
    const std::optional<SourceBadge::Style> badge = SourceBadge::styleFor(meta);
    QStringList parts { dto.title, dto.artist, dto.album.value_or(kEmDash), Format::duration(dto.durationSec),
        Format::qualityLine(meta).value_or(kEmDash), badge ? badge->label : kEmDash,
        TrackStatusCell::accessibleText(TrackStatusCell::content(track, false)) };
    return parts.join(QStringLiteral(", "));
}

QString columnTitlesText()
{
    QStringList titles;
    for (int column = TrackColumns::title; column < TrackColumns::kCount; ++column)
        titles.append(TrackColumns::heading(TrackColumns::Column(column)));
    return titles.join(QStringLiteral(", "));
}

} // namespace

LibraryDetailModel::LibraryDetailModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void LibraryDetailModel::setLibrary(LibraryStore* library)
{
    if (m_library == library)
        return;
    if (m_library)
        disconnect(m_library, nullptr, this, nullptr);
    m_library = library;
    if (m_library) {
        // Headers show the playlist's source and artwork as the library has them.
        connect(m_library, &LibraryStore::playlistsChanged, this, [this] {
            for (qsizetype i = 0; i < m_groups.size(); ++i)
                groupHeaderChanged(m_groups[i].get());
        });
    }
}

void LibraryDetailModel::showSync(SyncStore& sync)
{
    if (m_source == Source::sync && m_store == &sync)
        return;
    follow(Source::sync, &sync, sync.groups());
    connect(&sync, &SyncStore::groupsChanged, this, &LibraryDetailModel::syncGroupsChanged);
}

void LibraryDetailModel::showPreview(PreviewStore& preview)
{
    if (m_source == Source::preview && m_store == &preview)
        return;
    follow(Source::preview, &preview, preview.groups());
    connect(&preview, &PreviewStore::groupsChanged, this, &LibraryDetailModel::previewGroupsChanged);
}

void LibraryDetailModel::showNothing()
{
    if (m_source == Source::none)
        return;
    follow(Source::none, nullptr, {});
}

void LibraryDetailModel::follow(
    Source source, QObject* store, const QList<std::shared_ptr<PlaylistGroup>>& groups)
{
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
    m_source = source;
    m_store = store;
    setGroups(groups);
}

void LibraryDetailModel::syncGroupsChanged()
{
    const auto* sync = qobject_cast<SyncStore*>(m_store);
    if (!sync)
        return;
    const QList<std::shared_ptr<PlaylistGroup>>& groups = sync->groups();
    // A run adds its playlists one after another: only the new ones are inserted.
    const qsizetype known = m_groups.size();
    bool extends = groups.size() > known;
    for (qsizetype i = 0; extends && i < known; ++i)
        extends = groups[i] == m_groups[i];
    if (!extends) {
        setGroups(groups);
        return;
    }
    const int first = int(m_entries.size());
    qsizetype added = 0;
    for (qsizetype i = known; i < groups.size(); ++i)
        added += rowsOf(*groups[i]);
    beginInsertRows({}, first, first + int(added) - 1);
    m_groups = groups;
    appendEntries(known);
    endInsertRows();
    for (qsizetype i = known; i < m_groups.size(); ++i)
        watch(i);
}

void LibraryDetailModel::previewGroupsChanged()
{
    if (const auto* preview = qobject_cast<PreviewStore*>(m_store))
        setGroups(preview->groups());
}

void LibraryDetailModel::setGroups(const QList<std::shared_ptr<PlaylistGroup>>& groups)
{
    beginResetModel();
    for (const auto& group : std::as_const(m_groups))
        disconnect(group.get(), nullptr, this, nullptr);
    m_groups = groups;
    m_countsMoved.clear();
    // New groups show as they are: a fold under way ends with the old ones.
    const bool wasFolding = m_folding != nullptr;
    setFolding(nullptr);
    endResetModel();
    for (qsizetype i = 0; i < m_groups.size(); ++i)
        watch(i);
    if (wasFolding)
        emit foldEnded();
}

qsizetype LibraryDetailModel::rowsOf(const PlaylistGroup& group) const
{
    if (&group == m_folding)
        return 2;
    if (group.isCollapsed())
        return 1;
    return 2 + std::max<qsizetype>(group.tracks().size(), 1);
}

void LibraryDetailModel::appendEntries(qsizetype first)
{
    for (qsizetype g = first; g < m_groups.size(); ++g) {
        const PlaylistGroup& group = *m_groups[g];
        const auto groupIndex = qint32(g);
        m_groupStart.push_back(int(m_entries.size()));
        m_entries.push_back({ groupIndex, kHeader });
        if (&group == m_folding) {
            m_entries.push_back({ groupIndex, kFold });
            continue;
        }
        if (group.isCollapsed())
            continue;
        m_entries.push_back({ groupIndex, kColumns });
        if (group.tracks().isEmpty())
            m_entries.push_back({ groupIndex, kEmpty });
        for (qsizetype t = 0; t < group.tracks().size(); ++t)
            m_entries.push_back({ groupIndex, qint32(t) });
    }
}

void LibraryDetailModel::rebuildEntries()
{
    m_entries.clear();
    m_groupStart.clear();
    qsizetype rows = 0;
    for (const auto& group : std::as_const(m_groups))
        rows += rowsOf(*group);
    m_entries.reserve(size_t(rows));
    m_groupStart.reserve(size_t(m_groups.size()));
    appendEntries(0);
}

void LibraryDetailModel::watch(qsizetype groupIndex)
{
    PlaylistGroup* group = m_groups[groupIndex].get();
    connect(group, &PlaylistGroup::rowsChanged, this,
        [this, group](const QList<qsizetype>& rows) { groupRowsChanged(group, rows); });
    connect(group, &PlaylistGroup::countsChanged, this, [this, group] { m_countsMoved.insert(group); });
    connect(group, &PlaylistGroup::statusChanged, this, [this, group] { groupHeaderChanged(group); });
    connect(group, &PlaylistGroup::isCollapsedChanged, this, [this, group] { groupCollapsedChanged(group); });
}

qsizetype LibraryDetailModel::indexOf(const PlaylistGroup* group) const
{
    for (qsizetype i = 0; i < m_groups.size(); ++i) {
        if (m_groups[i].get() == group)
            return i;
    }
    return -1;
}

void LibraryDetailModel::groupRowsChanged(const PlaylistGroup* group, const QList<qsizetype>& rows)
{
    const qsizetype g = indexOf(group);
    if (g < 0)
        return;
    // The header's counts follow its rows.
    if (m_countsMoved.remove(group)) {
        const QModelIndex header = index(headerRow(g));
        emit dataChanged(header, header);
    }
    if (group == m_folding) {
        // The fold shows the table's first rows.
        const QModelIndex fold = index(foldRow());
        emit dataChanged(fold, fold);
        return;
    }
    if (group->isCollapsed())
        return;
    for (const qsizetype track : rows) {
        const QModelIndex changed = index(trackRow(g, track));
        emit dataChanged(changed, changed);
    }
}

void LibraryDetailModel::groupHeaderChanged(const PlaylistGroup* group)
{
    const qsizetype g = indexOf(group);
    if (g < 0)
        return;
    const QModelIndex header = index(headerRow(g));
    emit dataChanged(header, header);
}

void LibraryDetailModel::groupCollapsedChanged(PlaylistGroup* group)
{
    const qsizetype g = indexOf(group);
    if (g < 0)
        return;
    if (group == m_folding) {
        // Turned back midway: the same fold moves the other way.
        emit foldStarted(group->isCollapsed());
        return;
    }
    if (m_folding)
        endFold();
    const std::optional<qreal> span = m_foldPolicy ? m_foldPolicy(g) : std::nullopt;
    const bool folds = span.has_value();
    const int header = headerRow(g);
    const int tableRows = 1 + int(std::max<qsizetype>(group->tracks().size(), 1));
    if (group->isCollapsed()) {
        beginRemoveRows({}, header + 1, header + tableRows);
        rebuildEntries();
        endRemoveRows();
    } else if (!folds) {
        beginInsertRows({}, header + 1, header + tableRows);
        rebuildEntries();
        endInsertRows();
    }
    if (folds) {
        // The table becomes one row, however many tracks it has, laid out
        // once at the height it keeps while it moves.
        beginInsertRows({}, header + 1, header + 1);
        setFolding(group, *span);
        endInsertRows();
    }
    // The header ends its group now, or no longer does.
    emit dataChanged(index(header), index(header));
    if (folds)
        emit foldStarted(group->isCollapsed());
}

void LibraryDetailModel::setFolding(const PlaylistGroup* group, qreal span)
{
    m_folding = group;
    m_foldSpan = group ? std::max<qreal>(0, span) : 0;
    // A table folding shut starts open; one folding open starts shut.
    m_foldHeight = group && !group->isCollapsed() ? 0 : m_foldSpan;
    rebuildEntries();
}

int LibraryDetailModel::foldRow() const
{
    const int header = m_folding ? headerRow(indexOf(m_folding)) : -1;
    return header < 0 ? -1 : header + 1;
}

void LibraryDetailModel::setFoldHeight(qreal height)
{
    if (m_folding)
        m_foldHeight = std::clamp<qreal>(height, 0, m_foldSpan);
}

void LibraryDetailModel::endFold()
{
    const int fold = foldRow();
    if (fold < 0) {
        m_folding = nullptr;
        return;
    }
    const PlaylistGroup* group = m_folding;
    const int header = fold - 1;
    if (group->isCollapsed()) {
        beginRemoveRows({}, fold, fold);
        setFolding(nullptr);
        endRemoveRows();
    } else {
        // The fold row gives way to the table's rows.
        beginRemoveRows({}, fold, fold);
        m_entries.erase(m_entries.begin() + fold);
        for (int& start : m_groupStart) {
            if (start > fold)
                --start;
        }
        endRemoveRows();
        const int tableRows = 1 + int(std::max<qsizetype>(group->tracks().size(), 1));
        beginInsertRows({}, fold, fold + tableRows - 1);
        setFolding(nullptr);
        endInsertRows();
    }
    emit dataChanged(index(header), index(header));
    emit foldEnded();
}

LibraryDetailModel::Row LibraryDetailModel::row(int flatRow) const
{
    Row row;
    if (flatRow < 0 || size_t(flatRow) >= m_entries.size())
        return row;
    const Entry entry = m_entries[size_t(flatRow)];
    row.group = m_groups[entry.group].get();
    row.groupIndex = entry.group;
    row.firstGroup = entry.group == 0;
    row.lastOfGroup
        = size_t(flatRow) + 1 == m_entries.size() || m_entries[size_t(flatRow) + 1].group != entry.group;
    row.folding = row.group == m_folding;
    switch (entry.track) {
    case kHeader:
        row.kind = RowKind::groupHeader;
        break;
    case kColumns:
        row.kind = RowKind::columnTitles;
        break;
    case kEmpty:
        row.kind = RowKind::emptyTable;
        break;
    case kFold:
        row.kind = RowKind::fold;
        row.foldHeight = m_foldHeight;
        row.foldSpan = m_foldSpan;
        break;
    default:
        row.kind = RowKind::track;
        row.trackIndex = entry.track;
        row.track = row.group->tracks()[entry.track].get();
        break;
    }
    return row;
}

int LibraryDetailModel::headerRow(qsizetype groupIndex) const
{
    if (groupIndex < 0 || size_t(groupIndex) >= m_groupStart.size())
        return -1;
    return m_groupStart[size_t(groupIndex)];
}

int LibraryDetailModel::trackRow(qsizetype groupIndex, qsizetype trackIndex) const
{
    const int header = headerRow(groupIndex);
    if (header < 0 || m_groups[groupIndex]->isCollapsed() || m_groups[groupIndex].get() == m_folding
        || trackIndex < 0 || trackIndex >= m_groups[groupIndex]->tracks().size())
        return -1;
    return header + 2 + int(trackIndex);
}

PlaylistSourceId LibraryDetailModel::sourceFromId(const QString& playlistId)
{
    return playlistId.startsWith(QStringLiteral("apple")) ? PlaylistSourceId::apple
                                                          : PlaylistSourceId::spotify;
}

LibraryDetailModel::PlaylistMeta LibraryDetailModel::playlistMeta(const QString& playlistId) const
{
    if (m_library) {
        if (const std::optional<PlaylistDTO> playlist = m_library->playlist(playlistId))
            return { playlist->source, playlist->artwork };
    }
    return { sourceFromId(playlistId), ArtworkRef::none() };
}

int LibraryDetailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant LibraryDetailModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Row r = row(index.row());
    if (role == Qt::AccessibleDescriptionRole) {
        // What Space or Return does on the row.
        if (r.kind == RowKind::groupHeader)
            return PlaylistGroupHeader::collapseLabel(*r.group);
        if (r.kind == RowKind::track) {
            if (const auto button = TrackStatusCell::content(*r.track, false).button)
                return PaintedButtons::title(*button);
        }
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    switch (r.kind) {
    case RowKind::groupHeader:
        return PlaylistGroupHeader::accessibleText(*r.group);
    case RowKind::columnTitles:
        return columnTitlesText();
    case RowKind::emptyTable:
    case RowKind::fold:
        return QString();
    case RowKind::track:
        return trackText(*r.track);
    }
    return {};
}

Qt::ItemFlags LibraryDetailModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled;
}

} // namespace mivo
