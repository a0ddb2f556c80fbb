#pragma once

#include <QCoreApplication>
#include <QRectF>
#include <QString>
#include <QtGlobal>
#include <array>

namespace mivo {

// The geometry of the track table's eight columns. The artwork and time columns
// have fixed widths; quality, source and status take their ideal width when
// there is room and give way down to their minimum when there is not (quality
// and source first); title, artist and album share whatever is left. A table
// too narrow to keep the title readable drops whole columns (album, source,
// quality, artist, then artwork and time), so that the title (elided) and the
// status stay: a dropped column has no width.
class TrackColumns {
    Q_DECLARE_TR_FUNCTIONS(TrackColumns)

public:
    enum Column { artwork, title, artist, album, time, quality, source, status };
    static constexpr int kCount = 8;

    // Space between two columns, and between the table's edge and its outer columns.
    static constexpr qreal kSpacing = 8;
    static constexpr qreal kRowHeight = 34;
    static constexpr qreal kHeaderHeight = 28;
    // Above the column titles and below the last row, inside the table's card.
    static constexpr qreal kVerticalPadding = 6;

    // The columns of a table `width` wide starting at `left`.
    TrackColumns(qreal left, qreal width);

    // Where a column's content goes, horizontally; `top` and `height` give the row.
    QRectF cell(Column column, qreal top, qreal height) const;
    qreal left(Column column) const { return m_left[column]; }
    qreal width(Column column) const { return m_width[column]; }
    // The column under x, or none (-1) in a gap or outside the table.
    int columnAt(qreal x) const;

    // The column's title as the header row shows it (the artwork column has none).
    static QString heading(Column column);
    // The height of a table of `rows` tracks: one row's height even when empty.
    static qreal tableHeight(qsizetype rows);

private:
    void layOut(qreal width, const std::array<bool, kCount>& shown);

    std::array<qreal, kCount> m_left {};
    std::array<qreal, kCount> m_width {};
};

} // namespace mivo
