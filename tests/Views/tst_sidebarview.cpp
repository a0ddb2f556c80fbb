#include "App/AppModel.h"
#include "TestSupport/FocusFrames.h"
#include "TestSupport/Records.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/ResultRecords.h"
#include "Views/ArtworkLoader.h"
#include "Views/ContentUnavailableView.h"
#include "Views/SidebarDelegate.h"
#include "Views/SidebarModel.h"
#include "Views/SidebarView.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace mivo;
using test::folderLibrary;
using test::idSet;
using test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;
using Content = SidebarView::Content;

namespace {

struct Fixture {
    ScriptedHelperClient* client;
    std::unique_ptr<AppModel> model;
    ArtworkLoader artwork { ArtworkLoader::Source { [](const ArtworkRef&, double) { return QImage(); },
        [](ArtworkRef, double) -> QCoro::Task<QImage> { co_return QImage(); } } };
    std::unique_ptr<SidebarView> sidebar;

    Fixture()
    {
        auto owned = std::make_unique<ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned));
        sidebar = std::make_unique<SidebarView>(*model, *model->library(), artwork);
        sidebar->resize(280, 600);
    }

    LibraryStore& library() { return *model->library(); }

    void load(const QList<PlaylistDTO>& playlists)
    {
        client->enqueue(Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { playlists }));
        QCoro::waitFor(library().refresh());
    }
    // The store asks once more after a failure; both requests fail alike.
    void fail(const QString& message)
    {
        const Outcome failure = Outcome::engineError(QStringLiteral("boom"), message);
        client->enqueue(Method::listPlaylists, { failure, failure });
        QCoro::waitFor(library().refresh());
    }

    QRect rowRect(const QString& id)
    {
        return sidebar->listView()->visualRect(sidebar->model().index(sidebar->model().rowOf(id)));
    }
    void click(const QString& id, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(sidebar->listView()->viewport(), Qt::LeftButton, modifiers, rowRect(id).center());
    }
    void show()
    {
        sidebar->show();
        QVERIFY(QTest::qWaitForWindowExposed(sidebar.get()));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(sidebar->listView(), key, modifiers);
    }
    void chevron(const QString& id)
    {
        const QRect row = rowRect(id);
        QTest::mouseClick(sidebar->listView()->viewport(), Qt::LeftButton, {},
            SidebarDelegate::chevronRect(row, row.isValid() ? depthOf(id) : 0).center());
    }
    int depthOf(const QString& id) const
    {
        return sidebar->model().index(sidebar->model().rowOf(id)).data(SidebarModel::DepthRole).toInt();
    }
    // Puts the keyboard on a row without selecting it.
    void setCurrent(const QString& id)
    {
        sidebar->listView()->selectionModel()->setCurrentIndex(
            sidebar->model().index(sidebar->model().rowOf(id)), QItemSelectionModel::NoUpdate);
    }
    // One gesture of a script: "click id", "ctrl-click id", "shift-click id",
    // "chevron id", "key Down", "shift Down", "ctrl Down", "ctrl Space", "filter text".
    void perform(const QString& gesture)
    {
        const QString verb = gesture.section(u' ', 0, 0);
        const QString argument = gesture.section(u' ', 1);
        static const QHash<QString, Qt::Key> keys { { "Down", Qt::Key_Down }, { "Up", Qt::Key_Up },
            { "Space", Qt::Key_Space }, { "Left", Qt::Key_Left }, { "Right", Qt::Key_Right } };
        if (verb == u"click")
            click(argument);
        else if (verb == u"ctrl-click")
            click(argument, Qt::ControlModifier);
        else if (verb == u"shift-click")
            click(argument, Qt::ShiftModifier);
        else if (verb == u"chevron")
            chevron(argument);
        else if (verb == u"key")
            key(keys.value(argument));
        else if (verb == u"shift")
            key(keys.value(argument), Qt::ShiftModifier);
        else if (verb == u"ctrl")
            key(keys.value(argument), Qt::ControlModifier);
        else if (verb == u"filter")
            sidebar->filterField()->setText(argument);
        else
            QFAIL(qPrintable(QStringLiteral("unknown gesture ") + gesture));
    }
    // The ids of the rows shown selected, each folder among them standing for
    // the playlists inside it.
    QSet<QString> shownSelection() const
    {
        QSet<QString> ids;
        const QModelIndexList selected = sidebar->listView()->selectionModel()->selectedIndexes();
        for (const QModelIndex& index : selected)
            ids.insert(index.data(SidebarModel::IdRole).toString());
        return sidebar->model().tree().expandFolders(ids);
    }
    // The ids Sync would send.
    QSet<QString> syncedIds() const
    {
        QSet<QString> ids;
        for (const PlaylistSelection& playlist : model->library()->selectionPayload())
            ids.insert(playlist.id);
        return ids;
    }

    // The id of the current row; "header" on a source header, empty without one.
    QString current() const
    {
        const QModelIndex index = sidebar->listView()->currentIndex();
        if (!index.isValid())
            return {};
        if (SidebarModel::Kind(index.data(SidebarModel::KindRole).toInt()) == SidebarModel::Kind::header)
            return QStringLiteral("header");
        return index.data(SidebarModel::IdRole).toString();
    }
};

