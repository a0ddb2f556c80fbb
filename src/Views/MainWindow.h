#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <functional>

class QSplitter;
class QStackedWidget;
class QToolBar;
class QVBoxLayout;

namespace mivo {

class AccessibilityPreferences;
class AppModel;
class ContentUnavailableView;
class MainCommands;
class MonotonicClock;
class SetupSheet;
class SidebarView;
class UpdaterModel;
class UserDefaults;

// The main window: the playlist sidebar, the detail column and the review
// inspector side by side in one splitter, the tool bar, a banner laid over the top
// edge of the detail column and one along the bottom edge, and the menus. The
// window gives its widgets their glass policy and starts the application model
// the first time it is shown.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Where the glass policy's inputs come from; the system's unless a test gives its own.
    struct Environment {
        AccessibilityPreferences* accessibility = nullptr;
        UserDefaults* defaults = nullptr;
        // What the first show starts; AppModel::start() when none is given.
        std::function<void(AppModel&)> start;
        // What the tool bar measures a burst of presses on; the system's when none is given.
        const MonotonicClock* clock = nullptr;
    };

    // The first launch's size, or the largest that fits the screen; later ones
    // open where the window was last, as far as it fits.
    static constexpr QSize kDefaultSize { 1040, 720 };
    static constexpr QSize kMinimumSize { 880, 600 };
    static constexpr int kSidebarMinimum = 240, kSidebarIdeal = 280, kSidebarMaximum = 360;
    static constexpr int kInspectorMinimum = 300, kInspectorIdeal = 340, kInspectorMaximum = 420;
    static constexpr int kTopBannerMaximumWidth = 560;
    // The detail column's narrowest; beside the review inspector it keeps all the
    // minimum window leaves it (detailMinimumBesideInspector).
    static constexpr int kDetailMinimum = 192;

    MainWindow(AppModel& model, UpdaterModel& updater, QWidget* parent = nullptr);
    MainWindow(AppModel& model, UpdaterModel& updater, Environment environment, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The detail column's content; replaces the one before (which is deleted).
    void setDetailView(QWidget* view);
    // The content of the review inspector pane, shown while the model presents it.
    void setInspectorView(QWidget* view);
    // Laid over the top edge of the detail column, centred, at most 560 wide plus
    // the banner's contents margins (room it keeps around itself, for a shadow);
    // the banner shows and hides itself, the window keeps it in place.
    void setTopBanner(QWidget* banner);
    // Along the bottom edge of the window's content; takes room only while visible.
    void setBottomBanner(QWidget* banner);

    QToolBar* mainToolBar() const { return m_toolBar; }
    MainCommands& commands() const { return *m_commands; }
    AppModel& model() const { return m_model; }

    // The playlist sidebar; none until the model has its library store.
    SidebarView* sidebar() const { return m_sidebar; }
    // What the sidebar's column shows until then: an activity indicator, or
    // this view once the helper could not be started.
    ContentUnavailableView* sidebarUnavailableView() const { return m_sidebarUnavailable; }
    QWidget* detailView() const { return m_detailView; }
    QWidget* inspectorPane() const { return m_inspectorPane; }
    QWidget* topBanner() const { return m_topBanner; }
    QWidget* bottomBanner() const { return m_bottomBanner; }
    QSplitter* splitter() const { return m_splitter; }
    // Presents the setup wizard over this window.
    SetupSheet* setupSheet() const { return m_setupSheet; }

protected:
    void showEvent(QShowEvent* event) override;
    // Settings closes with the main window: there is no way back to a hidden
    // main window, and the application quits with its last window.
    void closeEvent(QCloseEvent* event) override;
    // The window's place and its columns' widths are kept for the next launch.
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSidebarWhenReady();
    // Before the sidebar exists: waiting for the helper, or that it is unavailable.
    void showSidebarPlaceholder();
    void applyInspectorPresentation();
    int detailMinimumBesideInspector() const;
    void focusInspector();
    void inspectorPaneMoved();
    void placeTopBanner();
    static void replaceIn(QVBoxLayout* layout, QPointer<QWidget>& slot, QWidget* view);

    AppModel& m_model;
    MainCommands* m_commands;
    QToolBar* m_toolBar;
    QSplitter* m_splitter;
    QStackedWidget* m_sidebarColumn;
    SidebarView* m_sidebar = nullptr;
    QWidget* m_sidebarWaiting;
    ContentUnavailableView* m_sidebarUnavailable;
    QWidget* m_detailArea;
    QVBoxLayout* m_detailLayout;
    QWidget* m_inspectorPane;
    QVBoxLayout* m_inspectorLayout;
    QVBoxLayout* m_bottomLayout;
    QPointer<QWidget> m_detailView;
    QPointer<QWidget> m_inspectorView;
    QPointer<QWidget> m_topBanner;
    QPointer<QWidget> m_bottomBanner;
    QPointer<QWidget> m_focusBeforeInspector; // gets the keyboard back when the inspector closes
    std::function<void(AppModel&)> m_start;
    bool m_startRequested = false;
    // The sidebar's width when the inspector opened, given back when it closes.
    int m_sidebarBeforeInspector = 0;
    SetupSheet* m_setupSheet = nullptr;
    UserDefaults& m_defaults;
    bool m_fitOnceFramed = false; // shown before the window manager framed it
};

} // namespace mivo
