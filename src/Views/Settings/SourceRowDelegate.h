#pragma once

#include <QStyledItemDelegate>

namespace mivo {

// Paints a row of the Sources pane's list: the drag handle, the source's icon,
// its name over its one-line explanation, and the enable switch, which a click
// or the space bar flips (through the model's check state).
class SourceRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int kRowHeight = 48;

    // Where the switch of a row is drawn.
    static QRect switchRect(const QRect& row);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
};

} // namespace mivo
