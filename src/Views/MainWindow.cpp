#include "Views/MainWindow.h"

#include "App/AppModel.h"
#include "Base/MonotonicClock.h"
#include "Styling/AppearanceBinding.h"
#include "Styling/FocusRing.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/SystemAccessibilityPreferences.h"
#include "Styling/Tokens.h"
#include "Support/UserDefaults.h"
#include "Views/ActivityIndicator.h"
#include "Views/Banners/OrphansBanner.h"
#include "Views/Banners/SyncBannerView.h"
#include "Views/ContentUnavailableView.h"
#include "Views/Detail/LibraryDetailView.h"
#include "Views/MainCommands.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Review/ReviewInspector.h"
#include "Views/SidebarView.h"
#include "Views/Toolbar/MainToolbar.h"
#include "Views/ViewAccessibility.h"
#include "Views/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QHideEvent>
#include <QMenuBar>
#include <QMoveEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace mivo {

namespace {

constexpr int kSidebarIndex = 0;
constexpr int kDetailIndex = 1;
constexpr int kInspectorIndex = 2;

QVBoxLayout* bareColumn(QWidget* widget)
{
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

} // namespace

MainWindow::MainWindow(AppModel& model, UpdaterModel& updater, QWidget* parent)
    : MainWindow(model, updater, Environment {}, parent)
{
}

MainWindow::MainWindow(AppModel& model, UpdaterModel& updater, Environment environment, QWidget* parent)
    : QMainWindow(parent)
    , m_model(model)
    , m_commands(new MainCommands(model, updater, this))
    , m_toolBar(new QToolBar(tr("Toolbar"), this))
    , m_splitter(new QSplitter(Qt::Horizontal))
    , m_sidebarColumn(new QStackedWidget)
    , m_sidebarWaiting(new QWidget)
    , m_sidebarUnavailable(
          new ContentUnavailableView(QStringLiteral("exclamationmark.triangle"), SidebarView::failedTitle()))
    , m_detailArea(new QWidget)
    , m_inspectorPane(new QWidget)
    , m_start(environment.start ? environment.start : [](AppModel& m) { m.start(); })
    , m_defaults(environment.defaults ? *environment.defaults : UserDefaults::standard())
{
    ViewAccessibility::install();
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("mivo"));
    // Rings show where the keyboard is, and go away at a click.
    FocusRing::followInput();
    setMinimumSize(kMinimumSize);
    // Fitted into the screen it opens on once it shows.
    resize(kDefaultSize);

    m_commands->populate(menuBar());
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    // Sidebar column: an activity indicator until the library store exists, or
    // why there will be none.
    auto* waitingLayout = new QGridLayout(m_sidebarWaiting);
    waitingLayout->addWidget(new ActivityIndicator(20), 0, 0, Qt::AlignCenter);
    m_sidebarColumn->addWidget(m_sidebarWaiting);
    m_sidebarColumn->addWidget(m_sidebarUnavailable);
    m_sidebarColumn->setMinimumWidth(kSidebarMinimum);
    m_sidebarColumn->setMaximumWidth(kSidebarMaximum);

    m_detailLayout = bareColumn(m_detailArea);
    m_detailArea->installEventFilter(this);
    m_detailArea->setMinimumWidth(kDetailMinimum);

