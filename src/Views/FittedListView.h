#pragma once

#include <QListView>

namespace mivo {

// A list as tall as its rows that never scrolls itself: for a short list inside
// a pane that scrolls, or a card that grows with it. Transparent, without a
// frame or a selection of its own; rows are painted by the delegate.
class FittedListView : public QListView {
    Q_OBJECT

public:
    explicit FittedListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void fit();
};

} // namespace mivo
