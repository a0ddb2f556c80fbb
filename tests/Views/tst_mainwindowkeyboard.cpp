#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Styling/AccessibilityPreferences.h"
#include "Support/UserDefaults.h"
#include "TestSupport/FixedAccessibility.h"
#include "TestSupport/FocusFrames.h"
#include "TestSupport/Records.h"
#include "TestSupport/ReviewWindow.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Views/Detail/LibraryDetailList.h"
#include "Views/MainWindow.h"
#include "Views/Review/CandidateListModel.h"
#include "Views/Review/ReviewInspector.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;
using test::candidate;
using test::server;

namespace {

// The main window over a run whose tracks 1 and 2 wait for review, 1 with two
// candidates and 2 with none; the window is shown and active.
struct Fixture : test::ReviewWindow {
    Fixture()
        : ReviewWindow(3,
            { { QStringLiteral("pl#1"), { candidate("c1", 0.9), candidate("c2", 0.6) } },
                { QStringLiteral("pl#2"), {} } })
    {
    }

    ReviewInspector* inspector() const { return window->findChild<ReviewInspector*>(); }
    LibraryDetailList* trackList() const { return window->findChild<LibraryDetailList*>(); }
    static QWidget* focused() { return QApplication::focusWidget(); }
    bool focusInInspector() const { return focused() && window->inspectorPane()->isAncestorOf(focused()); }
};

} // namespace

// The main window driven by the keyboard alone.
class TestMainWindowKeyboard : public QObject {
    Q_OBJECT

private slots:
    void reviewMatchesTakesTheKeyboardAndEscapeGivesItBack()
    {
        Fixture f;
        QWidget* before = f.focused();
        QVERIFY(before && !f.focusInInspector());

        QTest::keyClick(before, Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(f.model->isInspectorPresented());
        QCOMPARE(f.focused(), f.inspector()->candidateList());

        // Space picks the current candidate, as Return does.
        QTest::keyClick(f.focused(), Qt::Key_Space);
        QCOMPARE(f.inspector()->candidates()->selectedId(), std::optional<QString>(QStringLiteral("c1")));
        QTest::keyClick(f.focused(), Qt::Key_Down);
        QTest::keyClick(f.focused(), Qt::Key_Return);
        QCOMPARE(f.inspector()->candidates()->selectedId(), std::optional<QString>(QStringLiteral("c2")));

        // Escape closes the inspector, and the keyboard goes back where it was.
        QTest::keyClick(f.focused(), Qt::Key_Escape);
        QVERIFY(!f.model->isInspectorPresented());
        QVERIFY(f.window->inspectorPane()->isHidden());
        QCOMPARE(f.focused(), before);

        // Opened again: Escape from the address field closes it too.
        QTest::keyClick(before, Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(f.focusInInspector());
        f.inspector()->urlField()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f.focused(), Qt::Key_Escape);
        QVERIFY(!f.model->isInspectorPresented());
    }

    void theKeyboardStaysInTheInspectorAfterADecision()
    {
        Fixture f;
        QTest::keyClick(f.window.get(), Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(f.focusInInspector());
        // "Accept Best" has the keyboard; the next track has no candidates, so it goes off.
        QPushButton* accept = f.inspector()->acceptBestButton();
        accept->setFocus(Qt::TabFocusReason);
        QTest::keyClick(accept, Qt::Key_Space);
        QCOMPARE(f.model->focusedReviewTrackId(), std::optional<QString>(QStringLiteral("pl#2")));
        QVERIFY(!accept->isEnabled());
        QVERIFY(f.focusInInspector());
        QVERIFY(f.focused()->isEnabled());
    }

    // The style's focus frame shows where the keyboard is: on the track list's
    // current row once Tab brought the keyboard there, not after a click.
    void theTrackListShowsItsCurrentRowAfterTab()
    {
        Fixture f;
        LibraryDetailList* list = f.trackList();
        test::FocusFrames style;
        list->setStyle(&style);
        const auto frameIn = [&](int row) {
            const QList<QRect> frames = style.framesOf(list->viewport());
            return frames.size() == 1
                && list->visualRect(list->model()->index(row, 0)).contains(frames.first());
        };
        QWidget* before = list->previousInFocusChain();
        while (!(before->focusPolicy() & Qt::TabFocus) || !before->isVisible() || !before->isEnabled())
            before = before->previousInFocusChain();
        before->setFocus(Qt::MouseFocusReason);

        QTest::keyClick(before, Qt::Key_Tab);
        QCOMPARE(f.focused(), list);
        const int header = list->currentIndex().row();
        QCOMPARE(list->detailModel().row(header).kind, LibraryDetailModel::RowKind::groupHeader);
        QVERIFY(frameIn(header));
        QTest::keyClick(list, Qt::Key_Down);
        const int track = list->currentIndex().row();
        QCOMPARE(list->detailModel().row(track).kind, LibraryDetailModel::RowKind::track);
        QVERIFY(frameIn(track));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
            list->visualRect(list->model()->index(track + 1, 0)).center());
        QVERIFY(style.framesOf(list->viewport()).isEmpty());
        QTest::keyClick(list, Qt::Key_Up);
        QVERIFY(frameIn(track));
        before->setFocus(Qt::TabFocusReason);
        QVERIFY(style.framesOf(list->viewport()).isEmpty());
    }

    // "Review Matches" shows the keyboard on the current candidate; once all is
    // caught up the inspector holding the keyboard shows the frame itself.
    void theInspectorShowsWhereTheKeyboardIs()
    {
        Fixture f;
        ReviewInspector* inspector = f.inspector();
        test::FocusFrames candidateStyle;
        test::FocusFrames inspectorStyle;
        inspector->candidateList()->setStyle(&candidateStyle);
        inspector->setStyle(&inspectorStyle);

        QTest::keyClick(f.window.get(), Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
        QListView* candidates = inspector->candidateList();
        QCOMPARE(f.focused(), candidates);
        const auto frameOn = [&](int row) {
            const QList<QRect> frames = candidateStyle.framesOf(candidates->viewport());
            return frames.size() == 1
                && candidates->visualRect(candidates->model()->index(row, 0)).contains(frames.first());
        };
        QVERIFY(frameOn(0));
        QTest::keyClick(candidates, Qt::Key_Down);
        QVERIFY(frameOn(1));
        QVERIFY(inspectorStyle.framesOf(inspector).isEmpty());

        // The helper finishes both waiting tracks meanwhile: the keyboard stays
        // in the caught-up inspector.
        for (const char* id : { "pl#1", "pl#2" })
            f.client->events().yield(server(ServerEvent::TrackFinished { "c", id, Finish::ok }));
        QTRY_VERIFY(!inspector->showsTrack());
        QCOMPARE(f.focused(), inspector);
        const QList<QRect> frames = inspectorStyle.framesOf(inspector);
        QCOMPARE(frames.size(), 1);
        QVERIFY(frames.first().contains(inspector->rect().adjusted(2, 2, -2, -2)));
    }
};

QTEST_MAIN(TestMainWindowKeyboard)
#include "tst_mainwindowkeyboard.moc"
