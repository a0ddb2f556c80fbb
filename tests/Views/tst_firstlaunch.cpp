#include "TestSupport/PaneModel.h"
#include "TestSupport/StandInSession.h"
#include "Views/Onboarding/FinishScreen.h"
#include "Views/Onboarding/QualityOption.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Onboarding/SourceWarningWindow.h"
#include "Views/Onboarding/ToggleSwitch.h"
#include "Views/Onboarding/UnreadSettingsNotice.h"
#include "Views/Onboarding/WizardLabel.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QtTest>

using namespace mivo;
using mivo::test::StandInSession;
using Screen = SetupCoordinator::Screen;

namespace {

SetupScaffold* wizardOf(const StandInSession& session)
{
    return session.window->setupSheet()->scaffold();
}

// Presses the wizard's primary button on every screen up to the last one, as
// a user who changes nothing would.
// Shows the window over the stand-in and waits for the first-run wizard.
SetupScaffold* shownWizard(StandInSession& session)
{
    if (!session.showAndWaitForTheHelper()
        || !QTest::qWaitFor([&] { return wizardOf(session) != nullptr; }, 20000)
        || !QTest::qWaitForWindowExposed(wizardOf(session)))
        return nullptr;
    return wizardOf(session);
}

bool walkToTheEnd(SetupScaffold* wizard)
{
    auto* primary = wizard->findChild<QPushButton*>(QStringLiteral("primary"));
    SetupCoordinator* coordinator = wizard->coordinator();
    while (primary && coordinator && coordinator->currentScreen() != Screen::finish) {
        if (!QTest::qWaitFor([primary] { return primary->isEnabled(); }, 20000))
            return false;
        QTest::mouseClick(primary, Qt::LeftButton);
    }
    return coordinator && coordinator->currentScreen() == Screen::finish;
}

} // namespace

class FirstLaunchTest : public QObject {
    Q_OBJECT

private slots:
    void wizardShowsAndKeepsWhatTheHelperHolds();
    void afterAFailedReadOnlyTheChangedFieldIsWritten_data();
    void afterAFailedReadOnlyTheChangedFieldIsWritten();
    void afterAFailedReadNoListOrRecordIsWrittenFromAGuess();
    void closingDuringTheCommitStillFinishes();
    void nothingChangesWhileTheCommitIsHeld();
};

