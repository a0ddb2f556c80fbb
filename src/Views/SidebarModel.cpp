#include "Views/SidebarModel.h"

#include "Styling/Inflection.h"
#include "Styling/Tokens.h"
#include "Views/ArtworkLoader.h"
#include "Views/ItemListAccessible.h"

namespace mivo {

SidebarModel::SidebarModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void SidebarModel::setPlaylists(const QList<PlaylistDTO>& playlists)
{
    if (m_tree.playlists() == playlists)
        return;
    m_tree = LibraryTree(playlists);
    rebuild();
}

void SidebarModel::setFilterText(const QString& text)
{
    LibraryTree::Filter filter = LibraryTree::Filter::parse(text);
    if (filter == m_filter)
        return;
    m_filter = std::move(filter);
    rebuild();
}

bool SidebarModel::isExpanded(const QString& id) const
{
    return !m_filter.query.isEmpty() || m_manualExpansion.contains(id);
}

void SidebarModel::toggleExpansion(const QString& id)
{
    if (!m_manualExpansion.remove(id))
        m_manualExpansion.insert(id);
    if (m_filter.query.isEmpty())
        rebuild();
}

void SidebarModel::expand(const QSet<QString>& ids)
{
    const qsizetype before = m_manualExpansion.size();
    m_manualExpansion.unite(ids);
    if (m_manualExpansion.size() != before && m_filter.query.isEmpty())
        rebuild();
}

namespace {

QString rowKey(SidebarModel::Kind kind, PlaylistSourceId source, const QString& id)
{
    return QString::number(int(kind)) + u':' + QString::number(int(source)) + u':' + id;
}

} // namespace

QList<SidebarModel::Row> SidebarModel::visibleRows() const
{
    QList<Row> rows;
    for (const PlaylistSourceId source : m_tree.sources()) {
        if (!m_filter.admits(source))
            continue;
        Shown header;
        header.count = m_tree.playlistCount(source);
        rows.append({ Kind::header, source, -1, 0, QString(), header });
        const QList<LibraryTree::Row> shown = m_tree.visibleRows(source, m_filter.query, m_manualExpansion);
        for (const LibraryTree::Row& row : shown) {
            const PlaylistDTO& p = m_tree.playlists()[row.index];
            Shown playlist { p.name, p.trackCount, p.artwork };
            if (p.isFolder) {
                playlist.expanded = isExpanded(p.id);
                playlist.canToggle = canToggleExpansion();
            }
            rows.append({ p.isFolder ? Kind::folder : Kind::playlist, source, row.index, row.depth, p.id,
                std::move(playlist) });
        }
    }
    return rows;
}

void SidebarModel::rebuild()
{
    const QList<Row> rows = visibleRows();
    emit rowsAboutToChange();

    QHash<QString, int> newRowOfKey;
    newRowOfKey.reserve(rows.size());
    for (int row = 0; row < rows.size(); ++row)
        newRowOfKey.insert(rowKey(rows[row].kind, rows[row].source, rows[row].id), row);

    QList<int> changed; // rows that stay and show something else now, in their new places, ascending
    if (newRowOfKey.size() != rows.size()) {
        // Two rows alike cannot be told apart: start over.
        beginResetModel();
        m_rows = rows;
    } else {
        // The rows that stay are those already shown in the same order as before
        // (a row that moved goes and comes back); they take their new place in
        // the tree at once, and a row on its way out no longer points into it.
        QList<bool> stays(m_rows.size(), false);
        int lastKept = -1;
        for (int row = 0; row < m_rows.size(); ++row) {
            Row& old = m_rows[row];
            const auto found = newRowOfKey.constFind(rowKey(old.kind, old.source, old.id));
            if (found != newRowOfKey.cend() && *found > lastKept) {
                stays[row] = true;
                lastKept = *found;
                if (old.depth != rows[*found].depth || !(old.shown == rows[*found].shown))
                    changed.append(*found);
                old = rows[*found];
            } else {
                old.index = -1;
            }
        }
        for (int last = int(m_rows.size()) - 1; last >= 0;) {
            if (stays[last]) {
                --last;
                continue;
            }
            int first = last;
            while (first > 0 && !stays[first - 1])
                --first;
            beginRemoveRows({}, first, last);
            m_rows.remove(first, last - first + 1);
            endRemoveRows();
            last = first - 1;
        }
        for (int at = 0; at < rows.size();) {
            if (at < m_rows.size() && m_rows[at].sameRow(rows[at])) {
                ++at;
                continue;
            }
            // The run of new rows up to the next row that stays.
            int end = at;
            while (end < rows.size() && (at >= m_rows.size() || !m_rows[at].sameRow(rows[end])))
                ++end;
            beginInsertRows({}, at, end - 1);
            m_rows.insert(at, end - at, Row());
            for (int row = at; row < end; ++row)
                m_rows[row] = rows[row];
            endInsertRows();
            at = end;
        }
    }

    m_rowOfId.clear();
    m_rowsOfArtwork.clear();
    for (int at = 0; at < m_rows.size(); ++at) {
        const PlaylistDTO* p = playlistAt(at);
        if (!p)
            continue;
        m_rowOfId.insert(p->id, at);
        if (!p->isFolder) {
            if (const auto key = ArtworkLoader::key(p->artwork, kArtworkSize))
                m_rowsOfArtwork[*key].append(at);
        }
    }

    if (newRowOfKey.size() != rows.size())
        endResetModel();
    for (qsizetype first = 0; first < changed.size();) {
        qsizetype last = first;
        while (last + 1 < changed.size() && changed[last + 1] == changed[last] + 1)
            ++last;
        emit dataChanged(index(changed[first]), index(changed[last]));
        first = last + 1;
    }
    emit rowsChanged();
}

int SidebarModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

const PlaylistDTO* SidebarModel::playlistAt(int row) const
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].index < 0)
        return nullptr;
    return &m_tree.playlists()[m_rows[row].index];
}

