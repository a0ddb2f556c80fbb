#include "Views/Detail/LibraryDetailList.h"

#include "App/AppModel.h"
#include "Styling/ExpandSpring.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/Tokens.h"
#include "Views/ActivityIndicator.h"
#include "Views/Detail/LibraryDetailDelegate.h"
#include "Views/Detail/TrackStatusCell.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHoverEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QScrollBar>
#include <cmath>

namespace mivo {

namespace {

using Row = LibraryDetailModel::Row;
using RowKind = LibraryDetailModel::RowKind;

bool isFocusable(const Row& row)
{
    return row.kind == RowKind::groupHeader || row.kind == RowKind::track;
}

} // namespace

LibraryDetailList::LibraryDetailList(AppModel& model, QWidget* parent)
    : QListView(parent)
    , m_app(model)
    , m_model(new LibraryDetailModel(this))
    , m_delegate(new LibraryDetailDelegate(this))
    , m_buttons(std::make_unique<PaintedButtons>(this))
    , m_artwork(new DetailArtwork(this))
    , m_fold(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("libraryDetailList"));
    setAccessibleName(tr("Tracks"));
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(NoSelection);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLayoutMode(SinglePass);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setUniformItemSizes(false);
    viewport()->setAttribute(Qt::WA_Hover);
    viewport()->setBackgroundRole(QPalette::Window);
    verticalScrollBar()->setSingleStep(24);

    m_spinnerTimer.setInterval(ActivityIndicator::kIntervalMs);
    connect(&m_spinnerTimer, &QTimer::timeout, this, &LibraryDetailList::advanceSpinners);
    m_spinnerCheck.setSingleShot(true);
    m_spinnerCheck.setInterval(0);
    connect(&m_spinnerCheck, &QTimer::timeout, this, &LibraryDetailList::checkSpinners);

    m_fold->setDuration(ExpandSpring::kDurationMs);
    m_fold->setEasingCurve(ExpandSpring::curve());
    connect(m_fold, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { moveFold(value.toReal()); });
    connect(m_fold, &QVariantAnimation::finished, this, &LibraryDetailList::finishFold);
    m_model->setFoldPolicy([this](qsizetype group) { return foldSpan(group); });
    connect(m_model, &LibraryDetailModel::foldStarted, this, &LibraryDetailList::startFold);
    connect(m_model, &LibraryDetailModel::foldEnded, m_fold, &QVariantAnimation::stop);

    connect(m_model, &QAbstractItemModel::dataChanged, this, &LibraryDetailList::scheduleSpinnerCheck);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &LibraryDetailList::scheduleSpinnerCheck);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &LibraryDetailList::scheduleSpinnerCheck);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_hoveredButtonRow = -1;
        m_pressedButtonRow = -1;
        scheduleSpinnerCheck();
    });
    connect(m_artwork, &DetailArtwork::imageReady, this, &LibraryDetailList::artworkReady);
    // "Retry" is enabled only while no run is live.
    connect(&m_app.sync(), &SyncStore::phaseChanged, viewport(), qOverload<>(&QWidget::update));
}

LibraryDetailList::~LibraryDetailList() = default;

bool LibraryDetailList::reduceMotion() const
{
    return GlassEnvironment::of(this).reduceMotion;
}

bool LibraryDetailList::isFolding() const
{
    return m_model->foldingGroup() != nullptr;
}

std::optional<qreal> LibraryDetailList::foldSpan(qsizetype groupIndex) const
{
    // A header off screen folds nothing the user could watch.
    if (reduceMotion() || !isVisible())
        return std::nullopt;
    const QRect header = visualRect(m_model->index(m_model->headerRow(groupIndex)));
    if (!header.isValid() || !header.intersects(viewport()->rect()))
        return std::nullopt;
    // The rows below the viewport need not move: the fold is at most as tall
    // as the viewport, so a table of 10,000 rows folds like one of 20.
    return std::min(LibraryDetailDelegate::tableSectionHeight(*m_model->groups()[groupIndex]),
        qreal(viewport()->height()));
}

void LibraryDetailList::startFold(bool collapsing)
{
    if (!m_model->foldingGroup())
        return;
    if (m_fold->state() != QAbstractAnimation::Running) {
        // The model has laid the fold row out at its full height already.
        m_foldFullHeight = m_model->foldSpan();
        m_foldOpenness = collapsing ? 1 : 0;
    }
    m_fold->stop();
    m_fold->setStartValue(m_foldOpenness);
    m_fold->setEndValue(collapsing ? 0.0 : 1.0);
    moveFold(m_foldOpenness);
    m_fold->start();
}

