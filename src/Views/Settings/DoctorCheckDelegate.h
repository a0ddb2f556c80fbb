#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class QAbstractItemView;

namespace mivo {

// Paints a doctor check: its status symbol in the status colour, the title
// over the detail, and a small bordered "Fix" button for a check that can be
// fixed, drawn as every other button of the design system, with its hover and
// pressed looks; a click or the space bar presses it (fixRequested).
class DoctorCheckDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit DoctorCheckDelegate(QAbstractItemView* view);

    // Where the Fix button of a row is drawn.
    QRect fixButtonRect(const QStyleOptionViewItem& option) const;

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

signals:
    void fixRequested(const QString& checkId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setHovered(const QModelIndex& index);
    void setPressed(const QModelIndex& index);
    // Moves a row mark to `index` and repaints the rows it left and reached.
    void moveMark(QPersistentModelIndex& mark, const QModelIndex& index);

    QAbstractItemView* m_view;
    // The row whose Fix button is under the mouse, and the one held down.
    QPersistentModelIndex m_hovered;
    QPersistentModelIndex m_pressed;
};

} // namespace mivo
