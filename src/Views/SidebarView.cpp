#include "Views/SidebarView.h"

#include "App/AppModel.h"
#include "State/LibraryStore.h"
#include "Styling/ButtonStyling.h"
#include "Styling/FocusRing.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/ArtworkLoader.h"
#include "Views/ContentUnavailableView.h"
#include "Views/LoadingNotice.h"
#include "Views/SidebarDelegate.h"
#include "Views/SidebarModel.h"
#include "Views/ViewAccessibility.h"

#include <QAction>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace mivo {

namespace {

bool isHeader(const QModelIndex& index)
{
    return SidebarModel::Kind(index.data(SidebarModel::KindRole).toInt()) == SidebarModel::Kind::header;
}

} // namespace

// A list view that remembers whether the user's last selection command replaced
// the whole selection (a plain click, an arrow key) or changed part of it. The
// source headers are titles of their sections, never the current row: the keys
// step over them and a click on one changes nothing.
class SidebarView::ListView : public QListView {
public:
    using QListView::QListView;

    bool takeReplaced()
    {
        const bool replaced = m_replaced;
        m_replaced = false;
        return replaced;
    }

    // The nearest row that is not a header, looking `step` rows at a time from
    // `from` (itself included); invalid when there is none that way.
    QModelIndex rowFrom(int from, int step) const
    {
        const int rows = model()->rowCount(rootIndex());
        for (int row = from; row >= 0 && row < rows; row += step) {
            const QModelIndex index = model()->index(row, 0, rootIndex());
            if (!isHeader(index))
                return index;
        }
        return {};
    }

    // Makes the row current and the only one selected, as a plain arrow key does.
    void selectAlone(const QModelIndex& index)
    {
        m_replaced = true;
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_replaced = false;
    }

    // Moves a current row that is a header (the rows around it went away) to the
    // nearest row below it, else above it; the selection stays as it is.
    void keepCurrentOffHeaders()
    {
        const QModelIndex current = currentIndex();
        if (!current.isValid() || !isHeader(current))
            return;
        QModelIndex next = rowFrom(current.row(), 1);
        if (!next.isValid())
            next = rowFrom(current.row(), -1);
        selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
    }

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex& index, const QEvent* event) const override
    {
        const QItemSelectionModel::SelectionFlags flags = QListView::selectionCommand(index, event);
        m_replaced = flags.testFlag(QItemSelectionModel::Clear);
        return flags;
    }

    // The keys of a tree: towards the text's end (Right, in a left-to-right
    // layout) opens a closed folder and goes into an open one, towards its start
    // closes an open folder and goes out of anything else to its folder. A
    // keyboard move shows the current row's frame, and a row that comes first in
    // its section brings its header into view with it (Home: the very top).
    void keyPressEvent(QKeyEvent* event) override
    {
        const QPersistentModelIndex before = currentIndex();
        if (!toggledByKey(event))
            QListView::keyPressEvent(event);
        if (currentIndex() != before || isNavigation(event->key())) {
            window()->setAttribute(Qt::WA_KeyboardFocusChange);
            viewport()->update();
        }
        if (currentIndex() != before && currentIndex().row() > 0) {
            const QModelIndex above = model()->index(currentIndex().row() - 1, 0, rootIndex());
            if (isHeader(above))
                scrollTo(above);
        }
    }

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        if (action == MoveLeft || action == MoveRight)
            return movedInTree(action);
        const QModelIndex moved = QListView::moveCursor(action, modifiers);
        if (!moved.isValid() || !isHeader(moved))
            return moved;
        // Past the header the way the cursor went; the other way only where the
        // move names a place (Home, End, a page) rather than a step.
        const bool backwards
            = action == MoveUp || action == MovePrevious || action == MovePageUp || action == MoveEnd;
        const QModelIndex past = rowFrom(moved.row(), backwards ? -1 : 1);
        if (past.isValid())
            return past;
        const bool step
            = action == MoveUp || action == MoveDown || action == MovePrevious || action == MoveNext;
        if (step)
            return currentIndex();
        return rowFrom(moved.row(), backwards ? 1 : -1);
    }

    // A press on a folder's chevron opens or closes it and, like a press on a
    // header, touches neither the selection nor the current row nor the anchor
    // of the next Shift-click; nor does a drag that goes on from there.
    void mousePressEvent(QMouseEvent* event) override
    {
        m_pressTaken = tookPress(event);
        if (!m_pressTaken)
            QListView::mousePressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        m_pressTaken = tookPress(event);
        if (!m_pressTaken)
            QListView::mouseDoubleClickEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (std::exchange(m_pressTaken, false))
            event->accept();
        else
            QListView::mouseReleaseEvent(event);
    }
    // A drag that selects moves the current row along under the pointer, but
    // past a header rather than onto it: the row it was on stays current.
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (m_pressTaken && event->buttons() != Qt::NoButton) {
            event->accept();
            return;
        }
        const QPersistentModelIndex before = currentIndex();
        QListView::mouseMoveEvent(event);
        if (currentIndex() == before || !isHeader(currentIndex()))
            return;
        if (before.isValid() && !isHeader(before))
            selectionModel()->setCurrentIndex(before, QItemSelectionModel::NoUpdate);
        else
            keepCurrentOffHeaders();
    }

