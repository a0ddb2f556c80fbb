#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Styling/AppStyle.h"
#include "Styling/AppearanceBinding.h"
#include "Styling/ButtonStyling.h"
#include "Styling/FocusRing.h"
#include "Support/UserDefaults.h"
#include "TestSupport/FixedAccessibility.h"
#include "TestSupport/FocusFrames.h"
#include "TestSupport/FocusRings.h"
#include "TestSupport/OnboardingHarness.h"
#include "TestSupport/Records.h"
#include "TestSupport/ReviewWindow.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/SettingsSession.h"
#include "Views/ArtworkLoader.h"
#include "Views/MainWindow.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/ToggleSwitch.h"
#include "Views/Review/CandidateListModel.h"
#include "Views/Review/ReviewInspector.h"
#include "Views/Settings/SettingsWindow.h"
#include "Views/Settings/SwitchButton.h"
#include "Views/SidebarModel.h"
#include "Views/SidebarView.h"
#include "Views/Toolbar/MainToolbar.h"
#include "Views/Toolbar/ToolbarButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace mivo;
using test::candidate;
using test::describe;
using test::kRingPixels;
using test::pixelsTheFocusChanges;
using test::server;
using Screen = SetupCoordinator::Screen;
using Mode = SetupCoordinator::Mode;
using Outcome = test::ScriptedHelperClient::Outcome;

Q_DECLARE_METATYPE(Mode)

namespace {

// The main window over a run whose track 1 waits for review with three
// candidates; shown and active.
struct ReviewWindow : test::ReviewWindow {
    ReviewWindow()
        : test::ReviewWindow(2,
            { { QStringLiteral("pl#1"),
                { candidate("c1", 0.9), candidate("c2", 0.6), candidate("c3", 0.4) } } })
    {
    }

    ReviewInspector* inspector() const { return window->findChild<ReviewInspector*>(); }
    ToolbarButton* reviewButton() const { return window->findChild<MainToolbar*>()->reviewButton(); }
    bool ringsShown() const { return window->testAttribute(Qt::WA_KeyboardFocusChange); }
};

// A row's look in a list's viewport.
QImage rowLook(QListView* list, int row)
{
    return list->viewport()->grab(list->visualRect(list->model()->index(row, 0))).toImage();
}

// The largest contrast between the two looks along the middle of a row, clear
// of its edges (where a ring goes): a fill shows there, a ring does not.
double middleChange(const QImage& a, const QImage& b)
{
    double largest = 1;
    const int y = a.height() / 2;
    for (int x = a.width() / 4; x < a.width() * 3 / 4; ++x)
        largest = std::max(largest, ThemeColor::contrast(a.pixelColor(x, y), b.pixelColor(x, y)));
    return largest;
}

// Presses `key` where the keyboard is.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// Whether `b` comes after `a` in reading order, by their places in `content`.
bool readsAfter(const QWidget* a, const QWidget* b, const QWidget* content)
{
    const QRect first(a->mapTo(content, QPoint()), a->size());
    const QRect second(b->mapTo(content, QPoint()), b->size());
    const int rise = first.center().y() - second.center().y();
    if (rise > 12)
        return false;
    return rise < -12 || second.center().x() > first.center().x();
}

void provision(test::OnboardingHarness& harness)
{
    harness.client->enqueue(Method::provisionTools,
        Outcome::encoded(ProvisionToolsResult { true,
            { ToolStatusDTO { "yt-dlp", "yt-dlp", "ok", {} },
                ToolStatusDTO { "ffmpeg", "ffmpeg", "ok", {} } } }));
    QCoro::waitFor(harness.model->toolProvisioning()->provision());
}

} // namespace

