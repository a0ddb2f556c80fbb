#pragma once

#include <QStyledItemDelegate>

namespace mivo {

// Paints one leftover file of the orphans banner: a document symbol, the file
// name on one line and a reveal button right after it, which stays visible when
// the name is cut. A click on the button asks for the file to be revealed.
class OrphanFileDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The last component of a path ("/a/b.mp3" and "/a/b.mp3/" give "b.mp3").
    static QString fileName(const QString& path);
    // Where the reveal button of a row is drawn.
    static QRect revealRect(const QStyleOptionViewItem& option, const QString& path);
    // What the reveal button does, for its tooltip and for assistive technology.
    static QString revealLabel();

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

signals:
    void revealRequested(const QString& path);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
};

} // namespace mivo
