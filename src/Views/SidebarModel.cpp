#include "Views/SidebarModel.h"

#include "Styling/Tokens.h"
#include "Views/ArtworkLoader.h"

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

void SidebarModel::rebuild()
{
    beginResetModel();
    m_rows.clear();
    m_rowOfId.clear();
    m_rowsOfArtwork.clear();
    for (const PlaylistSourceId source : m_tree.sources()) {
        if (!m_filter.admits(source))
            continue;
        m_rows.append({ Kind::header, source, -1, 0 });
        const QList<LibraryTree::Row> rows = m_tree.visibleRows(source, m_filter.query, m_manualExpansion);
        for (const LibraryTree::Row& row : rows) {
            const PlaylistDTO& p = m_tree.playlists()[row.index];
            const int at = int(m_rows.size());
            m_rows.append({ p.isFolder ? Kind::folder : Kind::playlist, source, row.index, row.depth });
            m_rowOfId.insert(p.id, at);
            if (!p.isFolder) {
                if (const auto key = ArtworkLoader::key(p.artwork, kArtworkSize))
                    m_rowsOfArtwork[*key].append(at);
            }
        }
    }
    endResetModel();
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
    case SourceRole:
        return int(row.source);
    case CountRole:
        if (!p)
            return qint64(m_tree.playlistCount(row.source));
        return p->trackCount ? QVariant(*p->trackCount) : QVariant();
    case Qt::DisplayRole:
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
    // Built by joining: a name may itself contain "%1".
    return playlist.name + QStringLiteral(", ") + Tokens::Source::displayName(playlist.source)
        + QStringLiteral(", ") + QString::number(playlist.trackCount.value_or(0)) + QStringLiteral(" tracks");
}

} // namespace mivo
