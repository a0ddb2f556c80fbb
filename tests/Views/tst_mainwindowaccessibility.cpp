#include "State/LibraryStore.h"
#include "State/SyncStore.h"
#include "TestSupport/AccessibleTree.h"
#include "TestSupport/StandInSession.h"
#include "Views/ArtworkView.h"
#include "Views/Banners/SyncBannerView.h"
#include "Views/Review/ReviewInspector.h"
#include "Views/SidebarView.h"
#include "Views/Toolbar/ToolbarButton.h"

#include <QListView>
#include <QtTest>

using namespace mivo;
using test::AccessibleTree;
using test::HeardControl;
using test::StandInSession;

namespace {

constexpr int kTimeoutMs = 30000;

// The sample library, folders and all, over a configuration a user set up.
StandInSession* sampleSession()
{
    auto* session = new StandInSession({ { "MIVO_STANDIN_LIBRARY", "" } });
    session->defaults->setDidOnboard(true);
    return session;
}

bool selectPlaylist(StandInSession& session, const QString& name)
{
    LibraryStore* library = session.model->library();
    if (!library)
        return false;
    for (const PlaylistDTO& playlist : library->playlists()) {
        if (playlist.name == name) {
            library->setSelection({ playlist.id });
            session.model->selectionChanged();
            return true;
        }
    }
    return false;
}

} // namespace

// The main window as a screen reader reads it, built as the application
// builds it, over the stand-in helper's sample library.
class MainWindowAccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void idleWindowIsHeardAsItShows_data();
    void idleWindowIsHeardAsItShows();
    void idleWindowHidesWhatDoesNotShow();
    void folderTellsWhenItOpens();
    void inspectorAndBannerAreHeardAsTheyShow_data();
    void inspectorAndBannerAreHeardAsTheyShow();
    void pickedCandidateIsTheSelectedOne();

private:
    bool reviewing();

    std::unique_ptr<StandInSession> m_idle;
    std::unique_ptr<StandInSession> m_reviewing;
};

void MainWindowAccessibilityTest::initTestCase()
{
    m_idle.reset(sampleSession());
    QVERIFY(m_idle->showAndWaitForTheHelper());
    QTRY_VERIFY_WITH_TIMEOUT(m_idle->model->library()
            && m_idle->model->library()->loadState() == LibraryStore::LoadState::loaded(),
        kTimeoutMs);
    QTRY_VERIFY(m_idle->window->sidebar());
}

void MainWindowAccessibilityTest::cleanupTestCase()
{
    m_reviewing.reset();
    m_idle.reset();
}

void MainWindowAccessibilityTest::idleWindowIsHeardAsItShows_data()
{
    QTest::addColumn<HeardControl>("control");
    using R = QAccessible::Role;
    QTest::addRow("the window") << HeardControl { R::Window, QStringLiteral("mivo"), {}, {}, {} };
    QTest::addRow("the tool bar") << HeardControl { R::ToolBar, QStringLiteral("Toolbar"), {}, {}, {} };
    QTest::addRow("Sync, nothing selected")
        << HeardControl { R::Button, QStringLiteral("Sync"), {}, { QStringLiteral("disabled") }, {} };
    QTest::addRow("the filter field")
        << HeardControl { R::EditableText, QStringLiteral("Filter playlists"), {}, {}, {} };
    QTest::addRow("the field's clear button")
        << HeardControl { R::Button, QStringLiteral("Clear"), {}, {}, {} };
    QTest::addRow("the sidebar is a tree")
        << HeardControl { R::Tree, QStringLiteral("Playlists"), {}, {}, {} };
    QTest::addRow("a closed folder") << HeardControl { R::TreeItem, QStringLiteral("DJ Sets"), {},
        { QStringLiteral("expandable"), QStringLiteral("collapsed"), QStringLiteral("selectable") },
        { QStringLiteral("expanded"), QStringLiteral("selected") } };
    QTest::addRow("a playlist") << HeardControl { R::TreeItem,
        QStringLiteral("Crate Digging, Apple Music, 250 tracks"), {}, { QStringLiteral("selectable") },
        { QStringLiteral("expandable"), QStringLiteral("expanded"), QStringLiteral("collapsed") } };
    QTest::addRow("a playlist without a count")
        << HeardControl { R::TreeItem, QStringLiteral("Ideas, Spotify, 0 tracks"), {}, {}, {} };
    QTest::addRow("a source's heading")
        << HeardControl { R::TreeItem, QStringLiteral("Spotify"), {}, {}, { QStringLiteral("selectable") } };
    QTest::addRow("the detail's empty state")
        << HeardControl { R::StaticText, QStringLiteral("Select a Playlist"), {}, {}, {} };
}

