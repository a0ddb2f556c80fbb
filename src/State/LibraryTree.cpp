#include "State/LibraryTree.h"

#include "Transport/Vocabulary.h"

namespace mivo {

namespace {

const QString kApplePrefix = QStringLiteral("apple:");
const QString kSpotifyPrefix = QStringLiteral("spotify:");

// Spaces and tabs off both ends; line breaks stay.
QString trimmedOfBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

} // namespace

LibraryTree::Filter LibraryTree::Filter::parse(const QString& text)
{
    Filter filter;
    const QString lower = text.toLower();
    if (lower.startsWith(kApplePrefix))
        filter.scope = PlaylistSourceId::apple;
    else if (lower.startsWith(kSpotifyPrefix))
        filter.scope = PlaylistSourceId::spotify;

    QString rest = text;
    if (rest.toLower().startsWith(kApplePrefix))
        rest.remove(0, kApplePrefix.size());
    if (rest.toLower().startsWith(kSpotifyPrefix))
        rest.remove(0, kSpotifyPrefix.size());
    filter.query = trimmedOfBlanks(rest);
    return filter;
}

LibraryTree::LibraryTree(QList<PlaylistDTO> playlists)
    : m_playlists(std::move(playlists))
{
    m_firstIndex.reserve(m_playlists.size());
    for (qsizetype i = 0; i < m_playlists.size(); ++i) {
        const PlaylistDTO& p = m_playlists[i];
        if (p.parentId)
            m_children[*p.parentId].append(i);
        else
            m_roots.append(i);
    }
    // An id's first playlist is the one the tree shows.
    for (qsizetype i = m_playlists.size() - 1; i >= 0; --i)
        m_firstIndex[m_playlists[i].id] = i;
}

const PlaylistDTO* LibraryTree::playlist(const QString& id) const
{
    const auto found = m_firstIndex.constFind(id);
    return found == m_firstIndex.cend() ? nullptr : &m_playlists[*found];
}

bool LibraryTree::isShown(qsizetype index) const
{
    return m_firstIndex.value(m_playlists[index].id, -1) == index;
}

QList<PlaylistSourceId> LibraryTree::sources() const
{
    QList<PlaylistSourceId> result;
    for (const PlaylistSourceId source : allCases<PlaylistSourceId>()) {
        for (const PlaylistDTO& p : m_playlists) {
            if (p.source == source) {
                result.append(source);
                break;
            }
        }
    }
    return result;
}

qsizetype LibraryTree::playlistCount(PlaylistSourceId source) const
{
    qsizetype count = 0;
    for (const PlaylistDTO& p : m_playlists)
        count += p.source == source && !p.isFolder;
    return count;
}

QList<LibraryTree::Row> LibraryTree::visibleRows(
    PlaylistSourceId source, const QString& query, const QSet<QString>& expanded) const
{
    QList<Row> rows;
    QSet<QString> visited;
    for (const qsizetype root : m_roots) {
        if (m_playlists[root].source != source)
            continue;
        if (query.isEmpty())
            appendRows(root, 0, expanded, visited, rows);
        else
            appendMatches(root, 0, query, visited, rows);
    }
    return rows;
}

void LibraryTree::appendRows(
    qsizetype index, int depth, const QSet<QString>& expanded, QSet<QString>& visited, QList<Row>& rows) const
{
    const PlaylistDTO& p = m_playlists[index];
    if (!isShown(index) || visited.contains(p.id))
        return;
    visited.insert(p.id);
    rows.append({ index, depth });
    if (!p.isFolder || !expanded.contains(p.id))
        return;
    for (const qsizetype child : m_children.value(p.id))
        appendRows(child, depth + 1, expanded, visited, rows);
}

bool LibraryTree::appendMatches(
    qsizetype index, int depth, const QString& query, QSet<QString>& visited, QList<Row>& rows) const
{
    const PlaylistDTO& p = m_playlists[index];
    if (!isShown(index) || visited.contains(p.id))
        return false;
    visited.insert(p.id);
    const bool nameMatches = p.name.contains(query, Qt::CaseInsensitive);
    if (!p.isFolder) {
        if (nameMatches)
            rows.append({ index, depth });
        return nameMatches;
    }
    // The folder's row goes before its children's, which decide whether it shows.
    const qsizetype at = rows.size();
    rows.append({ index, depth });
    bool anyChild = false;
    for (const qsizetype child : m_children.value(p.id))
        anyChild |= appendMatches(child, depth + 1, query, visited, rows);
    if (nameMatches || anyChild)
        return true;
    rows.remove(at, rows.size() - at);
    return false;
}

QStringList LibraryTree::descendantLeafIds(const QString& id) const
{
    QStringList leaves;
    QSet<QString> visited { id };
    appendLeaves(id, visited, leaves);
    return leaves;
}

void LibraryTree::appendLeaves(const QString& id, QSet<QString>& visited, QStringList& leaves) const
{
    for (const qsizetype child : m_children.value(id)) {
        const PlaylistDTO& p = m_playlists[child];
        if (!isShown(child) || visited.contains(p.id))
            continue;
        visited.insert(p.id);
        if (p.isFolder)
            appendLeaves(p.id, visited, leaves);
        else
            leaves.append(p.id);
    }
}

QSet<QString> LibraryTree::expandFolders(const QSet<QString>& selection) const
{
    QSet<QString> result;
    result.reserve(selection.size());
    for (const QString& id : selection) {
        const PlaylistDTO* p = playlist(id);
        if (!p || !p->isFolder) {
            result.insert(id);
            continue;
        }
        const QStringList leaves = descendantLeafIds(id);
        for (const QString& leaf : leaves)
            result.insert(leaf);
    }
    return result;
}

QSet<QString> LibraryTree::selectedFolders(const QSet<QString>& selection) const
{
    QSet<QString> folders;
    for (const QString& id : selection) {
        const PlaylistDTO* p = playlist(id);
        if (p && p->isFolder)
            folders.insert(id);
    }
    return folders;
}

} // namespace mivo
