#include "TestSupport/StandInSession.h"
#include "Views/ContentUnavailableView.h"
#include "Views/Onboarding/DownloadSourcesScreen.h"
#include "Views/Onboarding/FinishScreen.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Onboarding/SourceRow.h"
#include "Views/Onboarding/ToggleSwitch.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/Settings/SettingsWindow.h"
#include "Views/Settings/SourceOrderModel.h"
#include "Views/Settings/SourceRowDelegate.h"
#include "Views/Settings/SourcesSettings.h"
#include "Views/SidebarView.h"

#include <QListView>
#include <QPushButton>
#include <QtTest>

using namespace mivo;
using mivo::test::StandInSession;
using Mode = SetupCoordinator::Mode;
using Screen = SetupCoordinator::Screen;

namespace {

// The Settings window's tabs used here.
constexpr int kGeneralPane = 0;
constexpr int kSourcesPane = 2;

SetupScaffold* wizardOf(const StandInSession& session)
{
    return session.window->setupSheet()->scaffold();
}

QPushButton* primaryOf(SetupScaffold* wizard)
{
    return wizard->findChild<QPushButton*>(QStringLiteral("primary"));
}

// Presses the wizard's primary button up to the given screen, as a user who
// changes nothing on the way.
bool walkTo(SetupScaffold* wizard, Screen screen)
{
    QPushButton* primary = primaryOf(wizard);
    SetupCoordinator* coordinator = wizard->coordinator();
    while (primary && coordinator && coordinator->currentScreen() != screen) {
        if (coordinator->isLast()
            || !QTest::qWaitFor([primary] { return primary->isEnabled(); }, 20000))
            return false;
        QTest::mouseClick(primary, Qt::LeftButton);
    }
    return coordinator && coordinator->currentScreen() == screen;
}

// Presses "Start Using mivo" and waits until the wizard is gone and the helper
// has taken whatever was sent.
bool finishWizard(StandInSession& session)
{
    SetupScaffold* wizard = wizardOf(session);
    if (!wizard || !walkTo(wizard, Screen::finish))
        return false;
    QTest::mouseClick(primaryOf(wizard), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return !session.model->isOnboardingPresented(); }, 20000))
        return false;
    return session.helperCaughtUp();
}

nlohmann::json storedJson(const StandInSession& session)
{
    return nlohmann::json::parse(session.storedBytes().toStdString(), nullptr, false);
}

std::unique_ptr<SettingsWindow> openSettings(StandInSession& session, int pane)
{
    auto window = std::make_unique<SettingsWindow>(*session.model, *session.updater, *session.defaults);
    window->setCurrentPane(pane);
    window->show();
    return window;
}

} // namespace

class WizardWithSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void reRunKeepsWhatSettingsChangedMeanwhile_data();
    void reRunKeepsWhatSettingsChangedMeanwhile();
    void settingsDuringTheStartupReadKeepTheStoredFile_data();
    void settingsDuringTheStartupReadKeepTheStoredFile();
    void theStartupReadDecidesTheFirstRun();
};

void WizardWithSettingsTest::reRunKeepsWhatSettingsChangedMeanwhile_data()
{
    QTest::addColumn<bool>("qualityChangedInTheWizard");
    QTest::newRow("wizard untouched") << false;
    QTest::newRow("quality changed in the wizard") << true;
}