// Apple: One, Two; Spotify: Three, Five (the filter "o" leaves the Spotify header alone last).
QList<PlaylistDTO> twoSections()
{
    using enum PlaylistSourceId;
    return { test::playlist("one", apple, "One"), test::playlist("two", apple, "Two"),
        test::playlist("three", spotify, "Three"), test::playlist("five", spotify, "Five") };
}

// Two sections in an active window, noting where the keyboard's focus frames go.
struct FramedSidebar : Fixture {
    test::FocusFrames style;

    bool activate()
    {
        load(twoSections());
        sidebar->listView()->setStyle(&style);
        sidebar->show();
        sidebar->activateWindow();
        return QTest::qWaitForWindowActive(sidebar.get());
    }
    // Whether the one frame painted is on that row.
    bool framesOn(const QString& id)
    {
        const QList<QRect> frames = style.framesOf(sidebar->listView()->viewport());
        return frames.size() == 1 && rowRect(id).contains(frames.first());
    }
};

// A playlist just above the folder Sets, which holds two playlists and the closed
// folder Old with one more.
QList<PlaylistDTO> introAboveFolders()
{
    QList<PlaylistDTO> playlists = folderLibrary();
    playlists.prepend(test::playlist("intro", PlaylistSourceId::apple, "Intro"));
    return playlists;
}

} // namespace

