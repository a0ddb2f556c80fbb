#pragma once

#include <QSet>
#include <QString>
#include <QWidget>
#include <functional>

class QLineEdit;
class QListView;
class QPushButton;
class QStackedWidget;

namespace mivo {

class AppModel;
class ArtworkLoader;
class ContentUnavailableView;
class LibraryStore;
class SidebarDelegate;
class SidebarModel;

// The sidebar column: a filter field over the user's playlists, grouped by
// source, with folders that open and close and multiple selection. Selecting a
// folder selects every playlist inside it (the folder opens); each settled
// selection is reported to the application model once. The store's selection is
// always what the rows show selected: a closed folder whose playlists are all
// selected shows selected and stands for them; playlists that a filter or a
// closed folder hides otherwise leave the selection and come back when they show
// again, unless a plain click or key has replaced the selection meanwhile. Shows
// the library's loading and failure states (a failed list with the helper's
// reason and Try Again), that the helper is unavailable when it is and no list
// is held, and an invitation when there is nothing to list.
class SidebarView : public QWidget {
    Q_OBJECT

public:
    SidebarView(AppModel& model, LibraryStore& library, QWidget* parent = nullptr);
    // With another artwork loader than the shared one (tests, screens).
    SidebarView(AppModel& model, LibraryStore& library, ArtworkLoader& loader, QWidget* parent = nullptr);
    ~SidebarView() override;

    // What "Open Setup" of the empty state does; the button shows only once one is given.
    void setOpenSetup(std::function<void()> action);

    // Which of the sidebar's contents shows now. Unavailable: the helper link did
    // not start or ended for good, and no playlists are held.
    enum class Content { loading, failed, unavailable, empty, list };
    Content content() const;

    // The failed view's title, also where the helper never came up.
    static QString failedTitle();

    QLineEdit* filterField() const { return m_filter; }
    QListView* listView() const;
    SidebarModel& model() const { return *m_model; }
    ContentUnavailableView* failedView() const { return m_failed; }
    ContentUnavailableView* emptyView() const { return m_empty; }
    QPushButton* tryAgainButton() const { return m_tryAgain; }
    QPushButton* openSetupButton() const { return m_openSetup; }

protected:
    // The filter field's keys: Escape clears it, Down goes on into the list and
    // selects its first row.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A selection without folders was reported to the application model.
    void selectionSettled(const QSet<QString>& selection);

private:
    class ListView;

    void updateContent();
    void storeSelectionChanged();
    void viewSelectionChanged();
    void showStoreSelection();
    void keepSelectionToShownRows();
    // The part of the wanted playlists the rows can show selected (ids of
    // nothing included); the rest joins m_hidden.
    QSet<QString> shownPartOf(const QSet<QString>& wanted);
    // Whether the row shows as selected for that selection.
    bool showsSelected(int row, const QSet<QString>& selection) const;
    void focusFilter();
    void artworkReady(const QString& key);

    AppModel& m_appModel;
    LibraryStore& m_library;
    ArtworkLoader& m_loader;
    SidebarModel* m_model;
    SidebarDelegate* m_delegate;
    QLineEdit* m_filter;
    QStackedWidget* m_stack;
    QWidget* m_loading;
    ContentUnavailableView* m_failed;
    ContentUnavailableView* m_empty;
    QPushButton* m_tryAgain;
    QPushButton* m_openSetup;
    ListView* m_list;
    std::function<void()> m_openSetupAction;
    bool m_showingStoreSelection = false;
    // Selected playlists the rows hide now, selected again once they show.
    QSet<QString> m_hidden;
    bool m_settlingGesture = false; // the store's selection is being set from the list's
    bool m_helperGone = false; // the failed view says the helper is unavailable
};

} // namespace mivo
