#pragma once

#include "State/PlaylistGroup.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/WireVocabulary.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace mivo {

class LibraryStore;
class PreviewStore;
class SyncStore;

// The rows of the library detail: for every playlist group a header row, then,
// unless the group is collapsed, the column titles of its track table and one row
// per track (a single empty row for a group without tracks). One flat list, so one
// view shows every group and only the rows on screen cost anything.
//
// While a group folds open or shut, its table is one fold row instead, whose
// height the view animates: the rows below move with it, and a group of 10,000
// tracks costs no more than one of ten while it moves.
//
// The model follows either the sync run's groups or the preview's. A track's change
// reaches the view as a dataChanged of that track's row alone (and of its group's
// header when the group's counts moved), batched once per event-loop turn by the group.
class LibraryDetailModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum class RowKind { groupHeader, columnTitles, track, emptyTable, fold };
    enum class Source { none, sync, preview };

    // What a row is; the pointers stay valid while the model shows the group.
    struct Row {
        RowKind kind = RowKind::groupHeader;
        PlaylistGroup* group = nullptr;
        TrackModel* track = nullptr; // track rows only
        qsizetype groupIndex = -1;
        qsizetype trackIndex = -1; // track rows only
        bool firstGroup = false; // the row belongs to the first group
        bool lastOfGroup = false; // the last row of its group
        bool folding = false; // the group folds open or shut
        qreal foldHeight = 0; // fold rows only: the height of the table shown
        qreal foldSpan = 0; // fold rows only: the height the row keeps in the list's layout
    };

    // The playlist source and artwork a group header shows.
    struct PlaylistMeta {
        PlaylistSourceId source = PlaylistSourceId::apple;
        ArtworkRef artwork = ArtworkRef::none();
        bool operator==(const PlaylistMeta&) const = default;
    };

    explicit LibraryDetailModel(QObject* parent = nullptr);

    // Where group headers look up their playlist's source and artwork.
    void setLibrary(LibraryStore* library);
    // Follow the sync run's groups, the preview's, or none.
    void showSync(SyncStore& sync);
    void showPreview(PreviewStore& preview);
    void showNothing();
    Source source() const { return m_source; }

    const QList<std::shared_ptr<PlaylistGroup>>& groups() const { return m_groups; }
    Row row(int row) const;
    // The flat row of a group's header, and of one of its tracks (-1 when collapsed).
    int headerRow(qsizetype groupIndex) const;
    int trackRow(qsizetype groupIndex, qsizetype trackIndex) const;
    PlaylistMeta playlistMeta(const QString& playlistId) const;

    // Folding. Whether a group's change of collapse folds, and the height its
    // fold row then keeps in the layout while it moves: its tallest, so that a
    // frame of the fold lays out nothing (the view draws what follows the fold
    // moved up by what the fold lacks of it). The view says: no fold under
    // reduce motion, nor when the header is off screen; without one the table's
    // rows go or come at once.
    using FoldPolicy = std::function<std::optional<qreal>(qsizetype groupIndex)>;
    void setFoldPolicy(FoldPolicy policy) { m_foldPolicy = std::move(policy); }
    // The group folding now, if any (one at a time: a second one ends the first).
    const PlaylistGroup* foldingGroup() const { return m_folding; }
    int foldRow() const;
    // The height of the table as the fold shows it, from 0 (shut) upwards.
    void setFoldHeight(qreal height);
    qreal foldHeight() const { return m_foldHeight; }
    // The height the fold row keeps in the layout while it moves.
    qreal foldSpan() const { return m_foldSpan; }
    // Ends the fold: the group shows its table's rows, or only its header.
    void endFold();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The playlist source of a playlist that has left the library, from its id.
    static PlaylistSourceId sourceFromId(const QString& playlistId);

signals:
    // A group began to fold shut (collapsing) or open, or turned back midway.
    void foldStarted(bool collapsing);
    void foldEnded();

private:
    struct Entry {
        qint32 group;
        qint32 track; // >= 0 a track; kHeader, kColumns or kEmpty otherwise
    };
    static constexpr qint32 kHeader = -1;
    static constexpr qint32 kColumns = -2;
    static constexpr qint32 kEmpty = -3;
    static constexpr qint32 kFold = -4;

    void follow(Source source, QObject* store, const QList<std::shared_ptr<PlaylistGroup>>& groups);
    void syncGroupsChanged();
    void previewGroupsChanged();
    void setGroups(const QList<std::shared_ptr<PlaylistGroup>>& groups);
    // Appends the rows of the groups from `first` on to the entries.
    void appendEntries(qsizetype first);
    void rebuildEntries();
    // The group whose table folds as one row (none) keeping `span` in the
    // layout, shown open or shut as the group is, and the entries laid out for it.
    void setFolding(const PlaylistGroup* group, qreal span = 0);
    qsizetype rowsOf(const PlaylistGroup& group) const;
    void watch(qsizetype groupIndex);
    void groupRowsChanged(const PlaylistGroup* group, const QList<qsizetype>& rows);
    void groupHeaderChanged(const PlaylistGroup* group);
    void groupCollapsedChanged(PlaylistGroup* group);
    qsizetype indexOf(const PlaylistGroup* group) const;

    Source m_source = Source::none;
    QPointer<QObject> m_store;
    QPointer<LibraryStore> m_library;
    QList<std::shared_ptr<PlaylistGroup>> m_groups;
    std::vector<Entry> m_entries;
    // The flat row of each group's header.
    std::vector<int> m_groupStart;
    // Groups whose counts moved since their rows were last announced.
    QSet<const PlaylistGroup*> m_countsMoved;
    FoldPolicy m_foldPolicy;
    const PlaylistGroup* m_folding = nullptr;
    qreal m_foldHeight = 0;
    qreal m_foldSpan = 0;
};

} // namespace mivo