QVariant SidebarModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows[index.row()];
    const PlaylistDTO* p = playlistAt(index.row());
    switch (role) {
    case KindRole:
        return int(row.kind);
    case IdRole:
        return p ? p->id : QString();
    case DepthRole:
        return row.depth;
    case ExpandedRole:
        return p && p->isFolder && isExpanded(p->id);
    case ItemListAccessible::ExpandedRole:
        // Only a folder is heard as expanded or collapsed.
        return p && p->isFolder ? QVariant(isExpanded(p->id)) : QVariant();
    case SourceRole:
        return int(row.source);
    case CountRole:
        if (!p)
            return qint64(m_tree.playlistCount(row.source));
        return p->trackCount ? QVariant(*p->trackCount) : QVariant();
    case Qt::DisplayRole:
        // A header has no text to search by: typing a source's name never lands on it.
        return p ? QVariant(p->name) : QVariant();
    case TitleRole:
        return p ? p->name : Tokens::Source::displayName(row.source);
    case Qt::ToolTipRole:
        return p && p->isFolder ? folderToolTip(p->name) : QVariant();
    case Qt::AccessibleTextRole:
        if (!p)
            return Tokens::Source::displayName(row.source);
        return p->isFolder ? p->name : playlistAccessibleText(*p);
    default:
        return {};
    }
}

Qt::ItemFlags SidebarModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (m_rows[index.row()].kind == Kind::header)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QString SidebarModel::folderToolTip(const QString& name)
{
    return tr("Select all playlists in \u201C%1\u201D").arg(name);
}

QString SidebarModel::playlistAccessibleText(const PlaylistDTO& playlist)
{
    // Built by joining: a name may itself contain "%1" or "%n".
    return playlist.name + QStringLiteral(", ") + Tokens::Source::displayName(playlist.source)
        + QStringLiteral(", ") + tr("%n tracks", nullptr, Inflection::forTr(playlist.trackCount.value_or(0)));
}

} // namespace mivo
