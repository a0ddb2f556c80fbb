#include "Views/FittedListView.h"

#include <QResizeEvent>
#include <QWheelEvent>

namespace mivo {

FittedListView::FittedListView(QWidget* parent)
    : QListView(parent)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setUniformItemSizes(true);
    setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FittedListView::setModel(QAbstractItemModel* model)
{
    QListView::setModel(model);
    if (!model)
        return;
    connect(model, &QAbstractItemModel::modelReset, this, &FittedListView::fit);
    connect(model, &QAbstractItemModel::rowsInserted, this, &FittedListView::fit);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &FittedListView::fit);
    connect(model, &QAbstractItemModel::dataChanged, this, [this] {
        if (!uniformItemSizes())
            fit();
    });
    fit();
}

int FittedListView::rowsHeight() const
{
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    if (rows == 0)
        return 0;
    if (uniformItemSizes())
        return rows * std::max(0, sizeHintForRow(0));
    int height = 0;
    for (int row = 0; row < rows; ++row)
        height += std::max(0, sizeHintForRow(row));
    return height;
}

QSize FittedListView::sizeHint() const
{
    return QSize(QListView::sizeHint().width(), rowsHeight());
}

QSize FittedListView::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void FittedListView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    if (uniformItemSizes() || event->size().width() == event->oldSize().width())
        return;
    // Rows that wrap are as tall as they are at this width, now rather than
    // after the list's own delayed layout.
    doItemsLayout();
    fit();
}

void FittedListView::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

void FittedListView::fit()
{
    setFixedHeight(rowsHeight());
}

} // namespace mivo