class TestSidebarView : public QObject {
    Q_OBJECT

private slots:
    void contentFollowsTheLibrary_data()
    {
        QTest::addColumn<bool>("loadedBefore"); // the sample library was loaded first
        QTest::addColumn<QString>("then"); // "", "pending", "fails", "empty", "helper gone"
        QTest::addColumn<Content>("content");

        QTest::newRow("nothing asked yet") << false << "" << Content::empty;
        QTest::newRow("first load running") << false << "pending" << Content::loading;
        QTest::newRow("first load failed") << false << "fails" << Content::failed;
        QTest::newRow("loaded, no playlists") << false << "empty" << Content::empty;
        QTest::newRow("loaded") << true << "" << Content::list;
        QTest::newRow("a refresh keeps the list while it runs") << true << "pending" << Content::list;
        QTest::newRow("a failed refresh shows the failure over older playlists")
            << true << "fails" << Content::failed;
        // The helper will not come back: no spinner, no invitation, no Try Again.
        QTest::newRow("the helper gone before a list") << false << "helper gone" << Content::unavailable;
        QTest::newRow("the helper gone while the first load runs")
            << false << "pending, helper gone" << Content::unavailable;
        QTest::newRow("the helper gone after a list: the list stays")
            << true << "helper gone" << Content::list;
    }
    void contentFollowsTheLibrary()
    {
        QFETCH(bool, loadedBefore);
        QFETCH(QString, then);
        QFETCH(Content, content);
        Fixture f;
        if (loadedBefore)
            f.load(folderLibrary());
        std::optional<test::TaskProbe<void>> pending;
        if (then.startsWith(u"pending")) {
            f.client->setHoldReplies(true);
            f.client->enqueue(
                Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { folderLibrary() }));
            pending.emplace(f.library().refresh());
        } else if (then == u"fails") {
            f.fail(QStringLiteral("The helper stopped."));
        } else if (then == u"empty") {
            f.load({});
        }
        if (then.endsWith(u"helper gone")) {
            f.client->events().finish(StreamEnd::gaveUp);
            QTRY_VERIFY(f.model->startupError());
        }
        QCOMPARE(f.sidebar->content(), content);
        if (content == Content::failed)
            QCOMPARE(f.sidebar->failedView()->description(), QStringLiteral("The helper stopped."));
        if (content == Content::failed || content == Content::unavailable) {
            QCOMPARE(f.sidebar->failedView()->title(), QStringLiteral("Couldn't load playlists"));
            QCOMPARE(f.sidebar->tryAgainButton()->isHidden(), content == Content::unavailable);
        }
        if (content == Content::unavailable)
            QCOMPARE(f.sidebar->failedView()->description(), *f.model->startupError());
        if (pending) {
            f.client->setHoldReplies(false);
            f.client->release();
            QTRY_VERIFY(pending->isDone());
            QCOMPARE(f.sidebar->content(), Content::list);
        }
    }

    void tryAgainRefreshesAndOpenSetupWaitsForItsAction()
    {
        Fixture f;
        f.fail(QStringLiteral("The helper stopped."));
        f.client->clearSent();
        f.client->enqueue(Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { {} }));
        QTest::mouseClick(f.sidebar->tryAgainButton(), Qt::LeftButton);
        QTRY_COMPARE(f.sidebar->content(), Content::empty);
        QCOMPARE(f.client->sentMethods(), QList<Method> { Method::listPlaylists });

        QVERIFY(f.sidebar->openSetupButton()->isHidden());
        int opened = 0;
        f.sidebar->setOpenSetup([&opened] { ++opened; });
        QVERIFY(!f.sidebar->openSetupButton()->isHidden());
        f.sidebar->show();
        QTest::mouseClick(f.sidebar->openSetupButton(), Qt::LeftButton);
        QCOMPARE(opened, 1);
    }

    void selectingAFolderSelectsItsPlaylistsOnce_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("settled");

        QTest::newRow("a folder alone")
            << QStringList {} << QStringList { "sets" } << QStringList { "warm", "peak", "jazznight" };
        QTest::newRow("beside earlier playlists")
            << QStringList { "rock" } << QStringList { "rock", "old" } << QStringList { "rock", "jazznight" };
        QTest::newRow("no folder") << QStringList {} << QStringList { "jazz", "rock" }
                                   << QStringList { "jazz", "rock" };
    }
    void selectingAFolderSelectsItsPlaylistsOnce()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, settled);
        Fixture f;
        f.load(folderLibrary());
        f.library().setSelection(idSet(before));
        QSignalSpy reports(f.sidebar.get(), &SidebarView::selectionSettled);

        f.library().setSelection(idSet(selected));
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports.first().first().value<QSet<QString>>(), idSet(settled));
        QCOMPARE(f.library().selection(), idSet(settled));
        // Only the selected folders open, not the folders inside them.
        QSet<QString> opened = idSet(selected);
        opened.intersect({ "sets", "old" });
        QCOMPARE(f.sidebar->model().manualExpansion(), opened);
    }

    // Shift+Down onto a folder selects its playlists, those of the closed folder
    // inside it too; Shift+Up takes them all back out again, what Sync would
    // send with them.
    void aShiftRangeOverAFolderShrinksBack()
    {
        Fixture f;
        f.load(introAboveFolders());
        f.show();
        QSignalSpy reports(f.sidebar.get(), &SidebarView::selectionSettled);
        f.click(QStringLiteral("intro"));
        f.key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(f.current(), QStringLiteral("sets"));
        QCOMPARE(f.library().selection(), idSet({ "intro", "warm", "peak", "jazznight" }));
        QCOMPARE(f.shownSelection(), f.library().selection());
        // The closed folder shows selected, standing for its playlist.
        QVERIFY(f.sidebar->listView()->selectionModel()->isSelected(
            f.sidebar->model().index(f.sidebar->model().rowOf(QStringLiteral("old")))));

        f.key(Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(f.library().selection(), idSet({ "intro" }));
        QCOMPARE(f.shownSelection(), idSet({ "intro" }));
        QCOMPARE(f.syncedIds(), idSet({ "intro" }));
        QCOMPARE(reports.last().first().value<QSet<QString>>(), idSet({ "intro" }));
    }

    void theSelectionIsWhatTheRowsShow_data()
    {
        QTest::addColumn<QStringList>("gestures");
        QTest::addColumn<QStringList>("selection"); // at the end

        QTest::newRow("a Shift range grows over a folder and back") << QStringList { "click intro",
            "shift Down", "shift Down", "shift Down", "shift Up", "shift Up", "shift Up" }
                                                                    << QStringList { "intro" };
        QTest::newRow("a Shift-click over a folder, then one back") << QStringList { "click intro",
            "shift-click jazz", "shift-click intro" } << QStringList { "intro" };
        QTest::newRow("a Shift-click from a folder's playlist to the closed folder below it")
            << QStringList { "chevron sets", "click warm", "shift-click old" }
            << QStringList { "warm", "peak", "jazznight" };
        QTest::newRow("Ctrl-click takes a closed folder's playlists out")
            << QStringList { "click sets", "ctrl-click old" } << QStringList { "warm", "peak" };
        QTest::newRow("Ctrl+Space takes a closed folder's playlists out") << QStringList { "click sets",
            "ctrl Down", "ctrl Down", "ctrl Down", "ctrl Space" } << QStringList { "warm", "peak" };
        QTest::newRow("Ctrl-click on a closed folder adds its playlists") << QStringList { "click jazz",
            "chevron sets", "ctrl-click old" } << QStringList { "jazz", "jazznight" };
        QTest::newRow("a click on a closed folder that shows selected picks it alone")
            << QStringList { "click sets", "ctrl-click jazz", "click old" } << QStringList { "jazznight" };
        QTest::newRow("a folder closed over all its selected playlists stands for them")
            << QStringList { "click sets", "chevron sets" } << QStringList { "warm", "peak", "jazznight" };
        QTest::newRow("a folder closed over some holds them until it opens")
            << QStringList { "chevron sets", "click warm", "ctrl-click rock", "chevron sets", "chevron sets" }
            << QStringList { "warm", "rock" };
        QTest::newRow("a click while the folder is closed lets them go") << QStringList { "chevron sets",
            "click warm", "chevron sets", "click jazz", "chevron sets" } << QStringList { "jazz" };
        QTest::newRow("a filter holds the rows it hides until it is cleared") << QStringList { "click jazz",
            "ctrl-click rock", "filter rock", "filter" } << QStringList { "jazz", "rock" };
        QTest::newRow("Ctrl-click under a filter adds to what it hides") << QStringList { "click jazz",
            "filter tempo", "ctrl-click tempo", "filter" } << QStringList { "jazz", "tempo" };
        QTest::newRow("a click under a filter replaces what it hides")
            << QStringList { "click jazz", "filter rock", "click rock", "filter" } << QStringList { "rock" };
        QTest::newRow("a folder picked under a filter selects what shows, the rest once it clears")
            << QStringList { "filter jazz", "click sets", "filter" }
            << QStringList { "warm", "peak", "jazznight" };
        QTest::newRow("a source prefix hides a whole section")
            << QStringList { "click jazz", "ctrl-click rock", "filter spotify:", "ctrl-click gym", "filter" }
            << QStringList { "jazz", "rock", "tempo" };
    }
    void theSelectionIsWhatTheRowsShow()
    {
        QFETCH(QStringList, gestures);
        QFETCH(QStringList, selection);
        Fixture f;
        f.load(introAboveFolders());
        f.show();
        QSignalSpy reports(f.sidebar.get(), &SidebarView::selectionSettled);
        for (const QString& gesture : std::as_const(gestures)) {
            f.perform(gesture);
            QVERIFY2(f.shownSelection() == f.library().selection(), qPrintable(gesture));
            QVERIFY2(f.syncedIds() == f.library().selection(), qPrintable(gesture));
        }
        QCOMPARE(f.library().selection(), idSet(selection));
        QVERIFY(!reports.isEmpty());
        QCOMPARE(reports.last().first().value<QSet<QString>>(), idSet(selection));
    }

    void clicksSelectAndControlClickAdds()
    {
        Fixture f;
        f.load(folderLibrary());
        f.sidebar->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.sidebar.get()));

        f.click(QStringLiteral("rock"));
        QCOMPARE(f.library().selection(), idSet({ "rock" }));
        f.click(QStringLiteral("sets"), Qt::ControlModifier);
        QCOMPARE(f.library().selection(), idSet({ "rock", "warm", "peak", "jazznight" }));
        // "jazznight" is inside the closed folder "Old": a plain click replaces it too.
        f.click(QStringLiteral("jazz"));
        QCOMPARE(f.library().selection(), idSet({ "jazz" }));
    }

    void chevronOpensWithoutSelectingAndIsOffWhileFiltering()
    {
        Fixture f;
        f.load(folderLibrary());
        f.sidebar->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.sidebar.get()));
        const auto chevron
            = [&f](const QString& id) { return SidebarDelegate::chevronRect(f.rowRect(id), 0).center(); };

        QTest::mouseClick(f.sidebar->listView()->viewport(), Qt::LeftButton, {}, chevron("sets"));
        QVERIFY(f.sidebar->model().rowOf(QStringLiteral("warm")) >= 0);
        QVERIFY(f.library().selection().isEmpty());

        f.sidebar->filterField()->setText(QStringLiteral("ROCK"));
        QCOMPARE(f.sidebar->model().rowOf(QStringLiteral("sets")), -1);
        f.sidebar->filterField()->setText(QStringLiteral("apple:"));
        QCOMPARE(f.sidebar->model().rowOf(QStringLiteral("rock")), -1); // no Spotify section
        f.sidebar->filterField()->setText(QStringLiteral("apple: jazz"));
        QVERIFY(f.sidebar->model().rowOf(QStringLiteral("jazznight")) >= 0); // open while filtering
        QTest::mouseClick(f.sidebar->listView()->viewport(), Qt::LeftButton, {}, chevron("sets"));
        QVERIFY(f.sidebar->model().manualExpansion().contains(QStringLiteral("sets"))); // unchanged

        f.sidebar->filterField()->clear();
        QVERIFY(f.sidebar->model().rowOf(QStringLiteral("warm")) >= 0); // the user's opening is kept
        QCOMPARE(f.sidebar->model().rowOf(QStringLiteral("jazznight")), -1);
    }

    void keysStepOverSourceHeaders_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("from");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("to");

        QTest::newRow("Down onto the next section") << QString() << "two" << Qt::Key_Down << "three";
        QTest::newRow("Up onto the section before") << QString() << "three" << Qt::Key_Up << "two";
        QTest::newRow("Up from the first playlist stays") << QString() << "one" << Qt::Key_Up << "one";
        QTest::newRow("Down from the last playlist stays")
            << QStringLiteral("o") << "two" << Qt::Key_Down << "two";
        QTest::newRow("Home lands on the first playlist") << QString() << "five" << Qt::Key_Home << "one";
        QTest::newRow("Page Up lands on the first playlist")
            << QString() << "five" << Qt::Key_PageUp << "one";
        // The filter leaves the Spotify section's header as the last row.
        QTest::newRow("End lands on the last playlist")
            << QStringLiteral("o") << "one" << Qt::Key_End << "two";
        QTest::newRow("Page Down lands on the last playlist")
            << QStringLiteral("o") << "one" << Qt::Key_PageDown << "two";
    }
    void keysStepOverSourceHeaders()
    {
        QFETCH(QString, filter);
        QFETCH(QString, from);
        QFETCH(Qt::Key, key);
        QFETCH(QString, to);
        Fixture f;
        f.load(twoSections());
        f.sidebar->filterField()->setText(filter);
        f.show();
        f.click(from);
        QCOMPARE(f.library().selection(), idSet({ from }));

        f.key(key);
        QCOMPARE(f.current(), to);
        QCOMPARE(f.library().selection(), idSet({ to }));
    }

    void leftAndRightOpenCloseAndMoveLikeATree_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("open"); // opened with their chevrons first
        QTest::addColumn<QString>("from");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("openAfter");

        QTest::newRow("Right opens a closed folder")
            << QString() << QStringList {} << "sets" << Qt::Key_Right << "sets" << QStringList { "sets" };
        QTest::newRow("Right on an open folder goes to its first row")
            << QString() << QStringList { "sets" } << "sets" << Qt::Key_Right << "warm"
            << QStringList { "sets" };
        QTest::newRow("Right on an empty folder opens it and stays")
            << QString() << QStringList {} << "empty" << Qt::Key_Right << "empty" << QStringList { "empty" };
        QTest::newRow("Right on an open empty folder stays")
            << QString() << QStringList { "empty" } << "empty" << Qt::Key_Right << "empty"
            << QStringList { "empty" };
        QTest::newRow("Right on a playlist stays")
            << QString() << QStringList {} << "jazz" << Qt::Key_Right << "jazz" << QStringList {};
        QTest::newRow("Left closes an open folder")
            << QString() << QStringList { "sets" } << "sets" << Qt::Key_Left << "sets" << QStringList {};
        QTest::newRow("Left on a playlist in a folder goes to the folder")
            << QString() << QStringList { "sets" } << "peak" << Qt::Key_Left << "sets"
            << QStringList { "sets" };
        QTest::newRow("Left on a closed folder inside one goes to the outer folder")
            << QString() << QStringList { "sets" } << "old" << Qt::Key_Left << "sets"
            << QStringList { "sets" };
        QTest::newRow("Left from two levels down goes up one")
            << QString() << QStringList { "sets", "old" } << "jazznight" << Qt::Key_Left << "old"
            << QStringList { "sets", "old" };
        QTest::newRow("Left on a top-level playlist stays")
            << QString() << QStringList {} << "jazz" << Qt::Key_Left << "jazz" << QStringList {};
        // Folders cannot close while filtering: Left goes out instead.
        QTest::newRow("Left on an open folder while filtering goes out")
            << "jazz" << QStringList {} << "old" << Qt::Key_Left << "sets" << QStringList { "sets" };
        QTest::newRow("Right on an open folder while filtering goes in")
            << "jazz" << QStringList {} << "old" << Qt::Key_Right << "jazznight" << QStringList {};
    }
    void leftAndRightOpenCloseAndMoveLikeATree()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, open);
        QFETCH(QString, from);
        QFETCH(Qt::Key, key);
        QFETCH(QString, to);
        QFETCH(QStringList, openAfter);
        Fixture f;
        f.load(folderLibrary());
        f.show();
        for (const QString& folder : std::as_const(open))
            f.chevron(folder);
        f.sidebar->filterField()->setText(filter);
        f.setCurrent(from);
        QCOMPARE(f.current(), from);

        f.key(key);
        QCOMPARE(f.current(), to);
        QCOMPARE(f.sidebar->model().manualExpansion(), idSet(openAfter));
        // Opening and closing select nothing; a move selects where it lands, as
        // Up and Down do (a folder: the playlists of it that show).
        const QSet<QString> selection = f.library().selection();
        QCOMPARE(f.shownSelection(), selection);
        QCOMPARE(selection.isEmpty(), to == from);
        QVERIFY(f.sidebar->model().tree().expandFolders({ to }).contains(selection));
    }

    // Home goes to the first playlist and to the very top, its section's header in view.
    void homeScrollsToTheFirstHeader()
    {
        QList<PlaylistDTO> playlists;
        for (int n = 0; n < 60; ++n)
            playlists.append(test::playlist(
                QStringLiteral("mix%1").arg(n), PlaylistSourceId::apple, QStringLiteral("Mix %1").arg(n)));
        Fixture f;
        f.load(playlists);
        f.show();
        QListView* list = f.sidebar->listView();
        f.setCurrent(QStringLiteral("mix0"));
        f.key(Qt::Key_End);
        QCOMPARE(f.current(), QStringLiteral("mix59"));
        QVERIFY(list->verticalScrollBar()->value() > 0);

        f.key(Qt::Key_Home);
        QCOMPARE(f.current(), QStringLiteral("mix0"));
        QCOMPARE(list->verticalScrollBar()->value(), 0);
        QVERIFY(list->viewport()->rect().contains(list->visualRect(f.sidebar->model().index(0))));
    }

    // Escape empties the filter, Down goes on into the list, the desktop's Find key comes back to it.
    void theFilterFieldsKeys()
    {
        Fixture f;
        f.load(folderLibrary());
        f.show();
        f.sidebar->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.sidebar.get()));
        QLineEdit* filter = f.sidebar->filterField();
        filter->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(filter, QStringLiteral("jazz"));
        QCOMPARE(f.sidebar->model().rowOf(QStringLiteral("rock")), -1);
        QTest::keyClick(filter, Qt::Key_Escape);
        QCOMPARE(filter->text(), QString());
        QVERIFY(f.sidebar->model().rowOf(QStringLiteral("rock")) >= 0);

        QTest::keyClicks(filter, QStringLiteral("rock"));
        QTest::keyClick(filter, Qt::Key_Down);
        QVERIFY(f.sidebar->listView()->hasFocus());
        QCOMPARE(f.current(), QStringLiteral("rock"));
        QCOMPARE(f.library().selection(), idSet({ "rock" }));
        QVERIFY(f.sidebar->window()->testAttribute(Qt::WA_KeyboardFocusChange));
        f.key(Qt::Key_Space);
        QCOMPARE(f.library().selection(), idSet({ "rock" }));

        QTest::keySequence(f.sidebar->listView(), QKeySequence::Find);
        QVERIFY(filter->hasFocus());
        QCOMPARE(filter->selectedText(), QStringLiteral("rock"));
    }

    // Down from the filter field goes to the first row shown and selects it, as
    // Down in the list does, whatever was selected or current before: Sync then
    // sends what the rows show selected, and a selection the filter hid does not
    // come back when the filter is cleared.
    void downFromTheFilterSelectsTheFirstRowShown_data()
    {
        QTest::addColumn<bool>("introFirst"); // a playlist "intro" above the folders
        QTest::addColumn<QStringList>("gestures"); // before the filter gets the keyboard
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QSet<QString>>("selection");

        QTest::newRow("a playlist selected elsewhere, the filter shows another")
            << false << QStringList { "click jazz" } << "rock"
            << "rock" << idSet({ "rock" });
        QTest::newRow("several selected, the filter shows some of them")
            << false << QStringList { "click jazz", "ctrl-click rock" } << "mix"
            << "rock" << idSet({ "rock" });
        QTest::newRow("no filter: the top row, not the row the keyboard was on")
            << true << QStringList { "click jazz" } << ""
            << "intro" << idSet({ "intro" });
        QTest::newRow("the top row is a closed folder: the playlists inside it")
            << false << QStringList { "click rock" } << ""
            << "sets" << idSet({ "warm", "peak", "jazznight" });
    }
    void downFromTheFilterSelectsTheFirstRowShown()
    {
        QFETCH(bool, introFirst);
        QFETCH(QStringList, gestures);
        QFETCH(QString, filter);
        QFETCH(QString, current);
        QFETCH(QSet<QString>, selection);
        Fixture f;
        f.load(introFirst ? introAboveFolders() : folderLibrary());
        f.show();
        f.sidebar->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.sidebar.get()));
        for (const QString& gesture : std::as_const(gestures))
            f.perform(gesture);
        QVERIFY(!f.library().selection().isEmpty());
        QLineEdit* field = f.sidebar->filterField();
        field->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(field, filter);
        QTest::keyClick(field, Qt::Key_Down);

        QVERIFY(f.sidebar->listView()->hasFocus());
        QCOMPARE(f.current(), current);
        QCOMPARE(f.library().selection(), selection);
        QCOMPARE(f.shownSelection(), selection);
        QCOMPARE(f.syncedIds(), selection);
        field->clear();
        QCOMPARE(f.library().selection(), selection);
        QCOMPARE(f.syncedIds(), selection);
    }

    void aClickOnASourceHeaderChangesNothing()
    {
        Fixture f;
        f.load(twoSections());
        f.show();
        f.click(QStringLiteral("two"));
        const QModelIndex spotify
            = f.sidebar->model().index(f.sidebar->model().rowOf(QStringLiteral("three")) - 1);
        const QPoint onHeader = f.sidebar->listView()->visualRect(spotify).center();
        QTest::mouseClick(f.sidebar->listView()->viewport(), Qt::LeftButton, {}, onHeader);
        QTest::mouseDClick(f.sidebar->listView()->viewport(), Qt::LeftButton, {}, onHeader);
        QCOMPARE(f.current(), QStringLiteral("two"));
        QCOMPARE(f.library().selection(), idSet({ "two" }));
        // Typing a source's name does not land on its header either.
        QTest::keyClicks(f.sidebar->listView(), QStringLiteral("spo"));
        QCOMPARE(f.current(), QStringLiteral("two"));
    }

    void theKeyboardPositionOutlivesRowsComingAndGoing()
    {
        Fixture f;
        f.load(folderLibrary());
        f.show();

        // Selecting a folder opens it below the folder's row, which stays current.
        f.click(QStringLiteral("sets"));
        QCOMPARE(f.library().selection(), idSet({ "warm", "peak", "jazznight" }));
        f.key(Qt::Key_Down);
        QCOMPARE(f.current(), QStringLiteral("warm"));
        QCOMPARE(f.library().selection(), idSet({ "warm" }));

        // A filter keystroke, a cleared filter and a refresh with one more playlist
        // keep the current row where it was.
        f.sidebar->filterField()->setText(QStringLiteral("a"));
        f.sidebar->filterField()->clear();
        QList<PlaylistDTO> more = folderLibrary();
        more.prepend(test::playlist("new", PlaylistSourceId::apple, "New"));
        f.load(more);
        QCOMPARE(f.current(), QStringLiteral("warm"));
        f.key(Qt::Key_Down);
        QCOMPARE(f.current(), QStringLiteral("peak"));

        // A filter that hides the current row leaves it on a playlist, not a header.
        f.sidebar->filterField()->setText(QStringLiteral("rock"));
        QCOMPARE(f.current(), QStringLiteral("rock"));
    }

    void shiftClickAfterRowsChangedExtendsFromTheLastClick()
    {
        Fixture f;
        f.load(folderLibrary());
        f.show();
        f.click(QStringLiteral("jazz"));
        // Opening "Sets" puts three rows above the clicked one.
        QTest::mouseClick(f.sidebar->listView()->viewport(), Qt::LeftButton, {},
            SidebarDelegate::chevronRect(f.rowRect(QStringLiteral("sets")), 0).center());
        QVERIFY(f.sidebar->model().rowOf(QStringLiteral("warm")) >= 0);

        // Jazz Standards, the empty folder Empty and, past the header, Rock Mix.
        f.click(QStringLiteral("rock"), Qt::ShiftModifier);
        QCOMPARE(f.library().selection(), idSet({ "jazz", "rock" }));
    }

    void aDragThatSelectsPassesOverHeaders()
    {
        Fixture f;
        f.load(twoSections());
        f.show();
        QWidget* viewport = f.sidebar->listView()->viewport();
        const QPoint onHeader
            = f.sidebar->listView()
                  ->visualRect(f.sidebar->model().index(f.sidebar->model().rowOf("three") - 1))
                  .center();
        const auto move = [&](const QPoint& to) {
            QMouseEvent event(
                QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(viewport, &event);
        };

        QTest::mousePress(viewport, Qt::LeftButton, {}, f.rowRect(QStringLiteral("two")).center());
        move(onHeader);
        QCOMPARE(f.current(), QStringLiteral("two"));
        move(f.rowRect(QStringLiteral("three")).center());
        QCOMPARE(f.current(), QStringLiteral("three"));
        move(onHeader);
        QCOMPARE(f.current(), QStringLiteral("three"));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, onHeader);
        QCOMPARE(f.current(), QStringLiteral("three"));
        QCOMPARE(f.library().selection(), idSet({ "two" }));

        // A drag that starts on a header selects nothing, wherever it goes.
        QTest::mousePress(viewport, Qt::LeftButton, {}, onHeader);
        move(f.rowRect(QStringLiteral("five")).center());
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, f.rowRect(QStringLiteral("five")).center());
        QCOMPARE(f.current(), QStringLiteral("three"));
        QCOMPARE(f.library().selection(), idSet({ "two" }));
    }

    void theScrollPositionOutlivesRowsChangingBelow()
    {
        // Sixty mixes, then a playlist no "mi" finds.
        QList<PlaylistDTO> playlists;
        for (int n = 0; n < 60; ++n)
            playlists.append(test::playlist(
                QStringLiteral("mix%1").arg(n), PlaylistSourceId::apple, QStringLiteral("Mix %1").arg(n)));
        playlists.append(test::playlist("zed", PlaylistSourceId::apple, "Zed"));
        Fixture f;
        f.load(playlists);
        f.show();
        QListView* list = f.sidebar->listView();
        QScrollBar* bar = list->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum() / 2);
        const int middle = bar->value();
        const auto shownInTheMiddle = [&] {
            return list->indexAt(list->viewport()->rect().center()).data(SidebarModel::IdRole).toString();
        };
        const QString inTheMiddle = shownInTheMiddle();
        QVERIFY(inTheMiddle.startsWith(u"mix"));
        f.click(inTheMiddle);

        // A refresh that renames the last playlist and adds one after it.
        playlists.last().name = QStringLiteral("Zed Two");
        playlists.append(test::playlist("zz", PlaylistSourceId::apple, "Zz"));
        f.load(playlists);
        QCOMPARE(shownInTheMiddle(), inTheMiddle);
        QCOMPARE(bar->value(), middle);

        // Filter keystrokes that take away rows below only.
        for (const QString& text : { QStringLiteral("m"), QStringLiteral("mi") }) {
            f.sidebar->filterField()->setText(text);
            QCOMPARE(shownInTheMiddle(), inTheMiddle);
            QCOMPARE(bar->value(), middle);
        }

        // The keyboard goes on from the clicked row, and the list stays where it is.
        f.key(Qt::Key_Down);
        QCOMPARE(bar->value(), middle);
        QCOMPARE(f.current(), QStringLiteral("mix%1").arg(inTheMiddle.mid(3).toInt() + 1));
    }

    void onlyRowsThatShowSomethingElseRepaint_data()
    {
        QTest::addColumn<QString>("filter"); // before the change
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("repainted"); // ids, or a header's title

        QTest::newRow("a filter keystroke that keeps what rows show") << "j"
                                                                      << "filter ja" << QStringList {};
        QTest::newRow("the first letter of a filter opens and dims a folder")
            << ""
            << "filter j" << QStringList { "sets" };
        QTest::newRow("a refresh that renames a playlist") << ""
                                                           << "rename jazz" << QStringList { "jazz" };
        QTest::newRow("a refresh with a new track count") << ""
                                                          << "count jazz" << QStringList { "jazz" };
        QTest::newRow("a refresh with one more playlist: its header counts it")
            << ""
            << "add" << QStringList { "Apple Music" };
        QTest::newRow("a folder opened") << ""
                                         << "open sets" << QStringList { "sets" };
    }
    void onlyRowsThatShowSomethingElseRepaint()
    {
        QFETCH(QString, filter);
        QFETCH(QString, change);
        QFETCH(QStringList, repainted);
        Fixture f;
        QList<PlaylistDTO> playlists = folderLibrary();
        f.load(playlists);
        f.sidebar->filterField()->setText(filter);
        SidebarModel& model = f.sidebar->model();
        QStringList seen;
        QObject::connect(&model, &QAbstractItemModel::dataChanged, &model,
            [&](const QModelIndex& top, const QModelIndex& bottom) {
                for (int row = top.row(); row <= bottom.row(); ++row) {
                    const QModelIndex index = model.index(row);
                    const QString id = index.data(SidebarModel::IdRole).toString();
                    seen.append(id.isEmpty() ? index.data(SidebarModel::TitleRole).toString() : id);
                }
            });
        const auto playlist = [&](const QString& id) -> PlaylistDTO& {
            return *std::find_if(
                playlists.begin(), playlists.end(), [&](const PlaylistDTO& p) { return p.id == id; });
        };

        const QString argument = change.section(u' ', 1);
        if (change.startsWith(u"filter")) {
            f.sidebar->filterField()->setText(argument);
        } else if (change.startsWith(u"open")) {
            model.toggleExpansion(argument);
        } else {
            if (change.startsWith(u"rename"))
                playlist(argument).name = QStringLiteral("Jazz Classics");
            else if (change.startsWith(u"count"))
                playlist(argument).trackCount = 12;
            else if (change == u"add")
                playlists.append(test::playlist("new", PlaylistSourceId::apple, "New"));
            f.load(playlists);
        }
        QCOMPARE(seen, repainted);
    }

    void theCurrentRowShowsTheKeyboardFocus()
    {
        FramedSidebar f;
        QVERIFY(f.activate());
        QListView* list = f.sidebar->listView();
        f.click(QStringLiteral("two"));
        // A click shows no frame; coming in by Tab does, on the current row.
        QVERIFY(list->hasFocus());
        QVERIFY(!f.framesOn(QStringLiteral("two")));
        f.sidebar->filterField()->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(f.sidebar->filterField(), Qt::Key_Tab);
        QVERIFY(list->hasFocus());
        QVERIFY(f.framesOn(QStringLiteral("two")));
        f.key(Qt::Key_Down);
        QVERIFY(f.framesOn(QStringLiteral("three")));
        list->clearFocus();
        QVERIFY(!f.framesOn(QStringLiteral("three")));
    }

    // After a click, the keyboard's moves show the current row's frame, also a
    // move with Ctrl that leaves the selection where it was.
    void arrowKeysShowTheCurrentRowsFrame()
    {
        FramedSidebar f;
        QVERIFY(f.activate());
        f.click(QStringLiteral("one"));
        QVERIFY(!f.framesOn(QStringLiteral("one")));
        f.key(Qt::Key_Down);
        QVERIFY(f.framesOn(QStringLiteral("two")));
        f.key(Qt::Key_Down, Qt::ControlModifier);
        QVERIFY(f.framesOn(QStringLiteral("three")));
        QCOMPARE(f.library().selection(), idSet({ "two" }));
    }

    void rowTexts()
    {
        PlaylistDTO p = test::playlist("x", PlaylistSourceId::spotify, "Mix %1");
        QCOMPARE(SidebarModel::playlistAccessibleText(p), QStringLiteral("Mix %1, Spotify, 0 tracks"));
        QCOMPARE(SidebarModel::folderToolTip(QStringLiteral("Sets")),
            QStringLiteral("Select all playlists in \u201CSets\u201D"));
    }
};

QTEST_MAIN(TestSidebarView)
#include "tst_sidebarview.moc"