// The first launch over a configuration the helper already holds: the wizard
// opens only once the start-up read has ended, shows the stored values, and
// going through it without changing anything leaves the stored file as it was.
void FirstLaunchTest::wizardShowsAndKeepsWhatTheHelperHolds()
{
    StandInSession session({ { "MIVO_STANDIN_DELAY", "getConfig=300" } });
    const QByteArray before = session.storedBytes();
    bool configHeldWhenOpened = false;
    connect(session.model.get(), &AppModel::isOnboardingPresentedChanged, this, [&] {
        if (session.model->isOnboardingPresented())
            configHeldWhenOpened = session.model->settings() && session.model->settings()->config();
    });

    QVERIFY(session.showAndWaitForTheHelper());
    QTRY_VERIFY_WITH_TIMEOUT(wizardOf(session), 20000);
    QVERIFY(configHeldWhenOpened);

    SetupScaffold* wizard = wizardOf(session);
    SetupCoordinator* coordinator = wizard->coordinator();
    QCOMPARE(coordinator->mode(), SetupCoordinator::Mode::firstRun);
    QCOMPARE(coordinator->selectedSources(), QList<SourceId> { SourceId::soulseek });
    QCOMPARE(coordinator->outputDir(), QStringLiteral("~/MyDJ"));
    QVERIFY(coordinator->identityEnabled());
    QVERIFY(coordinator->identityStrict());
    QCOMPARE(coordinator->qualityProfile(), QualityProfile::fast);

    QVERIFY(walkToTheEnd(wizard));
    // The recap names what the helper holds, and nothing of the wizard's own defaults.
    auto* finish = qobject_cast<FinishScreen*>(wizard->screenWidget());
    QVERIFY(finish);
    QCOMPARE(coordinator->selectedSources(), QList<SourceId> { SourceId::soulseek });
    QCOMPARE(finish->sourcesValue()->fullText(), QStringLiteral("Soulseek"));
    QCOMPARE(finish->qualityValue()->fullText(), QStringLiteral("Fast"));
    QCOMPARE(
        finish->findChild<WizardLabel*>(QStringLiteral("folderPath"))->fullText(), QStringLiteral("~/MyDJ"));

    QTest::mouseClick(wizard->findChild<QPushButton*>(QStringLiteral("primary")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!session.model->isOnboardingPresented(), 20000);
    QTRY_VERIFY(!session.model->setupCoordinator());
    QVERIFY(!session.model->settings()->lastError());
    QCOMPARE(session.storedBytes(), before);
}

void FirstLaunchTest::afterAFailedReadOnlyTheChangedFieldIsWritten_data()
{
    QTest::addColumn<bool>("changeFolder");
    QTest::newRow("untouched") << false;
    QTest::newRow("folder chosen") << true;
}

// The start-up read fails: the wizard opens from its own defaults, and
// finishing it writes only what the user chose there, over what the helper
// holds but could not hand over.
void FirstLaunchTest::afterAFailedReadOnlyTheChangedFieldIsWritten()
{
    QFETCH(bool, changeFolder);
    StandInSession session({ { "MIVO_STANDIN_FAIL", "getConfig=engine_error" } });
    const QByteArray before = session.storedBytes();
    QVERIFY(session.showAndWaitForTheHelper());
    QTRY_VERIFY_WITH_TIMEOUT(wizardOf(session), 20000);
    SetupScaffold* wizard = wizardOf(session);
    const QPointer<SetupCoordinator> coordinator = wizard->coordinator();
    QVERIFY(!session.model->settings()->config());
    QCOMPARE(coordinator->outputDir(), QString::fromLatin1(SetupCoordinator::kDefaultOutputDir));
    QVERIFY(walkToTheEnd(wizard));
    // The recap is no setup of the user's: it says the settings could not be
    // read, with the helper's reason, and shows no default as a choice.
    auto* finish = qobject_cast<FinishScreen*>(wizard->screenWidget());
    QVERIFY(finish);
    QTRY_VERIFY(finish->unreadText()->isVisibleTo(wizard));
    QVERIFY(finish->unreadText()->text().startsWith(UnreadSettingsNotice::notice()));
    QVERIFY2(finish->unreadText()->text().contains(u"Simulated failure of getConfig"),
        qPrintable(finish->unreadText()->text()));
    for (WizardLabel* value : { finish->sourcesValue(), finish->qualityValue(), finish->folderValue() })
        QCOMPARE(value->fullText(), UnreadSettingsNotice::asStoredText());

    const QString folder = QDir(session.home()).filePath(QStringLiteral("Crates"));
    if (changeFolder) {
        QVERIFY(QDir().mkpath(folder));
        QTest::mouseClick(wizard->findChild<QPushButton*>(QStringLiteral("changeFolder")), Qt::LeftButton);
        auto* chooser = wizard->findChild<QFileDialog*>(QStringLiteral("folderChooser"));
        QVERIFY(chooser);
        chooser->selectFile(folder);
        static_cast<QDialog*>(chooser)->accept(); // QFileDialog hides it
        QCOMPARE(coordinator->outputDir(), folder);
        QCOMPARE(finish->folderValue()->fullText(), QStringLiteral("~/Crates"));
        QCOMPARE(finish->sourcesValue()->fullText(), UnreadSettingsNotice::asStoredText());
    }
    // Nothing says a playlist source is connected: the wizard asks before it finishes.
    QTest::mouseClick(wizard->findChild<QPushButton*>(QStringLiteral("primary")), Qt::LeftButton);
    SourceWarningWindow* warning = wizard->sourceWarning();
    QVERIFY(warning);
    QTest::mouseClick(warning->continueAnywayButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!coordinator || !coordinator->isCommitting(), 20000);

    if (!changeFolder) {
        // Nothing to write, nothing failed: the wizard is done.
        QTRY_VERIFY(!session.model->isOnboardingPresented());
        QCOMPARE(session.storedBytes(), before);
        return;
    }
    nlohmann::json expected = StandInSession::storedConfig();
    expected["outputDir"] = folder.toStdString();
    const nlohmann::json stored = nlohmann::json::parse(session.storedBytes().toStdString());
    for (const auto& [key, value] : expected.items())
        QVERIFY2(stored.value(key, nlohmann::json()) == value, key.c_str());
}

// The start-up read fails and the user touches every switch, check box and
// option the wizard still offers on its way to the end. The sources list and
// the identity pair, which it could not read, are offered as "As stored" and
// are never written; the quality profile, which the user sets whole, is. Each
// screen that holds such rows says why once, with a Try Again.
void FirstLaunchTest::afterAFailedReadNoListOrRecordIsWrittenFromAGuess()
{
    StandInSession session({ { "MIVO_STANDIN_FAIL", "getConfig=engine_error" } });
    SetupScaffold* wizard = shownWizard(session);
    QVERIFY(wizard);
    const QPointer<SetupCoordinator> coordinator = wizard->coordinator();
    QVERIFY(!coordinator->hasStoredSettings());
    auto* primary = wizard->findChild<QPushButton*>(QStringLiteral("primary"));
    int notices = 0;
    while (coordinator->currentScreen() != Screen::finish) {
        QWidget* screen = wizard->screenWidget();
        QTRY_VERIFY(screen->isVisibleTo(wizard));
        const auto* notice = screen->findChild<UnreadSettingsNotice*>();
        if (notice && notice->isVisibleTo(wizard)) {
            ++notices;
            QVERIFY(notice->tryAgainButton()->isVisibleTo(wizard));
            QCOMPARE(notice->text()->text().count(QStringLiteral("Simulated failure of getConfig")), 1);
        }
        for (QAbstractButton* control : screen->findChildren<QAbstractButton*>()) {
            const bool offered = control->isVisibleTo(wizard) && control->isEnabled();
            if (offered && (qobject_cast<ToggleSwitch*>(control) || qobject_cast<QCheckBox*>(control)))
                QTest::mouseClick(control, Qt::LeftButton);
        }
        for (QualityOption* option : screen->findChildren<QualityOption*>()) {
            QVERIFY(!option->isChecked()); // no default shown as the stored profile
            if (option->info().id == QualityProfile::best)
                QTest::mouseClick(option, Qt::LeftButton);
        }
        QVERIFY(QTest::qWaitFor([primary] { return primary->isEnabled(); }, 20000));
        QTest::mouseClick(primary, Qt::LeftButton);
    }
    QCOMPARE(notices, 3); // connect music, download sources, fine tuning
    QCOMPARE(coordinator->pendingChanges(), (ConfigPatch { .quality = toQuality(QualityProfile::best) }));

    auto* finish = qobject_cast<FinishScreen*>(wizard->screenWidget());
    QVERIFY(finish);
    QCOMPARE(finish->unreadText()->text().count(QStringLiteral("Simulated failure of getConfig")), 1);
    QCOMPARE(finish->playlistValue()->fullText(), UnreadSettingsNotice::asStoredText());
    QVERIFY(!finish->noneYetPill()->isVisibleTo(wizard));
    QCOMPARE(finish->sourcesValue()->fullText(), UnreadSettingsNotice::asStoredText());
    QCOMPARE(finish->qualityValue()->fullText(), QStringLiteral("Best"));
    QCOMPARE(finish->folderValue()->fullText(), UnreadSettingsNotice::asStoredText());

    QTest::mouseClick(primary, Qt::LeftButton);
    SourceWarningWindow* warning = wizard->sourceWarning();
    QVERIFY(warning);
    QTest::mouseClick(warning->continueAnywayButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!session.model->isOnboardingPresented(), 20000);
    QVERIFY(session.helperCaughtUp());
    nlohmann::json expected = StandInSession::storedConfig();
    expected["quality"] = { { "floor", "any" }, { "losslessOnly", false }, { "bestQuality", true },
        { "upgradeEnabled", true } };
    const nlohmann::json stored = nlohmann::json::parse(session.storedBytes().toStdString());
    for (const auto& [key, value] : expected.items())
        QVERIFY2(stored.value(key, nlohmann::json()) == value,
            (key + ": " + stored.value(key, nlohmann::json()).dump()).c_str());
}

// Escape while the commit waits for the helper: the commit still runs to its
// end and the wizard's last step (dropping the coordinator, reading everything
// again) still happens; a failed commit shows in the sync banner.
void FirstLaunchTest::closingDuringTheCommitStillFinishes()
{
    StandInSession session(
        { { "MIVO_STANDIN_DELAY", "setConfig=300" }, { "MIVO_STANDIN_FAIL", "setConfig=engine_error" } });
    SetupScaffold* wizard = shownWizard(session);
    QVERIFY(wizard);
    const QPointer<SetupCoordinator> coordinator = wizard->coordinator();
    QVERIFY(walkToTheEnd(wizard));
    coordinator->setOutputDir(QDir(session.home()).filePath(QStringLiteral("Crates")));
    QTest::mouseClick(wizard->findChild<QPushButton*>(QStringLiteral("primary")), Qt::LeftButton);
    QVERIFY(coordinator->isCommitting());
    QTest::keyClick(wizard, Qt::Key_Escape);
    QTRY_VERIFY(!wizardOf(session));

    QTRY_VERIFY_WITH_TIMEOUT(coordinator.isNull(), 20000);
    QVERIFY(!session.model->setupCoordinator());
    QVERIFY(session.defaults->didOnboard());
    const std::optional<SyncBanner> banner = session.model->sync().banner();
    QVERIFY(banner);
    QCOMPARE(banner->kind, SyncBanner::Kind::error);
    QVERIFY2(banner->message.contains(QStringLiteral("Simulated failure of setConfig")),
        qPrintable(banner->message));
}

// While the commit waits for the helper, Back and the screen's controls are
// off: the fine-tuning screen cannot come back live, so nothing is changed
// that the closing wizard would then drop. The folder chosen before is stored.
void FirstLaunchTest::nothingChangesWhileTheCommitIsHeld()
{
    StandInSession session({ { "MIVO_STANDIN_DELAY", "setConfig=1000" } });
    SetupScaffold* wizard = shownWizard(session);
    QVERIFY(wizard);
    const QPointer<SetupCoordinator> coordinator = wizard->coordinator();
    QVERIFY(walkToTheEnd(wizard));
    const QString folder = QDir(session.home()).filePath(QStringLiteral("Crates"));
    coordinator->setOutputDir(folder);

    auto* back = wizard->findChild<QPushButton*>(QStringLiteral("back"));
    auto* change = wizard->findChild<QPushButton*>(QStringLiteral("changeFolder"));
    QVERIFY(back && change && back->isEnabled() && change->isEnabled());
    QTest::mouseClick(wizard->findChild<QPushButton*>(QStringLiteral("primary")), Qt::LeftButton);
    QVERIFY(coordinator->isCommitting());
    QVERIFY(!back->isEnabled());
    QVERIFY(!change->isEnabled());
    QTest::mouseClick(back, Qt::LeftButton);
    QTest::keyClick(wizard, Qt::Key_Return);
    QCOMPARE(coordinator->currentScreen(), Screen::finish);

    QTRY_VERIFY_WITH_TIMEOUT(!session.model->isOnboardingPresented(), 20000);
    QVERIFY(session.helperCaughtUp());
    const nlohmann::json stored = nlohmann::json::parse(session.storedBytes().toStdString());
    QCOMPARE(QString::fromStdString(stored.value("outputDir", std::string())), folder);
    QCOMPARE(stored.value("sources", nlohmann::json()), StandInSession::storedConfig()["sources"]);
}

QTEST_MAIN(FirstLaunchTest)
#include "tst_firstlaunch.moc"