    m_inspectorLayout = bareColumn(m_inspectorPane);
    m_inspectorPane->setObjectName(QStringLiteral("inspector"));
    m_inspectorPane->setMinimumWidth(kInspectorMinimum);
    m_inspectorPane->setMaximumWidth(kInspectorMaximum);

    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_sidebarColumn);
    m_splitter->addWidget(m_detailArea);
    m_splitter->addWidget(m_inspectorPane);
    m_splitter->setStretchFactor(kSidebarIndex, 0);
    m_splitter->setStretchFactor(kDetailIndex, 1);
    m_splitter->setStretchFactor(kInspectorIndex, 0);
    m_splitter->setCollapsible(kInspectorIndex, true);
    m_splitter->setSizes({ kSidebarIdeal, kDefaultSize.width() - kSidebarIdeal, 0 });
    connect(m_splitter, &QSplitter::splitterMoved, this, &MainWindow::inspectorPaneMoved);

    auto* content = new QWidget;
    auto* contentLayout = bareColumn(content);
    contentLayout->addWidget(m_splitter, 1);
    m_bottomLayout = new QVBoxLayout;
    m_bottomLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addLayout(m_bottomLayout);
    setCentralWidget(content);

    // Slots filled by the other parts of the window, one line each:
    setDetailView(new LibraryDetailView(m_model)); // the library detail
    setInspectorView(new ReviewInspector(m_model)); // the review inspector
    setTopBanner(new SyncBannerView(m_model)); // the sync banner
    setBottomBanner(new OrphansBanner(m_model)); // the orphans banner
    new MainToolbar(m_model, *m_commands, m_toolBar,
        environment.clock ? *environment.clock : MonotonicClock::system()); // the tool bar's controls
    m_setupSheet = new SetupSheet(model, this); // the setup wizard, opened on first launch

    connect(&m_model, &AppModel::isInspectorPresentedChanged, this, &MainWindow::applyInspectorPresentation);
    applyInspectorPresentation();
    // "Review Matches" takes the keyboard into the inspector, also when it is open already.
    connect(m_commands->reviewMatchesAction(), &QAction::triggered, this, &MainWindow::focusInspector);
    connect(&m_model, &AppModel::attached, this, &MainWindow::buildSidebarWhenReady);
    connect(&m_model, &AppModel::startupErrorChanged, this, &MainWindow::showSidebarPlaceholder);
    showSidebarPlaceholder();
    buildSidebarWhenReady();

    GlassEnvironment::bind(this,
        environment.accessibility ? environment.accessibility : &SystemAccessibilityPreferences::shared(),
        &m_defaults);
    // The chosen theme, for this window and every other one.
    new AppearanceBinding(m_defaults, this);

    // Where the window was last, on the screen it was on (Qt falls back to the
    // primary one), kept within what the screens show now.
    if (const QByteArray geometry = m_defaults.mainWindowGeometry(); !geometry.isEmpty())
        restoreGeometry(geometry);
    if (const QByteArray widths = m_defaults.mainWindowSplitter(); !widths.isEmpty())
        m_splitter->restoreState(widths);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildSidebarWhenReady()
{
    LibraryStore* library = m_model.library();
    if (m_sidebar || !library)
        return;
    m_sidebar = new SidebarView(m_model, *library);
    // A first run until the user has been through the wizard once.
    m_sidebar->setOpenSetup([this] { m_model.beginOnboarding(); });
    m_sidebarColumn->addWidget(m_sidebar);
    m_sidebarColumn->setCurrentWidget(m_sidebar);
}

void MainWindow::showSidebarPlaceholder()
{
    if (m_sidebar)
        return;
    const std::optional<QString>& error = m_model.startupError();
    if (error)
        m_sidebarUnavailable->setDescription(*error);
    m_sidebarColumn->setCurrentWidget(error ? static_cast<QWidget*>(m_sidebarUnavailable) : m_sidebarWaiting);
}

void MainWindow::replaceIn(QVBoxLayout* layout, QPointer<QWidget>& slot, QWidget* view)
{
    if (slot == view)
        return;
    delete slot.data();
    slot = view;
    if (view)
        layout->addWidget(view);
}

void MainWindow::setDetailView(QWidget* view)
{
    replaceIn(m_detailLayout, m_detailView, view);
    if (m_topBanner)
        m_topBanner->raise();
}

void MainWindow::setInspectorView(QWidget* view)
{
    replaceIn(m_inspectorLayout, m_inspectorView, view);
}

void MainWindow::setTopBanner(QWidget* banner)
{
    if (m_topBanner == banner)
        return;
    if (m_topBanner) {
        m_topBanner->removeEventFilter(this);
        delete m_topBanner.data();
    }
    m_topBanner = banner;
    if (!banner)
        return;
    banner->setParent(m_detailArea);
    banner->installEventFilter(this);
    banner->raise();
    placeTopBanner();
}

void MainWindow::setBottomBanner(QWidget* banner)
{
    replaceIn(m_bottomLayout, m_bottomBanner, banner);
}

void MainWindow::placeTopBanner()
{
    if (!m_topBanner)
        return;
    // The limit is the banner's own width; room it keeps around itself (its
    // contents margins, for a shadow) lies outside it.
    const int margin = int(Tokens::Space::lg);
    const QMargins outside = m_topBanner->contentsMargins();
    const int width = std::max(0, std::min(kTopBannerMaximumWidth, m_detailArea->width() - 2 * margin))
        + outside.left() + outside.right();
    const int height = m_topBanner->hasHeightForWidth() ? m_topBanner->heightForWidth(width)
                                                        : m_topBanner->sizeHint().height();
    m_topBanner->setGeometry((m_detailArea->width() - width) / 2, int(Tokens::Space::sm), width, height);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((watched == m_detailArea && type == QEvent::Resize)
        || (watched == m_topBanner && (type == QEvent::LayoutRequest || type == QEvent::Show)))
        placeTopBanner();
    return QMainWindow::eventFilter(watched, event);
}

int MainWindow::detailMinimumBesideInspector() const
{
    // All the window's minimum width leaves once the sidebar and the inspector
    // are at theirs: the track table keeps its title and status, and the banner
    // over the column a readable width.
    return kMinimumSize.width() - kSidebarMinimum - kInspectorMinimum - 2 * m_splitter->handleWidth();
}