class TestFocusRings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The application's own style, as main() sets it.
        QApplication::setStyle(new AppStyle);
        FocusRing::followInput();
    }
    void cleanup() { AppearanceBinding::apply(AppAppearance::light); }

    // A click gives a control the keyboard without a ring; Tab into the same
    // control shows it; a click anywhere in the window puts it away again.
    void ringOnlyAfterTheKeyboard_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : { "settings switch", "wizard switch", "prominent button", "check box" })
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void ringOnlyAfterTheKeyboard()
    {
        QFETCH(QString, kind);
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        layout->setContentsMargins(24, 24, 24, 24);
        auto* before = new QPushButton(QStringLiteral("Before"));
        layout->addWidget(before);
        QWidget* control = nullptr;
        if (kind == u"settings switch")
            control = new SwitchButton(QStringLiteral("Reduce glass"));
        else if (kind == u"wizard switch")
            control = new ToggleSwitch(QStringLiteral("Soulseek"));
        else if (kind == u"check box")
            control = new QCheckBox(QStringLiteral("Lossless only"));
        else {
            auto* button = new QPushButton(QStringLiteral("Accept Best"));
            ButtonStyling::setStyle(button, ButtonStyle::glassProminentAdaptive);
            control = button;
        }
        layout->addWidget(control);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTest::mouseClick(control, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), control);
        const QImage clicked = control->grab().toImage();
        QTest::mouseClick(before, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), before);
        const QImage resting = control->grab().toImage();
        QCOMPARE(pixelsTheFocusChanges(resting, clicked), 0);

        QTest::keyClick(before, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control);
        QVERIFY(pixelsTheFocusChanges(resting, control->grab().toImage()) >= kRingPixels);

        QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(QApplication::focusWidget(), control);
        QCOMPARE(pixelsTheFocusChanges(resting, control->grab().toImage()), 0);
    }

    // Settings: the tab bar is one stop (its current tab), then the shown
    // pane's controls in reading order, then the tab bar again; every stop
    // shows a ring, and Backtab goes back the same way.
    void settingsTabChain_data()
    {
        QTest::addColumn<int>("pane");
        QTest::addColumn<bool>("dark");
        const char* names[]
            = { "General", "Accounts", "Sources", "Quality", "Output", "VPN", "Command Line", "Diagnostics" };
        for (const bool dark : { false, true }) {
            for (int pane = 0; pane < 8; ++pane)
                QTest::addRow("%s, %s", names[pane], dark ? "dark" : "light") << pane << dark;
        }
    }
    void settingsTabChain()
    {
        QFETCH(int, pane);
        QFETCH(bool, dark);
        test::SettingsSession s;
        // The user's theme setting, as the General pane writes it.
        s.session.defaults->setAppAppearance(dark ? AppAppearance::dark : AppAppearance::light);
        QVERIFY(s.open(test::SettingsSession::Pane(pane)));
        s.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
        QAbstractButton* tab = s.window->tabButton(pane);
        QTRY_COMPARE(QApplication::focusWidget(), tab);
        QTRY_VERIFY(s.session.model->settings() && s.session.model->settings()->config());
        QCOMPARE(ThemeColor::isDark(s.window->palette()), dark);

        const QList<test::TabStop> stops = test::walkTabChain();
        QVERIFY(stops.size() >= 2);
        QCOMPARE(stops.first().widget, tab);
        const QWidget* content = static_cast<QScrollArea*>(s.window->pane(pane))->widget();
        for (qsizetype i = 0; i < stops.size(); ++i) {
            const test::TabStop& stop = stops[i];
            QVERIFY2(stop.ringPixels >= kRingPixels,
                qPrintable(
                    QStringLiteral("%1 shows no ring (%2)").arg(describe(stop.widget)).arg(stop.ringPixels)));
            if (i == 0)
                continue;
            QVERIFY2(content->isAncestorOf(stop.widget), qPrintable(describe(stop.widget)));
            if (i > 1)
                QVERIFY2(readsAfter(stops[i - 1].widget, stop.widget, content),
                    qPrintable(
                        describe(stops[i - 1].widget) + QStringLiteral(" before ") + describe(stop.widget)));
        }
        // Backtab goes back the same way, over the tab bar to the pane's last control.
        QCOMPARE(QApplication::focusWidget(), tab);
        press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), stops.last().widget);
    }

    // The arrow keys walk the tab bar, showing each pane in turn.
    void settingsTabBarTakesTheArrows()
    {
        test::SettingsSession s;
        QVERIFY(s.open(test::SettingsSession::general));
        s.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
        QTRY_COMPARE(QApplication::focusWidget(), s.window->tabButton(0));
        press(Qt::Key_Right);
        QCOMPARE(s.window->currentPane(), 1);
        QCOMPARE(QApplication::focusWidget(), s.window->tabButton(1));
        QVERIFY(FocusRing::shows(s.window->tabButton(1)));
        press(Qt::Key_End);
        QCOMPARE(s.window->currentPane(), s.window->paneCount() - 1);
        press(Qt::Key_Left);
        QCOMPARE(s.window->currentPane(), s.window->paneCount() - 2);
        press(Qt::Key_Home);
        QCOMPARE(s.window->currentPane(), 0);
        QCOMPARE(QApplication::focusWidget(), s.window->tabButton(0));
        // A click on a tab shows its pane; Tab from there stays in that pane.
        QTest::mouseClick(s.window->tabButton(3), Qt::LeftButton);
        QCOMPARE(s.window->currentPane(), 3);
        s.window->tabButton(3)->setFocus(Qt::OtherFocusReason);
        for (const test::TabStop& stop : test::walkTabChain())
            QVERIFY2(stop.widget == s.window->tabButton(3) || s.window->pane(3)->isAncestorOf(stop.widget),
                qPrintable(describe(stop.widget)));
    }

    // The wizard opens with the keyboard on its primary button, and every stop
    // of each screen shows a ring.
    void wizardTabChain_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<int>("advances");
        QTest::addColumn<bool>("dark");
        const struct {
            const char* name;
            Mode mode;
            int advances;
        } screens[] = { { "welcome", Mode::firstRun, 0 }, { "prepare tools", Mode::firstRun, 1 },
            { "connect music", Mode::firstRun, 2 }, { "download sources", Mode::firstRun, 3 },
            { "fine tuning", Mode::firstRun, 4 }, { "finish", Mode::firstRun, 5 },
            { "re-run: prepare tools", Mode::reRun, 0 }, { "re-run: connect music", Mode::reRun, 1 } };
        for (const bool dark : { false, true }) {
            for (const auto& screen : screens)
                QTest::addRow("%s, %s", screen.name, dark ? "dark" : "light")
                    << screen.mode << screen.advances << dark;
        }
    }
    void wizardTabChain()
    {
        QFETCH(Mode, mode);
        QFETCH(int, advances);
        QFETCH(bool, dark);
        AppearanceBinding::apply(dark ? AppAppearance::dark : AppAppearance::light);
        test::OnboardingHarness harness;
        harness.answerSampleReads();
        provision(harness);
        SetupCoordinator coordinator(mode, harness.model.get());
        for (int step = 0; step < advances; ++step)
            coordinator.advance();
        SetupScaffold wizard(coordinator, *harness.model);
        QCOMPARE(ThemeColor::isDark(wizard.palette()), dark);
        wizard.show();
        wizard.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&wizard));
        auto* primary = wizard.findChild<QPushButton*>(QStringLiteral("primary"));
        QTRY_COMPARE(QApplication::focusWidget(), primary);

        const QList<test::TabStop> stops = test::walkTabChain();
        QVERIFY(!stops.isEmpty());
        QCOMPARE(stops.first().widget, primary);
        for (const test::TabStop& stop : stops) {
            QVERIFY2(stop.widget->isVisible() && wizard.isAncestorOf(stop.widget),
                qPrintable(describe(stop.widget)));
            QVERIFY2(stop.ringPixels >= kRingPixels,
                qPrintable(
                    QStringLiteral("%1 shows no ring (%2)").arg(describe(stop.widget)).arg(stop.ringPixels)));
        }
    }

    // A window opened from the keyboard shows where the keyboard went; opened
    // by a click, it has the keyboard there without a ring.
    void windowsOpenOnTheirDefaultControl_data()
    {
        QTest::addColumn<bool>("wizard");
        QTest::addColumn<bool>("byKey");
        QTest::newRow("settings, by key") << false << true;
        QTest::newRow("settings, by click") << false << false;
        QTest::newRow("wizard, by key") << true << true;
        QTest::newRow("wizard, by click") << true << false;
    }
    void windowsOpenOnTheirDefaultControl()
    {
        QFETCH(bool, wizard);
        QFETCH(bool, byKey);
        ReviewWindow f;
        // The input that asks for the window.
        if (byKey)
            QTest::keyClick(f.window.get(), Qt::Key_Shift);
        else
            QTest::mouseClick(f.window.get(), Qt::LeftButton, {}, QPoint(4, 4));
        std::unique_ptr<QWidget> opened;
        QWidget* expected = nullptr;
        std::optional<SetupCoordinator> coordinator;
        if (wizard) {
            coordinator.emplace(Mode::reRun, f.model.get());
            coordinator->advance();
            auto scaffold = std::make_unique<SetupScaffold>(*coordinator, *f.model);
            expected = scaffold->findChild<QPushButton*>(QStringLiteral("primary"));
            opened = std::move(scaffold);
        } else {
            auto settings = std::make_unique<SettingsWindow>(*f.model, *f.updater, f.defaults);
            expected = settings->tabButton(0);
            opened = std::move(settings);
        }
        opened->show();
        opened->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(opened.get()));
        QTRY_COMPARE(QApplication::focusWidget(), expected);
        QCOMPARE(FocusRing::shows(expected), byKey);
    }

    // The main window's chain, with the inspector open: every stop shows a ring.
    void mainWindowTabChain()
    {
        ReviewWindow f;
        press(Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(f.model->isInspectorPresented());
        const QList<test::TabStop> stops = test::walkTabChain();
        QVERIFY(stops.size() >= 4);
        for (const test::TabStop& stop : stops)
            QVERIFY2(stop.ringPixels >= kRingPixels,
                qPrintable(
                    QStringLiteral("%1 shows no ring (%2)").arg(describe(stop.widget)).arg(stop.ringPixels)));
    }

    // Opened by a click, the inspector takes the keyboard without showing it,
    // and so do the clicks after it; opened by its shortcut, the current
    // candidate shows the ring, until the next click.
    void inspectorOpenedByAClickShowsNoRing()
    {
        ReviewWindow f;
        QListView* candidates = f.inspector()->candidateList();
        test::FocusFrames frames;
        candidates->setStyle(&frames);

        QTest::mouseClick(f.reviewButton(), Qt::LeftButton);
        QVERIFY(f.model->isInspectorPresented());
        QCOMPARE(QApplication::focusWidget(), candidates);
        QVERIFY(!f.ringsShown());
        QVERIFY(frames.framesOf(candidates->viewport()).isEmpty());
        QTest::mouseClick(f.inspector()->urlField(), Qt::LeftButton);
        QTest::mouseClick(
            f.inspector()->acceptBestButton()->parentWidget(), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(!f.ringsShown());
        candidates->setFocus(Qt::OtherFocusReason);
        QVERIFY(frames.framesOf(candidates->viewport()).isEmpty());

        press(Qt::Key_Escape);
        QVERIFY(!f.model->isInspectorPresented());
        press(Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), candidates);
        QVERIFY(f.ringsShown());
        QCOMPARE(frames.framesOf(candidates->viewport()).size(), 1);

        QTest::mouseClick(f.inspector()->urlField(), Qt::LeftButton);
        QVERIFY(!f.ringsShown());
        candidates->setFocus(Qt::OtherFocusReason);
        QVERIFY(frames.framesOf(candidates->viewport()).isEmpty());
    }

    // The keyboard's current candidate wears a ring and keeps the middle of its
    // card as it was; the picked one is filled; both stay apart, light and dark.
    void currentCandidateIsARingSelectionAFill_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void currentCandidateIsARingSelectionAFill()
    {
        QFETCH(bool, dark);
        ReviewWindow f;
        f.defaults.setAppAppearance(dark ? AppAppearance::dark : AppAppearance::light);
        press(Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
        QListView* candidates = f.inspector()->candidateList();
        QTRY_COMPARE(ThemeColor::isDark(candidates->palette()), dark);
        QCOMPARE(QApplication::focusWidget(), candidates);
        QCOMPARE(candidates->currentIndex().row(), 0);
        QVERIFY(!f.inspector()->useSelectedButton()->isVisible());
        const QImage current = rowLook(candidates, 0);
        press(Qt::Key_Down);
        const QImage resting = rowLook(candidates, 0);
        QVERIFY(pixelsTheFocusChanges(resting, current) >= kRingPixels);
        QVERIFY2(middleChange(resting, current) < 1.05, "the current candidate looks filled");

        press(Qt::Key_Up);
        press(Qt::Key_Space);
        QVERIFY(f.inspector()->useSelectedButton()->isVisible());
        const QImage pickedCurrent = rowLook(candidates, 0);
        press(Qt::Key_Down);
        const QImage picked = rowLook(candidates, 0);
        QVERIFY2(middleChange(resting, picked) > middleChange(resting, current) + 0.05,
            "the picked candidate is not filled");
        QVERIFY(pixelsTheFocusChanges(picked, pickedCurrent) >= kRingPixels);
    }

    // The same in the sidebar: Ctrl+Down moves the current row without
    // selecting; its mark is a ring around an unfilled row.
    void currentPlaylistIsARingSelectionAFill_data() { currentCandidateIsARingSelectionAFill_data(); }
    void currentPlaylistIsARingSelectionAFill()
    {
        QFETCH(bool, dark);
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        test::ScriptedHelperClient* client = owned.get();
        AppModel model(std::move(owned));
        ArtworkLoader artwork { ArtworkLoader::Source { [](const ArtworkRef&, double) { return QImage(); },
            [](ArtworkRef, double) -> QCoro::Task<QImage> { co_return QImage(); } } };
        using enum PlaylistSourceId;
        client->enqueue(Method::listPlaylists,
            Outcome::encoded(ListPlaylistsResult { { test::playlist("one", apple, "One"),
                test::playlist("two", apple, "Two"), test::playlist("three", apple, "Three") } }));
        QCoro::waitFor(model.library()->refresh());
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* before = new QPushButton(QStringLiteral("Before"));
        layout->addWidget(before);
        auto* sidebar = new SidebarView(model, *model.library(), artwork);
        layout->addWidget(sidebar);
        window.resize(420, 400);
        AppearanceBinding::apply(dark ? AppAppearance::dark : AppAppearance::light);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QListView* list = sidebar->listView();
        QCOMPARE(ThemeColor::isDark(list->palette()), dark);
        const int one = sidebar->model().rowOf(QStringLiteral("one"));
        list->setCurrentIndex(list->model()->index(one, 0));
        list->selectionModel()->clearSelection();
        before->setFocus(Qt::OtherFocusReason);
        for (int stop = 0; stop < 4 && QApplication::focusWidget() != list; ++stop)
            press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), list);
        QCOMPARE(list->currentIndex().row(), one);
        QVERIFY(!list->selectionModel()->isSelected(list->currentIndex()));

        const QImage current = rowLook(list, one);
        press(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(list->currentIndex().row(), one + 1);
        const QImage resting = rowLook(list, one);
        QVERIFY(pixelsTheFocusChanges(resting, current) >= kRingPixels);
        QVERIFY2(middleChange(resting, current) < 1.05, "the current row looks selected");

        press(Qt::Key_Up, Qt::ControlModifier);
        press(Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(list->selectionModel()->isSelected(list->model()->index(one, 0)));
        const QImage selectedCurrent = rowLook(list, one);
        press(Qt::Key_Down, Qt::ControlModifier);
        const QImage selected = rowLook(list, one);
        QVERIFY2(middleChange(resting, selected) > middleChange(resting, current) + 0.05,
            "the selected row is not filled");
        QVERIFY(pixelsTheFocusChanges(selected, selectedCurrent) >= kRingPixels);
    }
};

QTEST_MAIN(TestFocusRings)
#include "tst_focusrings.moc"