void LibraryDetailList::moveFold(qreal openness)
{
    m_foldOpenness = openness;
    if (!m_model->foldingGroup())
        return;
    // The spring overshoots a little; the table never opens beyond its height.
    // Whole pixels, as the rows below move: the fold's card is drawn from kept
    // pictures that land on whole pixels only.
    const qreal shown = m_model->foldHeight();
    m_model->setFoldHeight(std::round(std::clamp<qreal>(openness, 0, 1) * m_foldFullHeight));
    // The spring's last moves are under a pixel: nothing to repaint.
    if (m_model->foldHeight() == shown)
        return;
    // The layout stays as it is: one repaint of the fold and what follows it
    // moves them; the rows above stay as they are.
    const int top = std::clamp(visualRect(m_model->index(m_model->foldRow())).top(), 0, viewport()->height());
    viewport()->update(QRect(0, top, viewport()->width(), viewport()->height() - top));
}

int LibraryDetailList::foldShift() const
{
    if (!m_model->foldingGroup())
        return 0;
    return int(std::lround(m_model->foldSpan() - m_model->foldHeight()));
}

QRect LibraryDetailList::visualRect(const QModelIndex& index) const
{
    QRect rect = QListView::visualRect(index);
    const int shift = foldShift();
    if (shift == 0 || !index.isValid() || rect.isEmpty())
        return rect;
    const int fold = m_model->foldRow();
    if (index.row() == fold)
        rect.setHeight(rect.height() - shift);
    else if (index.row() > fold)
        rect.translate(0, -shift);
    return rect;
}

QModelIndex LibraryDetailList::indexAt(const QPoint& point) const
{
    const int shift = foldShift();
    if (shift == 0)
        return QListView::indexAt(point);
    const QRect fold = visualRect(m_model->index(m_model->foldRow()));
    return QListView::indexAt(point.y() > fold.bottom() ? point + QPoint(0, shift) : point);
}

void LibraryDetailList::paintEvent(QPaintEvent* event)
{
    const int shift = foldShift();
    if (shift == 0) {
        QListView::paintEvent(event);
        return;
    }
    // The rows that move up into the viewport lie below it in the layout.
    QPaintEvent reaching(event->rect().adjusted(0, 0, 0, shift));
    QListView::paintEvent(&reaching);
}

void LibraryDetailList::finishFold()
{
    m_model->endFold();
}

bool LibraryDetailList::isButtonEnabled(const Row& row) const
{
    if (row.kind == RowKind::track && row.track->state().is<TrackState::Failed>())
        return m_app.canRetry();
    return true;
}

void LibraryDetailList::activateButton(int flatRow)
{
    const Row row = m_model->row(flatRow);
    if (!row.group || !isButtonEnabled(row))
        return;
    if (row.kind == RowKind::groupHeader) {
        row.group->setCollapsed(!row.group->isCollapsed());
        return;
    }
    if (row.kind != RowKind::track)
        return;
    if (row.track->state().isAwaitingReview())
        m_app.focusReview(row.track->id());
    else if (row.track->state().is<TrackState::Failed>())
        m_app.retryTrack(row.track->id());
}

QList<LibraryDetailList::StatusAction> LibraryDetailList::statusActions(int flatRow) const
{
    const Row row = m_model->row(flatRow);
    if (row.kind != RowKind::track)
        return {};
    QList<StatusAction> actions { StatusAction::retry };
    if (row.track->state().isAwaitingReview())
        actions.append(StatusAction::review);
    if (m_model->source() == LibraryDetailModel::Source::sync && m_app.canSkip(row.track->id()))
        actions.append(StatusAction::skip);
    actions.append(StatusAction::copyTitle);
    return actions;
}

QMenu* LibraryDetailList::statusMenu(int flatRow)
{
    const QList<StatusAction> actions = statusActions(flatRow);
    if (actions.isEmpty())
        return nullptr;
    auto* menu = new QMenu(this);
    for (const StatusAction action : actions) {
        QString title;
        switch (action) {
        case StatusAction::retry:
            title = tr("Retry");
            break;
        case StatusAction::review:
            title = tr("Review…");
            break;
        case StatusAction::skip:
            title = tr("Skip");
            break;
        case StatusAction::copyTitle:
            menu->addSeparator();
            title = tr("Copy Title");
            break;
        }
        QAction* item = menu->addAction(title);
        if (action == StatusAction::retry)
            item->setEnabled(m_app.canRetry());
        // The row is looked up again when chosen: the list may have changed meanwhile.
        const QPersistentModelIndex index = m_model->index(flatRow);
        const QString trackId = m_model->row(flatRow).track->id();
        connect(item, &QAction::triggered, this, [this, index, trackId, action] {
            if (index.isValid() && m_model->row(index.row()).track
                && m_model->row(index.row()).track->id() == trackId)
                runStatusAction(index.row(), action);
        });
    }
    return menu;
}

