#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "State/ToolProvisioningStore.h"
#include "Support/SampleData.h"
#include "TestSupport/OnboardingHarness.h"
#include "Views/MainWindow.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/SidebarView.h"

#include <QPushButton>
#include <QtTest>

using namespace mivo;
using mivo::test::OnboardingHarness;
using Outcome = mivo::test::ScriptedHelperClient::Outcome;
using Mode = SetupCoordinator::Mode;
using Screen = SetupCoordinator::Screen;

class SetupSheetTest : public QObject {
    Q_OBJECT

private slots:
    void firstLaunchOpensTheFirstRun();
    void laterLaunchesOpenNothing();
    void anyWayOfClosingRecordsOnboarding_data();
    void anyWayOfClosingRecordsOnboarding();
    void reopeningReplacesTheWizard();
    void provisioningOutlivesTheWizard();
    void mainWindowOpensTheWizard();
};

void SetupSheetTest::firstLaunchOpensTheFirstRun()
{
    OnboardingHarness harness;
    harness.answerSampleReads();
    QWidget window;
    SetupSheet sheet(*harness.model, &window);
    sheet.startIfFirstLaunch();
    QTRY_VERIFY(sheet.scaffold());
    QVERIFY(harness.model->isOnboardingPresented());
    QCOMPARE(sheet.scaffold()->coordinator()->mode(), Mode::firstRun);
    QCOMPARE(sheet.scaffold()->parentWidget(), &window);
    QCOMPARE(sheet.scaffold()->windowModality(), Qt::WindowModal);
    QCOMPARE(sheet.scaffold()->size(), QSize(620, 560));
    QVERIFY(!harness.defaults->didOnboard());
}

void SetupSheetTest::laterLaunchesOpenNothing()
{
    OnboardingHarness harness;
    harness.defaults->setDidOnboard(true);
    QWidget window;
    SetupSheet sheet(*harness.model, &window);
    sheet.startIfFirstLaunch();
    QTest::qWait(20);
    QVERIFY(!sheet.scaffold());
    QVERIFY(!harness.model->isOnboardingPresented());
    QVERIFY(harness.client->sent().isEmpty());
}

void SetupSheetTest::anyWayOfClosingRecordsOnboarding_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("escape") << "escape";
    QTest::newRow("close button") << "close";
    QTest::newRow("finished") << "finish";
    QTest::newRow("hidden by the model") << "model";
}

void SetupSheetTest::anyWayOfClosingRecordsOnboarding()
{
    QFETCH(QString, how);
    OnboardingHarness harness;
    harness.answerSampleReads();
    QWidget window;
    window.show();
    SetupSheet sheet(*harness.model, &window);
    harness.model->beginOnboarding(Mode::firstRun);
    QTRY_VERIFY(sheet.scaffold());
    SetupScaffold* wizard = sheet.scaffold();
    const QPointer<SetupScaffold> alive(wizard);
    QVERIFY(QTest::qWaitForWindowExposed(wizard));

    if (how == u"escape") {
        QTest::keyClick(wizard, Qt::Key_Escape);
    } else if (how == u"close") {
        wizard->close();
    } else if (how == u"finish") {
        harness.client->enqueue(Method::setConfig, Outcome::result("{}"));
        SetupCoordinator* coordinator = wizard->coordinator();
        while (coordinator->currentScreen() != Screen::finish)
            coordinator->advance();
        wizard->attemptFinish();
    } else {
        harness.model->finishOnboarding();
    }
    QTRY_VERIFY(!harness.model->isOnboardingPresented());
    QTRY_VERIFY(alive.isNull());
    QVERIFY(!sheet.scaffold());
    QVERIFY(harness.defaults->didOnboard());

    // The next launch does not open it, and a later opening is a re-run.
    sheet.startIfFirstLaunch();
    QTest::qWait(20);
    QVERIFY(!sheet.scaffold());
    harness.model->beginOnboarding();
    QTRY_VERIFY(sheet.scaffold());
    QCOMPARE(sheet.scaffold()->coordinator()->mode(), Mode::reRun);
}

void SetupSheetTest::reopeningReplacesTheWizard()
{
    OnboardingHarness harness;
    harness.answerSampleReads();
    QWidget window;
    SetupSheet sheet(*harness.model, &window);
    harness.model->beginOnboarding(Mode::firstRun);
    QTRY_VERIFY(sheet.scaffold());
    const QPointer<SetupScaffold> first = sheet.scaffold();
    // The sync banner's Reconnect opens the wizard again while it is shown.
    harness.model->beginOnboarding(Mode::reRun);
    QTRY_VERIFY(sheet.scaffold() && sheet.scaffold() != first);
    QTRY_VERIFY(first.isNull());
    QCOMPARE(sheet.scaffold()->coordinator()->mode(), Mode::reRun);
    QVERIFY(harness.model->isOnboardingPresented());
}

void SetupSheetTest::provisioningOutlivesTheWizard()
{
    OnboardingHarness harness;
    harness.answerSampleReads();
    harness.client->setHoldReplies(true);
    harness.client->enqueue(Method::provisionTools,
        Outcome::encoded(ProvisionToolsResult { true,
            { ToolStatusDTO { "yt-dlp", "yt-dlp", "ok", {} },
                ToolStatusDTO { "ffmpeg", "ffmpeg", "ok", {} } } }));
    QWidget window;
    window.show();
    SetupSheet sheet(*harness.model, &window);
    harness.model->beginOnboarding(Mode::reRun);
    QTRY_VERIFY(sheet.scaffold());
    QVERIFY(QTest::qWaitForWindowExposed(sheet.scaffold()));
    ToolProvisioningStore* tools = harness.model->toolProvisioning();
    QTRY_COMPARE(tools->phase(), ToolProvisioningStore::Phase::running);

    QTest::keyClick(sheet.scaffold(), Qt::Key_Escape);
    QTRY_VERIFY(!sheet.scaffold());
    QCOMPARE(tools->phase(), ToolProvisioningStore::Phase::running);
    harness.client->release();
    QTRY_COMPARE(tools->phase(), ToolProvisioningStore::Phase::ready);
}

// Shown for the first time, the main window runs the first-launch rule; once
// that wizard was closed, its sidebar's "Open Setup" opens a re-run.
void SetupSheetTest::mainWindowOpensTheWizard()
{
    OnboardingHarness harness;
    harness.answerSampleReads();
    UpdaterModel updater(&harness.model->sync());
    MainWindow window(
        *harness.model, updater, MainWindow::Environment { nullptr, harness.defaults.get(), {} });
    window.show();
    QTRY_VERIFY(window.setupSheet()->scaffold());
    SetupScaffold* first = window.setupSheet()->scaffold();
    QCOMPARE(first->coordinator()->mode(), Mode::firstRun);
    QCOMPARE(first->parentWidget(), &window);
    QTest::keyClick(first, Qt::Key_Escape);
    QTRY_VERIFY(!window.setupSheet()->scaffold());
    QVERIFY(harness.defaults->didOnboard());

    QVERIFY(window.sidebar());
    window.sidebar()->openSetupButton()->click();
    QTRY_VERIFY(window.setupSheet()->scaffold());
    QCOMPARE(window.setupSheet()->scaffold()->coordinator()->mode(), Mode::reRun);
}

QTEST_MAIN(SetupSheetTest)
#include "tst_setupsheet.moc"