void MainWindow::applyInspectorPresentation()
{
    if (!m_model.isInspectorPresented()) {
        const QWidget* focused = QApplication::focusWidget();
        const bool hadFocus = focused && m_inspectorPane->isAncestorOf(focused);
        const bool closing = !m_inspectorPane->isHidden();
        QList<int> sizes = m_splitter->sizes();
        m_inspectorPane->hide();
        m_detailArea->setMinimumWidth(kDetailMinimum);
        // The sidebar gets back what it gave up while the pane was open (to make
        // room for it, or to a smaller window), as far as the pane's width goes.
        const int givenBack = std::clamp(
            std::exchange(m_sidebarBeforeInspector, 0) - sizes[kSidebarIndex], 0, sizes[kInspectorIndex]);
        if (closing && givenBack > 0) {
            sizes[kSidebarIndex] += givenBack;
            sizes[kDetailIndex] += sizes[kInspectorIndex] - givenBack;
            sizes[kInspectorIndex] = 0;
            m_splitter->setSizes(sizes);
        }
        if (hadFocus && m_focusBeforeInspector && m_focusBeforeInspector->isVisible())
            m_focusBeforeInspector->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Make room for the pane at its ideal width, from the detail column as long as
    // that keeps its minimum beside the pane, then from the pane itself and the
    // sidebar, down to their minimums.
    const bool opening = m_inspectorPane->isHidden();
    m_detailArea->setMinimumWidth(detailMinimumBesideInspector());
    QList<int> sizes = m_splitter->sizes();
    if (opening)
        m_sidebarBeforeInspector = sizes[kSidebarIndex];
    m_inspectorPane->show();
    if (sizes[kInspectorIndex] < kInspectorMinimum) {
        const int total = sizes[kSidebarIndex] + sizes[kDetailIndex] + sizes[kInspectorIndex];
        const int detailMinimum = m_detailArea->minimumWidth();
        int inspector = kInspectorIdeal;
        int sidebar = sizes[kSidebarIndex];
        const int fromInspector = std::clamp(
            detailMinimum - (total - sidebar - inspector), 0, kInspectorIdeal - kInspectorMinimum);
        inspector -= fromInspector;
        const int fromSidebar = std::clamp(
            detailMinimum - (total - sidebar - inspector), 0, std::max(0, sidebar - kSidebarMinimum));
        sidebar -= fromSidebar;
        m_splitter->setSizes({ sidebar, std::max(0, total - sidebar - inspector), inspector });
    }
    // The user asked for it (the menu, the tool bar, a track's review action):
    // the keyboard goes with it.
    if (opening)
        focusInspector();
}

void MainWindow::focusInspector()
{
    if (!isVisible() || !m_model.isInspectorPresented() || !m_inspectorView)
        return;
    QWidget* focused = QApplication::focusWidget();
    if (focused && !m_inspectorPane->isAncestorOf(focused))
        m_focusBeforeInspector = focused;
    // Opened by a key, the keyboard's ring shows where it went; by a click, not.
    const Qt::FocusReason reason = FocusRing::reasonForUserAction();
    if (auto* inspector = qobject_cast<ReviewInspector*>(m_inspectorView.data()))
        inspector->focusContent(reason);
    else
        m_inspectorView->setFocus(reason);
}

void MainWindow::inspectorPaneMoved()
{
    // Dragging the pane shut closes the inspector.
    if (!m_inspectorPane->isHidden() && m_splitter->sizes()[kInspectorIndex] == 0)
        m_model.setInspectorPresented(false);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        m_commands->closeSettings();
}

void MainWindow::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    // A window minimised is hidden by the window system: its place is not kept then.
    if (event->spontaneous())
        return;
    m_defaults.setMainWindowGeometry(saveGeometry());
    m_defaults.setMainWindowSplitter(m_splitter->saveState());
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (m_fitOnceFramed && !WindowPlacement::frameMargins(this).isNull()) {
        m_fitOnceFramed = false;
        WindowPlacement::keepOnScreen(this);
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_startRequested)
        return;
    m_startRequested = true;
    // Now that the window has its frame, where the platform knows it: the
    // first launch's size, or where the window was last, within the screen.
    // A window manager that frames the window only once it shows gets it fitted
    // again once the frame is known.
    WindowPlacement::keepOnScreen(this);
    m_fitOnceFramed = WindowPlacement::frameMargins(this).isNull();
    m_start(m_model);
    // Only now: a wizard asked for during the start waits for its configuration read.
    m_setupSheet->startIfFirstLaunch();
}

} // namespace mivo