void LibraryDetailList::runStatusAction(int flatRow, StatusAction action)
{
    const Row row = m_model->row(flatRow);
    if (row.kind != RowKind::track)
        return;
    const QString id = row.track->id();
    switch (action) {
    case StatusAction::retry:
        m_app.retryTrack(id);
        break;
    case StatusAction::review:
        if (row.track->state().isAwaitingReview())
            m_app.focusReview(id);
        break;
    case StatusAction::skip:
        if (m_model->source() == LibraryDetailModel::Source::sync)
            m_app.skipTrack(id);
        break;
    case StatusAction::copyTitle:
        QGuiApplication::clipboard()->setText(row.track->dto().title);
        break;
    }
}

void LibraryDetailList::buttonPressed(int flatRow)
{
    m_pressedButtonRow = flatRow;
    setCurrentIndex(m_model->index(flatRow));
    updateRow(flatRow);
}

void LibraryDetailList::buttonReleased(int flatRow, bool inside)
{
    const int pressed = std::exchange(m_pressedButtonRow, -1);
    updateRow(pressed);
    if (inside && pressed == flatRow)
        activateButton(flatRow);
}

void LibraryDetailList::dataChanged(
    const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    if (topLeft != bottomRight || !topLeft.isValid()) {
        QListView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // Row heights follow only the rows' kinds and places, which a change of data keeps.
    update(topLeft);
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setLastRow(topLeft.row());
        event.setFirstColumn(0);
        event.setLastColumn(0);
        QAccessible::updateAccessibility(&event);
    }
}

void LibraryDetailList::keyPressEvent(QKeyEvent* event)
{
    if (!m_keyboardFocus) {
        m_keyboardFocus = true;
        updateRow(currentIndex().row());
    }
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up: {
        const int next = nextFocusableRow(current, event->key() == Qt::Key_Down ? 1 : -1);
        if (next >= 0) {
            setCurrentIndex(m_model->index(next));
            scrollTo(m_model->index(next));
        }
        event->accept();
        return;
    }
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current >= 0)
            activateButton(current);
        event->accept();
        return;
    case Qt::Key_Menu:
        if (current >= 0) {
            const QRect rect = visualRect(m_model->index(current));
            const QPoint at
                = LibraryDetailDelegate::statusRect(QRectF(rect), m_model->row(current)).center().toPoint();
            QContextMenuEvent menuEvent(
                QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at), event->modifiers());
            contextMenuEvent(&menuEvent);
        }
        event->accept();
        return;
    default:
        break;
    }
    QListView::keyPressEvent(event);
}

void LibraryDetailList::contextMenuEvent(QContextMenuEvent* event)
{
    int row = -1;
    if (event->reason() == QContextMenuEvent::Keyboard) {
        row = currentIndex().isValid() ? currentIndex().row() : -1;
    } else {
        // The menu belongs to the Status cell alone.
        const QModelIndex index = indexAt(event->pos());
        if (index.isValid()) {
            const QRectF status
                = LibraryDetailDelegate::statusRect(QRectF(visualRect(index)), m_model->row(index.row()));
            if (m_model->row(index.row()).kind == RowKind::track && status.contains(event->pos()))
                row = index.row();
        }
    }
    QMenu* menu = row >= 0 ? statusMenu(row) : nullptr;
    if (!menu) {
        event->ignore();
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard
        ? viewport()->mapToGlobal(
            LibraryDetailDelegate::statusRect(QRectF(visualRect(m_model->index(row))), m_model->row(row))
                .bottomLeft()
                .toPoint())
        : event->globalPos();
    menu->popup(at);
    event->accept();
}

bool LibraryDetailList::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::HoverMove:
    case QEvent::HoverEnter:
        setHoveredButtonRow(buttonRowAt(static_cast<QHoverEvent*>(event)->position().toPoint()));
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        setHoveredButtonRow(-1);
        break;
    case QEvent::MouseButtonPress:
        m_keyboardFocus = false;
        break;
    case QEvent::MouseButtonRelease: {
        const bool handled = QListView::viewportEvent(event);
        // A press that ends outside every row lets go of its button.
        if (m_pressedButtonRow >= 0)
            updateRow(std::exchange(m_pressedButtonRow, -1));
        return handled;
    }
    default:
        break;
    }
    return QListView::viewportEvent(event);
}

