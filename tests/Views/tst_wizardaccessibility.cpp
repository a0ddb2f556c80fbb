#include "TestSupport/AccessibleTree.h"
#include "TestSupport/StandInSession.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Onboarding/WelcomeHero.h"

#include <QPushButton>
#include <QtTest>

using namespace mivo;
using test::AccessibleTree;
using test::HeardControl;
using test::StandInSession;
using Screen = SetupCoordinator::Screen;

Q_DECLARE_METATYPE(SetupCoordinator::Screen)

// The first-run wizard as a screen reader reads it, screen by screen, walked
// forward with its primary button as a user who changes nothing walks it.
class WizardAccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyScreenIsHeardAsItShows_data();
    void everyScreenIsHeardAsItShows();

private:
    bool reach(Screen screen);

    std::unique_ptr<StandInSession> m_session;
};

void WizardAccessibilityTest::initTestCase()
{
    m_session = std::make_unique<StandInSession>();
    QVERIFY(m_session->showAndWaitForTheHelper());
    QTRY_VERIFY_WITH_TIMEOUT(m_session->window->setupSheet()->scaffold(), 20000);
    QVERIFY(QTest::qWaitForWindowExposed(m_session->window->setupSheet()->scaffold()));
}

void WizardAccessibilityTest::cleanupTestCase()
{
    m_session.reset();
}

bool WizardAccessibilityTest::reach(Screen screen)
{
    SetupScaffold* wizard = m_session->window->setupSheet()->scaffold();
    auto* primary = wizard ? wizard->findChild<QPushButton*>(QStringLiteral("primary")) : nullptr;
    while (primary && wizard->coordinator() && wizard->coordinator()->currentScreen() != screen) {
        if (!QTest::qWaitFor([primary] { return primary->isEnabled(); }, 20000))
            return false;
        QTest::mouseClick(primary, Qt::LeftButton);
    }
    // The screen shows once its transition is over.
    return wizard && wizard->coordinator() && wizard->coordinator()->currentScreen() == screen
        && QTest::qWaitFor(
            [wizard] {
                return wizard->screenWidget() && wizard->screenWidget()->isVisible()
                    && wizard->screenWidget()->findChildren<QWidget*>().size() > 0
                    && AccessibleTree(wizard).contains(wizard->screenWidget());
            },
            5000);
}

void WizardAccessibilityTest::everyScreenIsHeardAsItShows_data()
{
    QTest::addColumn<Screen>("screen");
    QTest::addColumn<HeardControl>("control");
    using R = QAccessible::Role;
    const auto on = [](const char* word) { return QStringList { QString::fromLatin1(word) }; };
    QTest::addRow("the wizard") << Screen::welcome
                                << HeardControl { R::Dialog, QStringLiteral("Set Up mivo"), {}, {}, {} };
    QTest::addRow("the first step") << Screen::welcome
                                    << HeardControl { R::StaticText, QStringLiteral("Step 1 of 6"), {}, {},
                                           {} };
    QTest::addRow("Get Started") << Screen::welcome
                                 << HeardControl { R::Button, QStringLiteral("Get Started"), {}, {}, {} };
    QTest::addRow("a step line") << Screen::welcome
                                 << HeardControl { R::StaticText,
                                        QStringLiteral("Connect Apple Music or Spotify"), {}, {}, {} };
    QTest::addRow("the tools' heading")
        << Screen::prepareTools
        << HeardControl { R::StaticText, QStringLiteral("Getting things ready"), {}, {}, {} };
    QTest::addRow("a tool's row") << Screen::prepareTools
                                  << HeardControl { R::ListItem, QStringLiteral("yt-dlp"), {}, {}, {} };
    QTest::addRow("the second step") << Screen::prepareTools
                                     << HeardControl { R::StaticText, QStringLiteral("Step 2 of 6"), {}, {},
                                            {} };
    QTest::addRow("Spotify's icon") << Screen::connectMusic
                                    << HeardControl { R::Graphic, QStringLiteral("Spotify"), {}, {}, {} };
    QTest::addRow("the matching switch")
        << Screen::connectMusic
        << HeardControl { R::CheckBox, QStringLiteral("Enable MusicBrainz and AcoustID matching"), {},
               on("checked"), {} };
    QTest::addRow("Skip") << Screen::connectMusic
                          << HeardControl { R::Button, QStringLiteral("Skip"), {}, {}, {} };
    QTest::addRow("a source switched on")
        << Screen::downloadSources
        << HeardControl { R::CheckBox, QStringLiteral("Enable Soulseek"), {}, on("checked"), {} };
    QTest::addRow("a source switched off")
        << Screen::downloadSources
        << HeardControl { R::CheckBox, QStringLiteral("Enable YouTube"), {}, {}, on("checked") };
    QTest::addRow("the VPN's icon") << Screen::downloadSources
                                    << HeardControl { R::Graphic, QStringLiteral("Corvane VPN"), {}, {}, {} };
    QTest::addRow("the chosen quality")
        << Screen::fineTuning
        << HeardControl { R::RadioButton, QStringLiteral("Fast"), {}, on("checked"), {} };
    QTest::addRow("another quality") << Screen::fineTuning
                                     << HeardControl { R::RadioButton, QStringLiteral("Best"), {}, {},
                                            on("checked") };
    QTest::addRow("the seal") << Screen::finish
                              << HeardControl { R::Graphic, QStringLiteral("Setup complete"), {}, {}, {} };
    QTest::addRow("the last step") << Screen::finish
                                   << HeardControl { R::StaticText, QStringLiteral("Step 6 of 6"), {}, {},
                                          {} };
    QTest::addRow("Start Using mivo")
        << Screen::finish << HeardControl { R::Button, QStringLiteral("Start Using mivo"), {}, {}, {} };
}

// Each screen: its controls as they show, nothing hidden (the other screens,
// Back on the first, Skip where there is none), no control unnamed, and the
// welcome emblem not there at all.
void WizardAccessibilityTest::everyScreenIsHeardAsItShows()
{
    QFETCH(Screen, screen);
    QFETCH(HeardControl, control);
    QVERIFY(reach(screen));
    SetupScaffold* wizard = m_session->window->setupSheet()->scaffold();
    const AccessibleTree tree(wizard);
    test::verifyHeard(tree, control);
    test::verifyEveryNodeShowsAndEveryControlIsNamed(tree);
    for (const WelcomeHero* emblem : wizard->findChildren<WelcomeHero*>())
        QVERIFY(!tree.contains(emblem));
    QCOMPARE(bool(tree.find(QAccessible::Button, QStringLiteral("Back"))), screen != Screen::welcome);
}

QTEST_MAIN(WizardAccessibilityTest)
#include "tst_wizardaccessibility.moc"