private:
    static bool isNavigation(int key)
    {
        switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Space:
        case Qt::Key_Select:
            return true;
        default:
            return false;
        }
    }

    // Whether the key goes towards the folder's inside (Right in a left-to-right layout).
    bool goesIn(bool right) const { return right != isRightToLeft(); }

    // Opens or closes the current folder for Right or Left where that is what
    // the key does here; the current row and the selection stay.
    bool toggledByKey(QKeyEvent* event)
    {
        if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right)
            return false;
        const QModelIndex current = currentIndex();
        auto* sidebar = static_cast<SidebarModel*>(model());
        if (!current.isValid() || !sidebar->canToggleExpansion()
            || SidebarModel::Kind(current.data(SidebarModel::KindRole).toInt()) != SidebarModel::Kind::folder)
            return false;
        const bool expanded = current.data(SidebarModel::ExpandedRole).toBool();
        if (goesIn(event->key() == Qt::Key_Right) == expanded)
            return false;
        sidebar->toggleExpansion(current.data(SidebarModel::IdRole).toString());
        event->accept();
        return true;
    }

    // Into an open folder: its first row; out: the folder the row is in. The
    // current row where there is none.
    QModelIndex movedInTree(CursorAction action) const
    {
        const QModelIndex current = currentIndex();
        if (!current.isValid() || isHeader(current))
            return current;
        const int depth = current.data(SidebarModel::DepthRole).toInt();
        if (goesIn(action == MoveRight)) {
            const QModelIndex next = model()->index(current.row() + 1, 0, rootIndex());
            const bool open = current.data(SidebarModel::ExpandedRole).toBool();
            return open && next.isValid() && next.data(SidebarModel::DepthRole).toInt() == depth + 1
                ? next
                : current;
        }
        if (depth == 0)
            return current;
        for (int row = current.row() - 1; row >= 0; --row) {
            const QModelIndex above = model()->index(row, 0, rootIndex());
            if (!isHeader(above) && above.data(SidebarModel::DepthRole).toInt() < depth)
                return above;
        }
        return current;
    }

    bool tookPress(QMouseEvent* event)
    {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (!index.isValid())
            return false;
        const auto kind = SidebarModel::Kind(index.data(SidebarModel::KindRole).toInt());
        if (kind == SidebarModel::Kind::folder && event->button() == Qt::LeftButton
            && SidebarDelegate::chevronRect(visualRect(index), index.data(SidebarModel::DepthRole).toInt())
                   .contains(event->position().toPoint())) {
            // A disabled chevron still takes the press, so it never selects the folder.
            auto* sidebar = static_cast<SidebarModel*>(model());
            if (sidebar->canToggleExpansion())
                sidebar->toggleExpansion(index.data(SidebarModel::IdRole).toString());
            event->accept();
            return true;
        }
        if (kind != SidebarModel::Kind::header)
            return false;
        event->accept();
        return true;
    }

    mutable bool m_replaced = false;
    bool m_pressTaken = false; // the last press was on a header or a chevron
};