void MainWindowAccessibilityTest::idleWindowIsHeardAsItShows()
{
    QFETCH(HeardControl, control);
    test::verifyHeard(AccessibleTree(m_idle->window.get()), control);
}

// Nothing hidden is in the tree (the review and Cancel Sync buttons, the
// tool bar's overflow button, the inspector, the banners), no control is
// unnamed, and artwork is not there at all.
void MainWindowAccessibilityTest::idleWindowHidesWhatDoesNotShow()
{
    const AccessibleTree tree(m_idle->window.get());
    test::verifyEveryNodeShowsAndEveryControlIsNamed(tree);
    QVERIFY(!tree.find(QAccessible::Button, QStringLiteral("Cancel Sync")));
    QVERIFY(!tree.contains(m_idle->window->inspectorPane()));
    for (const ArtworkView* artwork : m_idle->window->findChildren<ArtworkView*>())
        QVERIFY(!tree.contains(artwork));
    QVERIFY(!m_idle->window->findChildren<ArtworkView*>().isEmpty());
}

// Opening a folder from the keyboard: the same row is heard as expanded.
void MainWindowAccessibilityTest::folderTellsWhenItOpens()
{
    StandInSession session({ { "MIVO_STANDIN_LIBRARY", "" } });
    session.defaults->setDidOnboard(true);
    QVERIFY(session.showAndWaitForTheHelper());
    QTRY_VERIFY_WITH_TIMEOUT(session.window->sidebar(), kTimeoutMs);
    QListView* list = session.window->sidebar()->listView();
    QTRY_VERIFY(list->model()->rowCount() > 2);
    const AccessibleTree tree(session.window.get());
    QAccessibleInterface* folder = tree.find(QAccessible::TreeItem, QStringLiteral("DJ Sets"));
    QVERIFY(folder);
    QVERIFY(folder->state().collapsed);

    session.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(session.window.get()));
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    const int row = folder->parent()->indexOfChild(folder);
    list->setCurrentIndex(list->model()->index(row, 0));
    QTest::keyClick(list, Qt::Key_Right);

    QAccessibleInterface* opened
        = AccessibleTree(session.window.get()).find(QAccessible::TreeItem, QStringLiteral("DJ Sets"));
    QVERIFY(opened);
    QVERIFY(opened->state().expanded);
    QVERIFY(!opened->state().collapsed);
    // The keyboard's row (the folder, or the first row inside it) is the focused one.
    QAccessibleInterface* current = opened->parent()->child(list->currentIndex().row());
    QVERIFY(current && current->state().focused);
    QCOMPARE(bool(opened->state().focused), current == opened);
}

