#pragma once

#include <QStyledItemDelegate>

namespace mivo {

// Paints a candidate row of the review inspector: a chip surface (the accent
// selection surface when picked) holding the title and confidence on the first
// line, the source tag and the length difference on the second.
class CandidateDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Room between two rows.
    static constexpr int kRowGap = 4;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The height of a row (its gap included) for a view font.
    static int rowHeight(const QFont& font);
};

} // namespace mivo