SidebarView::SidebarView(AppModel& model, LibraryStore& library, QWidget* parent)
    : SidebarView(model, library, ArtworkLoader::shared(), parent)
{
}

SidebarView::SidebarView(AppModel& model, LibraryStore& library, ArtworkLoader& loader, QWidget* parent)
    : QWidget(parent)
    , m_appModel(model)
    , m_library(library)
    , m_loader(loader)
    , m_model(new SidebarModel(this))
    , m_delegate(new SidebarDelegate(*m_model, loader, this))
    , m_filter(new QLineEdit)
    , m_stack(new QStackedWidget)
    , m_loading(new LoadingNotice(tr("Loading playlists\u2026")))
    , m_failed(new ContentUnavailableView(QStringLiteral("exclamationmark.triangle"), failedTitle()))
    , m_empty(new ContentUnavailableView(QStringLiteral("music.note.list"), tr("No Playlists Yet"),
          tr("Connect Apple Music or Spotify to see your playlists here.")))
    , m_list(new ListView)
{
    setObjectName(QStringLiteral("sidebar"));

    m_filter->setPlaceholderText(tr("Filter playlists"));
    m_filter->setClearButtonEnabled(true);
    if (auto* clear = m_filter->findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction")))
        clear->setText(tr("Clear"));
    // The magnifier is a button of the field: it is named, and takes the keyboard into the field.
    QAction* search
        = m_filter->addAction(Symbols::icon(QStringLiteral("magnifyingglass"), ThemeColor::secondary()),
            QLineEdit::LeadingPosition);
    search->setText(tr("Search"));
    connect(search, &QAction::triggered, m_filter, [this] { m_filter->setFocus(Qt::OtherFocusReason); });
    m_filter->setAccessibleName(tr("Filter playlists"));

    m_tryAgain = m_failed->addAction(tr("Try Again"));
    ButtonStyling::setStyle(m_tryAgain, ButtonStyle::glassAdaptive);
    connect(m_tryAgain, &QPushButton::clicked, this, [this] { m_library.refresh(std::nullopt); });

    m_openSetup = m_empty->addAction(tr("Open Setup"));
    ButtonStyling::setStyle(m_openSetup, ButtonStyle::glassProminentAdaptive);
    m_openSetup->hide();
    connect(m_openSetup, &QPushButton::clicked, this, [this] {
        if (m_openSetupAction)
            m_openSetupAction();
    });

    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAccessibleName(tr("Playlists"));
    // Walked like a tree, with folders that open and close.
    ViewAccessibility::setItemList(m_list, QAccessible::Tree, QAccessible::TreeItem);

    m_stack->addWidget(m_loading);
    m_stack->addWidget(m_failed);
    m_stack->addWidget(m_empty);
    m_stack->addWidget(m_list);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, int(Tokens::Space::sm), 0, 0);
    layout->setSpacing(int(Tokens::Space::sm));
    auto* filterRow = new QVBoxLayout;
    filterRow->setContentsMargins(int(Tokens::Space::sm), 0, int(Tokens::Space::sm), 0);
    filterRow->addWidget(m_filter);
    layout->addLayout(filterRow);
    layout->addWidget(m_stack, 1);

    connect(m_filter, &QLineEdit::textChanged, m_model, &SidebarModel::setFilterText);
    m_filter->installEventFilter(this);
    // The desktop's Find key, from anywhere in the window.
    auto* find = new QShortcut(QKeySequence::Find, this, this, &SidebarView::focusFilter, Qt::WindowShortcut);
    find->setObjectName(QStringLiteral("findPlaylists"));
    // While rows come and go the list's selection is not the user's; afterwards
    // it shows again what the store holds.
    connect(m_model, &SidebarModel::rowsAboutToChange, this, [this] { m_showingStoreSelection = true; });
    connect(m_model, &SidebarModel::rowsChanged, this, [this] {
        m_showingStoreSelection = false;
        keepSelectionToShownRows();
        m_list->keepCurrentOffHeaders();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &SidebarView::viewSelectionChanged);
    connect(&m_library, &LibraryStore::playlistsChanged, this, [this] {
        m_model->setPlaylists(m_library.playlists());
        updateContent();
    });
    connect(&m_library, &LibraryStore::loadStateChanged, this, &SidebarView::updateContent);
    connect(&m_appModel, &AppModel::readingStartupConfigChanged, this, &SidebarView::updateContent);
    connect(&m_appModel, &AppModel::startupErrorChanged, this, &SidebarView::updateContent);
    connect(&m_library, &LibraryStore::selectionChanged, this, &SidebarView::storeSelectionChanged);
    connect(&m_loader, &ArtworkLoader::ready, this, &SidebarView::artworkReady);

    m_model->setPlaylists(m_library.playlists());
    showStoreSelection();
    updateContent();
}

SidebarView::~SidebarView() = default;

QListView* SidebarView::listView() const
{
    return m_list;
}

void SidebarView::setOpenSetup(std::function<void()> action)
{
    m_openSetupAction = std::move(action);
    m_openSetup->setVisible(bool(m_openSetupAction));
}

QString SidebarView::failedTitle()
{
    return tr("Couldn't load playlists");
}

SidebarView::Content SidebarView::content() const
{
    const QWidget* current = m_stack->currentWidget();
    if (current == m_loading)
        return Content::loading;
    if (current == m_failed)
        return m_helperGone ? Content::unavailable : Content::failed;
    if (current == m_empty)
        return Content::empty;
    return Content::list;
}

void SidebarView::updateContent()
{
    const LibraryStore::LoadState state = m_library.loadState();
    using Kind = LibraryStore::LoadState::Kind;
    // Until the start-up read of the configuration has ended the playlists are
    // not asked for yet: nothing to list is not known.
    const bool waiting = state.kind == Kind::loading || m_appModel.isReadingStartupConfig();
    const std::optional<QString>& unavailable = m_appModel.startupError();
    // Without a helper nothing will be listed, and trying again cannot help.
    m_helperGone = unavailable && m_library.playlists().isEmpty();
    m_tryAgain->setVisible(!m_helperGone);
    if (m_helperGone) {
        m_failed->setDescription(*unavailable);
        m_stack->setCurrentWidget(m_failed);
    } else if (waiting && m_library.playlists().isEmpty() && state.kind != Kind::failed) {
        m_stack->setCurrentWidget(m_loading);
    } else if (state.kind == Kind::failed) {
        m_failed->setDescription(state.message);
        m_stack->setCurrentWidget(m_failed);
    } else if (!m_model->tree().hasRoots()) {
        m_stack->setCurrentWidget(m_empty);
    } else {
        m_stack->setCurrentWidget(m_list);
    }
}

void SidebarView::storeSelectionChanged()
{
    showStoreSelection();
    const QSet<QString> selection = m_library.selection();
    m_hidden.subtract(selection);
    const QSet<QString> folders = m_model->tree().selectedFolders(selection);
    if (folders.isEmpty()) {
        m_appModel.selectionChanged();
        emit selectionSettled(selection);
        return;
    }
    // The folders open and give way to the playlists inside them; setting that
    // selection runs this again, which reports it.
    m_model->expand(folders);
    QSet<QString> expanded = m_model->tree().expandFolders(selection);
    // A folder picked while a filter hides some of its playlists selects those
    // it shows; the others wait until the filter lets them show.
    if (m_settlingGesture)
        expanded = shownPartOf(expanded);
    m_library.setSelection(expanded);
}

bool SidebarView::showsSelected(int row, const QSet<QString>& selection) const
{
    const PlaylistDTO* p = m_model->playlistAt(row);
    if (!p)
        return false;
    if (!p->isFolder)
        return selection.contains(p->id);
    // An open folder shows its own rows; a closed one stands for what it hides.
    if (m_model->isExpanded(p->id))
        return false;
    const QStringList leaves = m_model->tree().descendantLeafIds(p->id);
    return !leaves.isEmpty() && std::all_of(leaves.cbegin(), leaves.cend(), [&](const QString& id) {
        return selection.contains(id);
    });
}

void SidebarView::viewSelectionChanged()
{
    if (m_showingStoreSelection)
        return;
    const bool replaced = m_list->takeReplaced();
    if (replaced)
        m_hidden.clear();
    const LibraryTree& tree = m_model->tree();
    const QSet<QString>& before = m_library.selection();
    QSet<QString> selection;
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : selected) {
        const QString id = index.data(SidebarModel::IdRole).toString();
        if (id.isEmpty())
            continue;
        // A closed folder that showed selected already stands for its playlists
        // and stays closed while the selection around it changes; one the user
        // picks, alone or anew, opens (the store's rule).
        if (!replaced
            && SidebarModel::Kind(index.data(SidebarModel::KindRole).toInt()) == SidebarModel::Kind::folder
            && showsSelected(index.row(), before)) {
            for (const QString& leaf : tree.descendantLeafIds(id))
                selection.insert(leaf);
        } else {
            selection.insert(id);
        }
    }
    if (!replaced) {
        // Ids of nothing (a playlist a refresh took away) stay until the selection is replaced.
        for (const QString& id : before) {
            if (!tree.playlist(id))
                selection.insert(id);
        }
    }
    if (selection == before) {
        showStoreSelection();
        return;
    }
    m_settlingGesture = true;
    m_library.setSelection(selection);
    m_settlingGesture = false;
}

