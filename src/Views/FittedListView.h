#pragma once

#include <QListView>

namespace mivo {

// A list as tall as its rows that never scrolls itself: for a short list inside
// a pane that scrolls, or a card that grows with it. Transparent, without a
// frame or a selection of its own; rows are painted by the delegate. Rows are
// of one height unless uniform item sizes are turned off; then each row is as
// tall as the delegate asks at the width the list is drawn at, and the list
// grows and shrinks with its width. The wheel scrolls whatever holds the list.
class FittedListView : public QListView {
    Q_OBJECT

public:
    explicit FittedListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int rowsHeight() const;
    void fit();
};

} // namespace mivo
