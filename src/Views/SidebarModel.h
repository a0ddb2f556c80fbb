#pragma once

#include "State/LibraryTree.h"

#include <QAbstractListModel>
#include <QHash>
#include <QSet>
#include <QString>

namespace mivo {

// The sidebar's rows as one flat list: for each source the filter admits, a
// header row, then the section's visible playlists and folders with their depth.
// Headers cannot be selected; playlist and folder rows are identified by the
// playlist id. When the rows change (a folder opens, the filter or the playlists
// change) only the rows that come or go are inserted and removed, so a view keeps
// its current row, its selection anchor and its scroll position.
class SidebarModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum class Kind { header, playlist, folder };
    enum Role {
        KindRole = Qt::UserRole + 1, // Kind as int
        IdRole, // QString; empty for a header
        DepthRole, // int
        ExpandedRole, // bool, folders
        SourceRole, // PlaylistSourceId as int
        CountRole, // qint64 track count (playlists, absent without one) or playlist count (headers)
        TitleRole, // QString: the playlist's name or the source's display name
    };

    // The artwork edge length of a playlist row.
    static constexpr double kArtworkSize = 22;

    explicit SidebarModel(QObject* parent = nullptr);

    // A new list of playlists; the open folders stay open.
    void setPlaylists(const QList<PlaylistDTO>& playlists);
    // The filter field's text.
    void setFilterText(const QString& text);
    const LibraryTree& tree() const { return m_tree; }
    const LibraryTree::Filter& filter() const { return m_filter; }

    // Open while filtering, else when the user opened it.
    bool isExpanded(const QString& id) const;
    // Whether the folder's disclosure can be used now (not while filtering).
    bool canToggleExpansion() const { return m_filter.query.isEmpty(); }
    void toggleExpansion(const QString& id);
    // Opens these folders (the user's open folders, kept while a filter shows all open).
    void expand(const QSet<QString>& ids);
    const QSet<QString>& manualExpansion() const { return m_manualExpansion; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Kind kindAt(int row) const { return m_rows[row].kind; }
    // The playlist of a playlist or folder row; none for a header.
    const PlaylistDTO* playlistAt(int row) const;
    // The row showing that playlist; -1 when none does.
    int rowOf(const QString& id) const { return m_rowOfId.value(id, -1); }
    // The rows whose artwork has that loader key.
    QList<int> rowsWithArtwork(const QString& key) const { return m_rowsOfArtwork.value(key); }

    // "Select all playlists in “name”"
    static QString folderToolTip(const QString& name);
    // "name, Apple Music, 12 tracks"
    static QString playlistAccessibleText(const PlaylistDTO& playlist);

signals:
    // Around every change of the rows (the inserts, removals and the repaint of
    // the rows that stay): between the two the rows are in flux.
    void rowsAboutToChange();
    void rowsChanged();

private:
    // What a row shows besides its kind, source and depth: a row that stays
    // is repainted only when one of them changes.
    struct Shown {
        QString name; // empty for a header
        std::optional<qint64> count; // a playlist's tracks or a header's playlists
        ArtworkRef artwork;
        bool expanded = false;
        bool canToggle = false; // a folder's chevron is dimmed while filtering
        bool operator==(const Shown&) const = default;
    };
    struct Row {
        Kind kind = Kind::header;
        PlaylistSourceId source = PlaylistSourceId::apple;
        qsizetype index = -1; // into the tree's playlists; -1 for a header or a row on its way out
        int depth = 0;
        QString id; // the playlist's; empty for a header
        Shown shown;
        bool sameRow(const Row& other) const
        {
            return kind == other.kind && source == other.source && id == other.id;
        }
    };

    QList<Row> visibleRows() const;
    void rebuild();

    LibraryTree m_tree;
    LibraryTree::Filter m_filter;
    QSet<QString> m_manualExpansion;
    QList<Row> m_rows;
    QHash<QString, int> m_rowOfId;
    QHash<QString, QList<int>> m_rowsOfArtwork;
};

} // namespace mivo