QSet<QString> SidebarView::shownPartOf(const QSet<QString>& wanted)
{
    const LibraryTree& tree = m_model->tree();
    QSet<QString> shown;
    const int rows = m_model->rowCount();
    for (int row = 0; row < rows; ++row) {
        if (showsSelected(row, wanted))
            shown.insert(m_model->playlistAt(row)->id);
    }
    QSet<QString> kept = tree.expandFolders(shown);
    for (const QString& id : wanted) {
        if (!tree.playlist(id))
            kept.insert(id);
    }
    m_hidden.unite(wanted);
    m_hidden.subtract(kept);
    return kept;
}

void SidebarView::keepSelectionToShownRows()
{
    const QSet<QString> selection = m_library.selection();
    // Folders in the selection are on their way to their playlists, which
    // settles the selection anew.
    if (!m_model->tree().selectedFolders(selection).isEmpty()) {
        showStoreSelection();
        return;
    }
    // Held playlists that a refresh took away are forgotten.
    m_hidden.removeIf([this](const QString& id) { return !m_model->tree().playlist(id); });
    const QSet<QString> kept = shownPartOf(selection | m_hidden);
    if (kept == selection)
        showStoreSelection();
    else
        m_library.setSelection(kept);
}

void SidebarView::showStoreSelection()
{
    QItemSelection shown;
    const QSet<QString>& selection = m_library.selection();
    int first = -1;
    const int rows = m_model->rowCount();
    for (int row = 0; row <= rows; ++row) {
        const bool selected = row < rows && showsSelected(row, selection);
        if (selected && first < 0)
            first = row;
        if (!selected && first >= 0) {
            shown.select(m_model->index(first), m_model->index(row - 1));
            first = -1;
        }
    }
    const bool wasShowing = m_showingStoreSelection;
    m_showingStoreSelection = true;
    m_list->selectionModel()->select(shown, QItemSelectionModel::ClearAndSelect);
    m_showingStoreSelection = wasShowing;
}

void SidebarView::focusFilter()
{
    FocusRing::giveFocus(m_filter, Qt::ShortcutFocusReason);
    m_filter->selectAll();
}

bool SidebarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_filter || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (key->key() == Qt::Key_Escape && !m_filter->text().isEmpty()) {
        m_filter->clear();
        return true;
    }
    if (key->key() == Qt::Key_Down && m_stack->currentWidget() == m_list) {
        // Onto the first row shown, which the key selects as an arrow key in the
        // list does: what Sync sends is what the rows show selected.
        FocusRing::giveFocus(m_list, Qt::ShortcutFocusReason);
        if (const QModelIndex first = m_list->rowFrom(0, 1); first.isValid()) {
            // Playlists the filter hides do not come back either: the key replaced them.
            m_hidden.clear();
            m_list->selectAlone(first);
            m_list->scrollTo(m_list->currentIndex());
        }
        return true;
    }
    return false;
}

void SidebarView::artworkReady(const QString& key)
{
    const QList<int> rows = m_model->rowsWithArtwork(key);
    for (const int row : rows)
        m_list->update(m_model->index(row));
}

} // namespace mivo