void MainWindowAccessibilityTest::inspectorAndBannerAreHeardAsTheyShow_data()
{
    QTest::addColumn<HeardControl>("control");
    using R = QAccessible::Role;
    QTest::addRow("the review button") << HeardControl { R::Button, QStringLiteral("1 review"), {}, {}, {} };
    QTest::addRow("Cancel Sync while running")
        << HeardControl { R::Button, QStringLiteral("Cancel Sync"), {}, {}, { QStringLiteral("disabled") } };
    QTest::addRow("the overall progress") << HeardControl { R::ProgressBar,
        QStringLiteral("Overall sync progress"), QStringLiteral("0 percent"), {}, {} };
    QTest::addRow("the candidates") << HeardControl { R::List, QStringLiteral("Candidates"), {}, {}, {} };
    QTest::addRow("the best candidate") << HeardControl { R::ListItem,
        QStringLiteral("Silent Frequency (Extended Mix), 64%, soulseek \u00B7 FLAC \u00B7 987, +12s"), {},
        { QStringLiteral("selectable") }, { QStringLiteral("selected") } };
    QTest::addRow("the confidence meter") << HeardControl { R::ProgressBar,
        QStringLiteral("Match confidence"), QStringLiteral("64 percent"), {}, {} };
    QTest::addRow("the track's title")
        << HeardControl { R::StaticText, QStringLiteral("Silent Frequency"), {}, {}, {} };
    QTest::addRow("the address field")
        << HeardControl { R::EditableText, QStringLiteral("Direct URL"), {}, {}, {} };
    QTest::addRow("Skip") << HeardControl { R::Button, QStringLiteral("Skip"), {}, {}, {} };
    QTest::addRow("Accept Best") << HeardControl { R::Button, QStringLiteral("Accept Best"), {}, {}, {} };
    QTest::addRow("the banner's message") << HeardControl { R::StaticText,
        QStringLiteral("Spotify sign-in has expired. Reconnect Spotify in Settings."), {}, {}, {} };
    QTest::addRow("the banner's Reconnect")
        << HeardControl { R::Button, QStringLiteral("Reconnect"), {}, {}, {} };
    QTest::addRow("the banner's Dismiss")
        << HeardControl { R::Button, QStringLiteral("Dismiss"), {}, {}, {} };
}

// A run waiting for a review: the inspector open beside the list, the banner
// of the expired sign-in over it. Made once, for the tests that read it.
bool MainWindowAccessibilityTest::reviewing()
{
    if (m_reviewing)
        return true;
    m_reviewing.reset(sampleSession());
    StandInSession& session = *m_reviewing;
    if (!session.showAndWaitForTheHelper()
        || !QTest::qWaitFor(
            [&] {
                return session.model->library()
                    && session.model->library()->loadState() == LibraryStore::LoadState::loaded();
            },
            kTimeoutMs)
        || !selectPlaylist(session, QStringLiteral("Crate Digging")))
        return false;
    auto* sync = session.window->findChild<ToolbarButton*>(QStringLiteral("syncButton"));
    if (!sync || !QTest::qWaitFor([sync] { return sync->isEnabled(); }))
        return false;
    QTest::mouseClick(sync, Qt::LeftButton);
    auto* review = session.window->findChild<ToolbarButton*>(QStringLiteral("reviewButton"));
    auto* banner = session.window->findChild<SyncBannerView*>();
    if (!review || !banner
        || !QTest::qWaitFor([&] { return review->isVisible() && banner->isVisible(); }, kTimeoutMs))
        return false;
    session.model->openReview();
    return QTest::qWaitFor([&] { return session.window->inspectorPane()->isVisible(); });
}

// The inspector and the banner as they show while the run waits.
void MainWindowAccessibilityTest::inspectorAndBannerAreHeardAsTheyShow()
{
    QFETCH(HeardControl, control);
    QVERIFY(reviewing());
    const AccessibleTree tree(m_reviewing->window.get());
    test::verifyHeard(tree, control);
    test::verifyEveryNodeShowsAndEveryControlIsNamed(tree);
}

// Picking a candidate (the one Use Selected sends) is heard as selecting it;
// the others are not selected.
void MainWindowAccessibilityTest::pickedCandidateIsTheSelectedOne()
{
    QVERIFY(reviewing());
    auto* inspector = m_reviewing->window->findChild<ReviewInspector*>();
    QVERIFY(inspector);
    QListView* list = inspector->candidateList();
    QTRY_VERIFY(list->isVisible() && list->model()->rowCount() == 3);
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
    QAccessibleInterface* candidates
        = AccessibleTree(m_reviewing->window.get()).find(QAccessible::List, QStringLiteral("Candidates"));
    QVERIFY(candidates);
    QCOMPARE(candidates->childCount(), 3);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(bool(candidates->child(row)->state().selected), row == 1);
}

QTEST_MAIN(MainWindowAccessibilityTest)
#include "tst_mainwindowaccessibility.moc"
