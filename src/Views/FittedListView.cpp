#include "Views/FittedListView.h"

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
    fit();
}

QSize FittedListView::sizeHint() const
{
    const int rows = model() ? model()->rowCount() : 0;
    const int rowHeight = rows > 0 ? sizeHintForRow(0) : 0;
    return QSize(QListView::sizeHint().width(), rows * std::max(0, rowHeight));
}

QSize FittedListView::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void FittedListView::fit()
{
    setFixedHeight(sizeHint().height());
}

} // namespace mivo
