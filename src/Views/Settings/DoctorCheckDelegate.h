#pragma once

#include <QStyledItemDelegate>

namespace mivo {

// Paints a doctor check: its status symbol in the status colour, the title
// over the detail, and a small "Fix" button for a check that can be fixed,
// which a click or the space bar presses (fixRequested).
class DoctorCheckDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Where the Fix button of a row is drawn.
    QRect fixButtonRect(const QStyleOptionViewItem& option) const;

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

signals:
    void fixRequested(const QString& checkId);
};

} // namespace mivo
