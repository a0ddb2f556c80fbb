#pragma once

#include "Views/Detail/DetailArtwork.h"
#include "Views/Detail/LibraryDetailModel.h"
#include "Views/Detail/PaintedButtons.h"

#include <QListView>
#include <QTimer>
#include <QVariantAnimation>
#include <memory>

class QMenu;

namespace mivo {

class AppModel;
class LibraryDetailDelegate;

// The one scrolling list of the library detail: every group's header card and
// track table as rows of one model, painted by one delegate. The painted buttons
// (collapse, Review, Retry) are hit-tested, hover and press like real buttons and
// are reached from the keyboard: the arrow keys move between headers and tracks,
// Space or Return presses the current row's button, the menu key opens a track's
// Status menu. One timer repaints the spinners of the rows on screen, and only
// while one of them turns. A group folds open and shut with the expand spring
// (at once under reduce motion): one animation moves the fold row's height.
class LibraryDetailList : public QListView {
    Q_OBJECT

public:
    enum class StatusAction { retry, review, skip, copyTitle };

    explicit LibraryDetailList(AppModel& model, QWidget* parent = nullptr);
    ~LibraryDetailList() override;

    LibraryDetailModel& detailModel() { return *m_model; }
    const PaintedButtons& buttons() const { return *m_buttons; }
    const DetailArtwork& artwork() const { return *m_artwork; }

    // Read by the delegate while painting.
    bool reduceMotion() const;
    int spinnerStep() const { return m_spinnerStep; }
    int hoveredButtonRow() const { return m_hoveredButtonRow; }
    // Whether the current row shows where the keyboard is (after keyboard use only).
    bool showsKeyboardFocus() const { return hasFocus() && m_keyboardFocus; }
    int pressedButtonRow() const { return m_pressedButtonRow; }
    // Whether the row's painted button does something now ("Retry" waits for the run to end).
    bool isButtonEnabled(const LibraryDetailModel::Row& row) const;

    // Presses the painted button of a row, as a click or the keyboard does.
    void activateButton(int flatRow);
    // The Status menu's items for a track row, in order; none for other rows.
    QList<StatusAction> statusActions(int flatRow) const;
    // Builds the Status menu of a track row; the caller owns it.
    QMenu* statusMenu(int flatRow);
    void runStatusAction(int flatRow, StatusAction action);

    // The spinner timer runs while a row on screen shows a turning spinner.
    bool isAnimating() const { return m_spinnerTimer.isActive(); }
    // Whether a group is folding open or shut now.
    bool isFolding() const;

    // While a group folds, what follows its fold row is drawn (and hit) moved
    // up by what the fold lacks of the height it keeps in the layout.
    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;

    // Used by the delegate's editorEvent.
    void buttonPressed(int flatRow);
    void buttonReleased(int flatRow, bool inside);

protected:
    // A row's own change repaints that row only (the list view would repaint them all).
    void dataChanged(
        const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles = {}) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int buttonRowAt(const QPoint& position) const;
    void setHoveredButtonRow(int row);
    void updateRow(int row);
    // The next row the keyboard can land on (a header or a track), or -1.
    int nextFocusableRow(int from, int step) const;
    void scheduleSpinnerCheck();
    void checkSpinners();
    void advanceSpinners();
    // The rows on screen, top to bottom.
    QList<int> visibleRows() const;
    QList<int> visibleSpinningRows() const;
    void artworkReady(const QString& key);
    std::optional<qreal> foldSpan(qsizetype groupIndex) const;
    int foldShift() const;
    void startFold(bool collapsing);
    void moveFold(qreal openness);
    void finishFold();

    AppModel& m_app;
    LibraryDetailModel* m_model;
    LibraryDetailDelegate* m_delegate;
    std::unique_ptr<PaintedButtons> m_buttons;
    DetailArtwork* m_artwork;
    int m_hoveredButtonRow = -1;
    int m_pressedButtonRow = -1;
    bool m_keyboardFocus = false;
    int m_spinnerStep = 0;
    QTimer m_spinnerTimer;
    QTimer m_spinnerCheck;
    // How open the folding group's table is (0 shut, 1 open), spring-eased.
    QVariantAnimation* m_fold;
    qreal m_foldOpenness = 0;
    // The table's height at full openness: its own, or the viewport's when taller.
    qreal m_foldFullHeight = 0;
};

} // namespace mivo