// Settings › General › "Re-run Setup Wizard…", then Bandcamp switched on in
// Settings › Sources while the wizard is open: the wizard's recap shows it,
// and finishing the wizard keeps it, writing only what was changed there.
void WizardWithSettingsTest::reRunKeepsWhatSettingsChangedMeanwhile()
{
    QFETCH(bool, qualityChangedInTheWizard);
    StandInSession session;
    session.defaults->setDidOnboard(true);
    QVERIFY(session.showAndWaitForTheHelper());
    QTRY_VERIFY_WITH_TIMEOUT(session.model->settings()->config(), 20000);
    std::unique_ptr<SettingsWindow> settings = openSettings(session, kGeneralPane);
    QVERIFY(QTest::qWaitForWindowExposed(settings.get()));

    QPushButton* rerun = nullptr;
    for (QPushButton* button : settings->pane(kGeneralPane)->findChildren<QPushButton*>()) {
        if (button->text() == u"Re-run Setup Wizard…")
            rerun = button;
    }
    QVERIFY(rerun);
    QTest::mouseClick(rerun, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(wizardOf(session), 20000);
    SetupScaffold* wizard = wizardOf(session);
    QCOMPARE(wizard->coordinator()->mode(), Mode::reRun);

    settings->setCurrentPane(kSourcesPane);
    auto* sources = qobject_cast<SourcesSettings*>(settings->pane(kSourcesPane));
    QVERIFY(sources);
    QCOMPARE(sources->orderModel()->order().value(1), SourceId::bandcamp);
    const QRect bandcampRow = sources->list()->visualRect(sources->orderModel()->index(1));
    QTest::mouseClick(
        sources->list()->viewport(), Qt::LeftButton, {}, SourceRowDelegate::switchRect(bandcampRow).center());
    const nlohmann::json both = nlohmann::json::array({ "soulseek", "bandcamp" });
    QTRY_VERIFY_WITH_TIMEOUT(storedJson(session).value("sources", nlohmann::json()) == both, 20000);

    QVERIFY(walkTo(wizard, Screen::finish));
    auto* finish = qobject_cast<FinishScreen*>(wizard->screenWidget());
    QVERIFY(finish);
    QCOMPARE(finish->sourcesValue()->fullText(), QStringLiteral("Soulseek, Bandcamp"));
    if (qualityChangedInTheWizard)
        wizard->coordinator()->setQualityProfile(QualityProfile::best);
    QVERIFY(finishWizard(session));

    nlohmann::json expected = StandInSession::storedConfig();
    expected["sources"] = both;
    if (qualityChangedInTheWizard)
        expected["quality"]
            = { { "floor", "any" }, { "losslessOnly", false }, { "bestQuality", true }, { "upgradeEnabled", true } };
    const nlohmann::json stored = storedJson(session);
    for (const auto& [key, value] : expected.items())
        QVERIFY2(stored.value(key, nlohmann::json()) == value, key.c_str());
}

void WizardWithSettingsTest::settingsDuringTheStartupReadKeepTheStoredFile_data()
{
    QTest::addColumn<bool>("switchBandcamp");
    QTest::newRow("wizard untouched") << false;
    QTest::newRow("one switch in the wizard") << true;
}

// The first launch's read is held back and Settings opens meanwhile (its own
// read supersedes the start-up one): the first-run wizard still opens only
// with the stored configuration, and finishing it untouched leaves the file
// byte for byte; one switch changed stores that switch and nothing else.
void WizardWithSettingsTest::settingsDuringTheStartupReadKeepTheStoredFile()
{
    QFETCH(bool, switchBandcamp);
    StandInSession session({ { "MIVO_STANDIN_DELAY", "getConfig=1500" } });
    const QByteArray before = session.storedBytes();
    bool configHeldWhenOpened = false;
    connect(session.model.get(), &AppModel::isOnboardingPresentedChanged, this, [&] {
        if (session.model->isOnboardingPresented())
            configHeldWhenOpened = bool(session.model->settings()->config());
    });

    QVERIFY(session.showAndWaitForTheHelper());
    QVERIFY(session.model->isReadingStartupConfig());
    std::unique_ptr<SettingsWindow> settings = openSettings(session, kGeneralPane);
    QVERIFY(!wizardOf(session));

    QTRY_VERIFY_WITH_TIMEOUT(wizardOf(session), 20000);
    QVERIFY(configHeldWhenOpened);
    SetupScaffold* wizard = wizardOf(session);
    SetupCoordinator* coordinator = wizard->coordinator();
    QCOMPARE(coordinator->mode(), Mode::firstRun);
    QVERIFY(coordinator->hasStoredSettings());
    QCOMPARE(coordinator->selectedSources(), QList { SourceId::soulseek });
    QCOMPARE(coordinator->outputDir(), QStringLiteral("~/MyDJ"));

    if (switchBandcamp) {
        QVERIFY(walkTo(wizard, Screen::downloadSources));
        auto* screen = qobject_cast<DownloadSourcesScreen*>(wizard->screenWidget());
        QVERIFY(screen);
        QTest::mouseClick(screen->rows().at(1)->toggle(), Qt::LeftButton);
        QCOMPARE(coordinator->selectedSources(), (QList { SourceId::soulseek, SourceId::bandcamp }));
    }
    QVERIFY(finishWizard(session));
    QVERIFY(!session.model->settings()->lastError());

    if (!switchBandcamp) {
        QCOMPARE(session.storedBytes(), before);
        return;
    }
    nlohmann::json expected = StandInSession::storedConfig();
    expected["sources"] = nlohmann::json::array({ "soulseek", "bandcamp" });
    const nlohmann::json stored = storedJson(session);
    for (const auto& [key, value] : expected.items())
        QVERIFY2(stored.value(key, nlohmann::json()) == value, key.c_str());
}

// Until the start-up read has ended the sidebar says it is loading (not "No
// Playlists Yet" with "Open Setup"), and a re-run asked for meanwhile (as
// Settings' "Re-run Setup Wizard…" would) does not take the place of the
// first run that "didOnboard" calls for.
void WizardWithSettingsTest::theStartupReadDecidesTheFirstRun()
{
    StandInSession session({ { "MIVO_STANDIN_DELAY", "getConfig=1500" } });
    QVERIFY(session.showAndWaitForTheHelper());
    QVERIFY(session.model->isReadingStartupConfig());
    SidebarView* sidebar = session.window->sidebar();
    QVERIFY(sidebar);
    QCOMPARE(sidebar->content(), SidebarView::Content::loading);
    QVERIFY(!sidebar->openSetupButton()->isVisibleTo(sidebar));

    session.model->beginOnboarding(Mode::reRun);
    QTRY_VERIFY_WITH_TIMEOUT(wizardOf(session), 20000);
    SetupCoordinator* coordinator = wizardOf(session)->coordinator();
    QCOMPARE(coordinator->mode(), Mode::firstRun);
    QCOMPARE(coordinator->currentScreen(), Screen::welcome);
    QVERIFY(coordinator->hasStoredSettings());
    QTRY_COMPARE_WITH_TIMEOUT(sidebar->content(), SidebarView::Content::list, 20000);
}

QTEST_MAIN(WizardWithSettingsTest)
#include "tst_wizardwithsettings.moc"