void LibraryDetailList::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    scheduleSpinnerCheck();
}

void LibraryDetailList::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    scheduleSpinnerCheck();
}

void LibraryDetailList::showEvent(QShowEvent* event)
{
    QListView::showEvent(event);
    scheduleSpinnerCheck();
}

void LibraryDetailList::focusInEvent(QFocusEvent* event)
{
    QListView::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::ShortcutFocusReason)
        m_keyboardFocus = true;
    if (!currentIndex().isValid()) {
        const int first = nextFocusableRow(-1, 1);
        if (first >= 0)
            setCurrentIndex(m_model->index(first));
    }
    viewport()->update();
}

void LibraryDetailList::focusOutEvent(QFocusEvent* event)
{
    QListView::focusOutEvent(event);
    viewport()->update();
}

int LibraryDetailList::buttonRowAt(const QPoint& position) const
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return -1;
    const Row row = m_model->row(index.row());
    const QRectF button = m_delegate->buttonRect(QRectF(visualRect(index)), row);
    return !button.isEmpty() && button.contains(position) && isButtonEnabled(row) ? index.row() : -1;
}

void LibraryDetailList::setHoveredButtonRow(int row)
{
    if (row == m_hoveredButtonRow)
        return;
    updateRow(std::exchange(m_hoveredButtonRow, row));
    updateRow(row);
}

void LibraryDetailList::updateRow(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        update(m_model->index(row));
}

int LibraryDetailList::nextFocusableRow(int from, int step) const
{
    const int count = m_model->rowCount();
    for (int row = from + step; row >= 0 && row < count; row += step) {
        if (isFocusable(m_model->row(row)))
            return row;
    }
    return -1;
}

void LibraryDetailList::scheduleSpinnerCheck()
{
    // A running timer looks at the visible rows on each turn and stops itself
    // when none spins: only a stopped one needs a look after a change.
    if (!m_spinnerTimer.isActive() && !m_spinnerCheck.isActive())
        m_spinnerCheck.start();
}

QList<int> LibraryDetailList::visibleRows() const
{
    QList<int> rows;
    if (!isVisible() || m_model->rowCount() == 0)
        return rows;
    // One column of rows from top to bottom: the rows on screen are those from
    // the one at the top edge to the one at the bottom edge (or the last row,
    // when the list ends above it). Asking for each row's rectangle would have
    // the view measure every one of them again.
    const QRect area = viewport()->rect();
    const QModelIndex top = indexAt(QPoint(area.center().x(), area.top()));
    const QModelIndex bottom = indexAt(QPoint(area.center().x(), area.bottom()));
    const int first = top.isValid() ? top.row() : 0;
    const int last = bottom.isValid() ? bottom.row() : m_model->rowCount() - 1;
    for (int row = first; row <= last; ++row)
        rows.append(row);
    return rows;
}

QList<int> LibraryDetailList::visibleSpinningRows() const
{
    QList<int> rows;
    const bool reduce = reduceMotion();
    for (const int row : visibleRows()) {
        const Row r = m_model->row(row);
        if (r.kind == RowKind::track && TrackStatusCell::spins(*r.track, reduce))
            rows.append(row);
    }
    return rows;
}

void LibraryDetailList::artworkReady(const QString& key)
{
    for (const int row : visibleRows()) {
        const Row r = m_model->row(row);
        QString shown;
        if (r.kind == RowKind::groupHeader)
            shown = DetailArtwork::key(m_model->playlistMeta(r.group->id()).artwork, Tokens::Art::header);
        else if (r.kind == RowKind::track)
            shown = DetailArtwork::key(r.track->dto().artwork, Tokens::Art::row);
        if (shown == key)
            updateRow(row);
    }
}

void LibraryDetailList::checkSpinners()
{
    if (visibleSpinningRows().isEmpty())
        m_spinnerTimer.stop();
    else if (!m_spinnerTimer.isActive())
        m_spinnerTimer.start();
}

void LibraryDetailList::advanceSpinners()
{
    m_spinnerStep = ActivityIndicator::stepNow();
    const QList<int> rows = visibleSpinningRows();
    if (rows.isEmpty()) {
        m_spinnerTimer.stop();
        return;
    }
    for (const int row : rows) {
        const QModelIndex index = m_model->index(row);
        viewport()->update(
            LibraryDetailDelegate::statusRect(QRectF(visualRect(index)), m_model->row(row)).toAlignedRect());
    }
}

} // namespace mivo
