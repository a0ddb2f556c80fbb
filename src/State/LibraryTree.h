#pragma once

#include "Transport/PlaylistRecords.h"
#include "Transport/WireVocabulary.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace mivo {

// The sidebar's rules over one list of playlists: which sources have a section,
// which rows a section shows for a filter and the open folders, and what a
// selected folder stands for. Built once per list with a parent → children
// index, so no question scans the whole list.
//
// The helper's folder data is not trusted: only the first playlist with an id is
// shown, and every walk remembers the folders it has been through, so repeated
// ids, a folder inside itself or a loop of folders never list a playlist twice
// or recurse without end.
class LibraryTree {
public:
    // The filter field's text taken apart: an optional source prefix ("apple:",
    // "spotify:", in any letter case) and the query names are matched against.
    struct Filter {
        std::optional<PlaylistSourceId> scope; // none: every source
        QString query;

        static Filter parse(const QString& text);
        bool admits(PlaylistSourceId source) const { return !scope || *scope == source; }
        bool operator==(const Filter&) const = default;
    };

    // One row of a section: the index of its playlist in playlists() and its depth.
    struct Row {
        qsizetype index = 0;
        int depth = 0;
        bool operator==(const Row&) const = default;
    };

    LibraryTree() = default;
    explicit LibraryTree(QList<PlaylistDTO> playlists);

    const QList<PlaylistDTO>& playlists() const { return m_playlists; }
    // The first playlist with that id; none when there is none.
    const PlaylistDTO* playlist(const QString& id) const;

    // The sources that occur among the playlists, Apple Music first.
    QList<PlaylistSourceId> sources() const;
    // How many playlists of the source are not folders (whatever a filter shows).
    qsizetype playlistCount(PlaylistSourceId source) const;
    // Whether any playlist has no parent.
    bool hasRoots() const { return !m_roots.isEmpty(); }

    // The rows of one source's section, in order: the roots of that source and,
    // below every open folder, its children one level deeper. With a query, a
    // playlist shows when its name contains the query (letter case ignored), a
    // folder also when anything inside it shows, and every folder shown is open.
    QList<Row> visibleRows(PlaylistSourceId source, const QString& query, const QSet<QString>& expanded) const;

    // The ids of every playlist that is not a folder inside the folder `id`, at
    // any depth, in library order.
    QStringList descendantLeafIds(const QString& id) const;

    // The selection with each folder replaced by the playlists inside it; other
    // ids (playlists, ids of nothing) are kept.
    QSet<QString> expandFolders(const QSet<QString>& selection) const;
    // The selected ids that name folders.
    QSet<QString> selectedFolders(const QSet<QString>& selection) const;

private:
    bool isShown(qsizetype index) const;
    void appendRows(qsizetype index, int depth, const QSet<QString>& expanded, QSet<QString>& visited,
        QList<Row>& rows) const;
    bool appendMatches(qsizetype index, int depth, const QString& query, QSet<QString>& visited,
        QList<Row>& rows) const;
    void appendLeaves(const QString& id, QSet<QString>& visited, QStringList& leaves) const;

    QList<PlaylistDTO> m_playlists;
    QHash<QString, qsizetype> m_firstIndex; // id → index of its first playlist
    QHash<QString, QList<qsizetype>> m_children; // parent id → children, library order
    QList<qsizetype> m_roots; // playlists without a parent, library order
};

} // namespace mivo
