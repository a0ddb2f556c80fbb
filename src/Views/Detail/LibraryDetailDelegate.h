#pragma once

#include "Views/Detail/LibraryDetailModel.h"
#include "Views/Detail/TrackColumns.h"

#include <QStyledItemDelegate>

namespace mivo {

class LibraryDetailList;

// Paints the rows of the library detail: group header cards, and the track
// tables as cards made of their rows (column titles, tracks), with every cell,
// pill, spinner, bar and button drawn here. Clicks on painted buttons are hit-tested
// in editorEvent and handed to the view.
class LibraryDetailDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // Around the groups, and between one group and the next.
    static constexpr qreal kOuterPadding = 16;
    // Between a header card and its table.
    static constexpr qreal kSectionSpacing = 8;

    explicit LibraryDetailDelegate(LibraryDetailList* view);

    // The height of a row; it decides where the cards and gaps fall.
    static qreal rowHeight(const LibraryDetailModel::Row& row);
    // The height a group's table takes below its header when it is open.
    static qreal tableSectionHeight(const PlaylistGroup& group);
    // The card (header or table) that the row is part of, in the row's coordinates:
    // the whole card even though the row shows only its own slice of it.
    static QRectF cardRect(const QRectF& rowRect, const LibraryDetailModel::Row& row);
    // The part of the row that belongs to its card (without the gaps around it).
    static QRectF cardSlice(const QRectF& rowRect, const LibraryDetailModel::Row& row);
    // The line of a track row (34 high) inside the row.
    static QRectF lineRect(const QRectF& rowRect, const LibraryDetailModel::Row& row);
    static TrackColumns columns(const QRectF& rowRect);

    // The row's button, if any, in view coordinates; empty when it has none.
    QRectF buttonRect(const QRectF& rowRect, const LibraryDetailModel::Row& row) const;
    // The Status cell of a track row.
    static QRectF statusRect(const QRectF& rowRect, const LibraryDetailModel::Row& row);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

private:
    void paintHeader(QPainter& painter, const QStyleOptionViewItem& option,
        const LibraryDetailModel::Row& row, int flatRow) const;
    void paintTableSlice(
        QPainter& painter, const QStyleOptionViewItem& option, const LibraryDetailModel::Row& row) const;
    void paintColumnTitles(QPainter& painter, const QRectF& rowRect, const LibraryDetailModel::Row& row,
        const QPalette& palette) const;
    void paintTrack(QPainter& painter, const QStyleOptionViewItem& option, const LibraryDetailModel::Row& row,
        int flatRow) const;
    // A track's cells without its slice of the card; flatRow -1 for a line inside a fold.
    void paintTrackLine(QPainter& painter, const QStyleOptionViewItem& option,
        const LibraryDetailModel::Row& row, int flatRow) const;
    void paintFold(
        QPainter& painter, const QStyleOptionViewItem& option, const LibraryDetailModel::Row& row) const;
    void paintCard(QPainter& painter, const QRectF& card, const QRectF& slice, const QPalette& palette) const;
    QStyle::State buttonState(int flatRow, bool enabled) const;

    LibraryDetailList* m_view;
};

} // namespace mivo
