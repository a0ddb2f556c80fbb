#include "App/AppModel.h"
#include "State/ToolProvisioningStore.h"
#include "Styling/AppStyle.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/PreviewPalettes.h"
#include "Support/SampleData.h"
#include "TestSupport/OnboardingHarness.h"
#include "TestSupport/TaskProbe.h"
#include "Views/Onboarding/FinishScreen.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SourceWarningWindow.h"
#include "Views/Settings/FormText.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Onboarding/WizardLabel.h"

#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

using namespace mivo;
using mivo::test::OnboardingHarness;
using Outcome = mivo::test::ScriptedHelperClient::Outcome;
using Mode = SetupCoordinator::Mode;
using Screen = SetupCoordinator::Screen;

namespace {

QPushButton* button(QWidget* root, const char* name)
{
    return root->findChild<QPushButton*>(QString::fromLatin1(name));
}

QString dotsText(QWidget* root)
{
    QWidget* dots = root->findChild<QWidget*>(QStringLiteral("stepDots"));
    return dots ? dots->accessibleName() : QString();
}

ProvisionToolsResult toolsResult(bool ok)
{
    return ProvisionToolsResult { ok,
        { ToolStatusDTO { "yt-dlp", "yt-dlp", ok ? "ok" : "error", {} },
            ToolStatusDTO { "ffmpeg", "ffmpeg", ok ? "ok" : "error", {} } } };
}

// Provisions the tools to the end through the scripted helper.
void provision(OnboardingHarness& harness, bool ok)
{
    harness.client->enqueue(Method::provisionTools, Outcome::encoded(toolsResult(ok)));
    QCoro::waitFor(harness.model->toolProvisioning()->provision());
}

SafeConfig configWith(bool spotify, QualityFloor floor = QualityFloor::any, bool losslessOnly = false)
{
    SafeConfig config = SampleData::sampleConfig();
    config.appleMusicConnected = false;
    config.spotifyConnected = spotify;
    config.quality.floor = floor;
    config.quality.losslessOnly = losslessOnly;
    return config;
}

// The helper takes the next configuration patch and answers the read after it.
void acceptSave(OnboardingHarness& harness, const SafeConfig& config)
{
    harness.client->enqueue(Method::setConfig, Outcome::result("{}"));
    harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));
}

void goToFinish(SetupCoordinator& coordinator)
{
    while (coordinator.currentScreen() != Screen::finish)
        coordinator.advance();
}

const std::optional<ConfigPatch> patchSent(const OnboardingHarness& harness)
{
    for (const Request& request : harness.sentRequests()) {
        if (const auto* setConfig = std::get_if<Request::SetConfig>(&request.value))
            return setConfig->patch;
    }
    return std::nullopt;
}

// The wizard without motion, so that each screen stands in place at once, in
// the application's style, with the font scaled by `fontScale`.
struct StillWizard {
    explicit StillWizard(qreal fontScale = 1)
        : savedFont(QApplication::font())
    {
        QApplication::setStyle(new AppStyle);
        QFont font = savedFont;
        font.setPointSizeF(savedFont.pointSizeF() * fontScale);
        QApplication::setFont(font);
        harness.loadConfig(SampleData::sampleConfig());
        GlassResolver policy;
        policy.reduceMotion = true;
        GlassEnvironment::set(&window, policy);
        coordinator = std::make_unique<SetupCoordinator>(Mode::firstRun, harness.model.get());
        wizard = new SetupScaffold(*coordinator, *harness.model, &window);
        window.show();
        wizard->show();
    }
    ~StillWizard() { QApplication::setFont(savedFont); }

    QScrollArea* scroll() const { return wizard->findChild<QScrollArea*>(QStringLiteral("screenScroll")); }
    // Lets the scroll area follow the screen's layout.
    void settle() const
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    QFont savedFont;
    OnboardingHarness harness;
    QWidget window;
    std::unique_ptr<SetupCoordinator> coordinator;
    SetupScaffold* wizard = nullptr;
};

} // namespace

class SetupScaffoldTest : public QObject {
    Q_OBJECT

private slots:
    void footerFollowsScreenAndMode_data();
    void footerFollowsScreenAndMode();
    void headerOnlyOnMiddleScreens();
    void returnPressesOnlyAnEnabledPrimary();
    void sourceWarning();
    void sourceWarningClosedWithoutAChoice_data();
    void sourceWarningClosedWithoutAChoice();
    void reRunNeverWarns();
    void failedCommitStaysOpenAndSaysWhy();
    void reRunKeepsAStoredFloor();
    void screenChangeSlidesUnlessMotionIsReduced_data();
    void screenChangeSlidesUnlessMotionIsReduced();
    void pageScrollsOnlyAsFarAsItsScreen_data();
    void pageScrollsOnlyAsFarAsItsScreen();
    void scrollBarTrackIsThePage();
};

void SetupScaffoldTest::footerFollowsScreenAndMode_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("advances");
    QTest::addColumn<QString>("tools"); // idle, running, ready
    QTest::addColumn<bool>("backShown");
    QTest::addColumn<bool>("backEnabled");
    QTest::addColumn<bool>("skipShown");
    QTest::addColumn<QString>("primary");
    QTest::addColumn<bool>("primaryEnabled");
    QTest::addColumn<QString>("dots");

    const QString go = QStringLiteral("Continue");
    // First run.
    QTest::newRow("first: welcome") << Mode::firstRun << 0 << "idle" << false << true << false
                                    << "Get Started" << true << "Step 1 of 6";
    QTest::newRow("first: tools idle")
        << Mode::firstRun << 1 << "idle" << true << true << false << go << false << "Step 2 of 6";
    QTest::newRow("first: tools running")
        << Mode::firstRun << 1 << "running" << true << false << false << go << false << "Step 2 of 6";
    QTest::newRow("first: tools ready")
        << Mode::firstRun << 1 << "ready" << true << true << false << go << true << "Step 2 of 6";
    QTest::newRow("first: connect") << Mode::firstRun << 2 << "ready" << true << true << true << go << true
                                    << "Step 3 of 6";
    QTest::newRow("first: connect, tools running")
        << Mode::firstRun << 2 << "running" << true << true << true << go << true << "Step 3 of 6";
    QTest::newRow("first: sources") << Mode::firstRun << 3 << "ready" << true << true << true << go << true
                                    << "Step 4 of 6";
    QTest::newRow("first: fine tuning")
        << Mode::firstRun << 4 << "ready" << true << true << true << go << true << "Step 5 of 6";
    QTest::newRow("first: finish") << Mode::firstRun << 5 << "ready" << true << true << false
                                   << "Start Using mivo" << true << "Step 6 of 6";
    // Re-run: no welcome.
    QTest::newRow("re-run: tools running")
        << Mode::reRun << 0 << "running" << false << false << false << go << false << "Step 1 of 5";
    QTest::newRow("re-run: tools ready")
        << Mode::reRun << 0 << "ready" << false << true << false << go << true << "Step 1 of 5";
    QTest::newRow("re-run: connect") << Mode::reRun << 1 << "ready" << true << true << true << go << true
                                     << "Step 2 of 5";
    QTest::newRow("re-run: finish") << Mode::reRun << 4 << "ready" << true << true << false
                                    << "Start Using mivo" << true << "Step 5 of 5";
}

void SetupScaffoldTest::footerFollowsScreenAndMode()
{
    QFETCH(Mode, mode);
    QFETCH(int, advances);
    QFETCH(QString, tools);
    QFETCH(bool, backShown);
    QFETCH(bool, backEnabled);
    QFETCH(bool, skipShown);
    QFETCH(QString, primary);
    QFETCH(bool, primaryEnabled);
    QFETCH(QString, dots);

    OnboardingHarness harness;
    SetupCoordinator coordinator(mode, harness.model.get());
    SetupScaffold wizard(coordinator, *harness.model);
    for (int step = 0; step < advances; ++step)
        coordinator.advance();

    std::optional<test::TaskProbe<void>> running;
    if (tools == u"ready") {
        provision(harness, true);
    } else if (tools == u"running") {
        harness.client->setHoldReplies(true);
        harness.client->enqueue(Method::provisionTools, Outcome::encoded(toolsResult(true)));
        running.emplace(harness.model->toolProvisioning()->provision());
    }

    QCOMPARE(button(&wizard, "back")->isVisibleTo(&wizard), backShown);
    QCOMPARE(button(&wizard, "back")->isEnabled(), backEnabled);
    QCOMPARE(button(&wizard, "skip")->isVisibleTo(&wizard), skipShown);
    QCOMPARE(button(&wizard, "primary")->text(), primary);
    QCOMPARE(button(&wizard, "primary")->isEnabled(), primaryEnabled);
    QCOMPARE(dotsText(&wizard), dots);
    // Only the primary button is a default button.
    for (QPushButton* other : wizard.findChildren<QPushButton*>()) {
        if (other != button(&wizard, "primary"))
            QVERIFY2(!other->isDefault() && !other->autoDefault(), qPrintable(other->text()));
    }

    if (running) {
        harness.client->release();
        QTRY_VERIFY(running->isDone());
        QVERIFY(button(&wizard, "primary")->isEnabled());
        QVERIFY(button(&wizard, "back")->isEnabled());
    }
}

void SetupScaffoldTest::headerOnlyOnMiddleScreens()
{
    OnboardingHarness harness;
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    SetupScaffold wizard(coordinator, *harness.model);
    const QStringList titles { QString(), QStringLiteral("Getting things ready"),
        QStringLiteral("Connect your music"), QStringLiteral("Service setup"),
        QStringLiteral("Quality & downloads"), QString() };
    for (const QString& title : titles) {
        bool shown = false;
        for (WizardLabel* label : wizard.findChildren<WizardLabel*>()) {
            if (label->text() == title && label->isVisibleTo(&wizard))
                shown = true;
        }
        QCOMPARE(shown, !title.isEmpty());
        QVERIFY(wizard.screenWidget());
        coordinator.advance();
    }
}

void SetupScaffoldTest::returnPressesOnlyAnEnabledPrimary()
{
    OnboardingHarness harness;
    harness.client->setHoldReplies(true);
    harness.client->enqueue(Method::provisionTools, Outcome::encoded(toolsResult(true)));
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    SetupScaffold wizard(coordinator, *harness.model);
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));

    QTest::keyClick(&wizard, Qt::Key_Return);
    QCOMPARE(coordinator.currentScreen(), Screen::prepareTools);
    // The tools screen started the provisioning; until it is done Return does nothing.
    QTRY_COMPARE(harness.model->toolProvisioning()->phase(), ToolProvisioningStore::Phase::running);
    QTest::keyClick(&wizard, Qt::Key_Return);
    QCOMPARE(coordinator.currentScreen(), Screen::prepareTools);
    harness.client->release();
    QTRY_COMPARE(harness.model->toolProvisioning()->phase(), ToolProvisioningStore::Phase::ready);
    QTest::keyClick(&wizard, Qt::Key_Return);
    QCOMPARE(coordinator.currentScreen(), Screen::connectMusic);
}

void SetupScaffoldTest::sourceWarning()
{
    OnboardingHarness harness;
    harness.loadConfig(configWith(false));
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    SetupScaffold wizard(coordinator, *harness.model);
    // Shown, as the wizard is: a failed commit then leaves it open.
    harness.model->setOnboardingPresented(true);
    goToFinish(coordinator);

    button(&wizard, "primary")->click();
    SourceWarningWindow* warning = wizard.sourceWarning();
    QVERIFY(warning);
    QVERIFY(!qobject_cast<QMessageBox*>(static_cast<QDialog*>(warning)));
    QCOMPARE(warning->title()->text(), QStringLiteral("Continue without a playlist source?"));
    QVERIFY(warning->message()->text().contains(u"nothing to sync until you do."));
    QVERIFY(warning->title()->wordWrap() && warning->message()->wordWrap());
    // The two ways on, in this order, the first the default.
    QList<QPushButton*> choices = warning->findChildren<QPushButton*>();
    std::sort(choices.begin(), choices.end(), [warning](QPushButton* a, QPushButton* b) {
        return warning->layout()->indexOf(a) < warning->layout()->indexOf(b);
    });
    QCOMPARE(choices.size(), 2);
    QCOMPARE(choices.at(0)->text(), QStringLiteral("Connect a Source"));
    QCOMPARE(choices.at(1)->text(), QStringLiteral("Continue Anyway"));
    QVERIFY(choices.at(0)->isDefault() && !choices.at(1)->isDefault() && !choices.at(1)->autoDefault());
    QVERIFY(harness.client->sent().isEmpty());
    warning->connectSourceButton()->click();
    QCOMPARE(coordinator.currentScreen(), Screen::connectMusic);
    QCOMPARE(dotsText(&wizard), QStringLiteral("Step 3 of 6"));
    QTRY_VERIFY(!wizard.sourceWarning());

    // Back at the end, going on anyway saves; the save fails, and the next
    // attempt asks no more.
    goToFinish(coordinator);
    button(&wizard, "primary")->click();
    QVERIFY(wizard.sourceWarning());
    harness.client->enqueue(
        Method::setConfig, Outcome::engineError("bad_config", "The folder is not writable."));
    coordinator.setOutputDir(QStringLiteral("~/Crates"));
    wizard.sourceWarning()->continueAnywayButton()->click();
    QTRY_VERIFY(coordinator.lastError().has_value());
    QVERIFY(coordinator.dismissedSourceWarning());
    QTRY_VERIFY(!wizard.sourceWarning());

    acceptSave(harness, configWith(false));
    harness.model->setOnboardingPresented(true);
    button(&wizard, "primary")->click();
    QVERIFY(!wizard.sourceWarning());
    QTRY_VERIFY(!harness.model->isOnboardingPresented());
    QCOMPARE(coordinator.lastError(), std::nullopt);
}

void SetupScaffoldTest::sourceWarningClosedWithoutAChoice_data()
{
    QTest::addColumn<bool>("escape"); // else the title bar's close button
    QTest::newRow("Escape") << true;
    QTest::newRow("close button") << false;
}

// Closed without a choice, the source-warning window leaves the wizard on its
// finish screen with nothing saved, and the next attempt asks again.
void SetupScaffoldTest::sourceWarningClosedWithoutAChoice()
{
    QFETCH(bool, escape);
    OnboardingHarness harness;
    harness.loadConfig(configWith(false));
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    SetupScaffold wizard(coordinator, *harness.model);
    harness.model->setOnboardingPresented(true);
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    goToFinish(coordinator);
    coordinator.setOutputDir(QStringLiteral("~/Crates"));

    button(&wizard, "primary")->click();
    const QPointer<SourceWarningWindow> warning = wizard.sourceWarning();
    QVERIFY(warning);
    QVERIFY(QTest::qWaitForWindowExposed(warning));
    QCOMPARE(warning->parentWidget(), &wizard);
    QVERIFY(warning->isModal());
    if (escape)
        QTest::keyClick(warning, Qt::Key_Escape);
    else
        QVERIFY(warning->close());
    QTRY_VERIFY(!warning);
    QVERIFY(!wizard.sourceWarning());
    QCOMPARE(coordinator.currentScreen(), Screen::finish);
    QVERIFY(!coordinator.dismissedSourceWarning());
    QVERIFY(!coordinator.isCommitting());
    QVERIFY(harness.client->sent().isEmpty());
    QVERIFY(wizard.isVisible() && harness.model->isOnboardingPresented());

    button(&wizard, "primary")->click();
    QVERIFY(wizard.sourceWarning());
    // Return takes the default: back to the connect screen.
    QTest::keyClick(wizard.sourceWarning(), Qt::Key_Return);
    QCOMPARE(coordinator.currentScreen(), Screen::connectMusic);
}

void SetupScaffoldTest::reRunNeverWarns()
{
    OnboardingHarness harness;
    harness.loadConfig(configWith(false));
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    SetupScaffold wizard(coordinator, *harness.model);
    goToFinish(coordinator);
    acceptSave(harness, configWith(false));
    harness.model->setOnboardingPresented(true);
    button(&wizard, "primary")->click();
    QVERIFY(!wizard.sourceWarning());
    QTRY_VERIFY(!harness.model->isOnboardingPresented());
}

void SetupScaffoldTest::failedCommitStaysOpenAndSaysWhy()
{
    OnboardingHarness harness;
    harness.loadConfig(configWith(true));
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    SetupScaffold wizard(coordinator, *harness.model);
    harness.model->setOnboardingPresented(true);
    goToFinish(coordinator);
    auto* finish = qobject_cast<FinishScreen*>(wizard.screenWidget());
    QVERIFY(finish);
    QVERIFY(!finish->errorText()->isVisibleTo(&wizard));

    coordinator.setOutputDir(QStringLiteral("/mnt/readonly"));
    harness.client->setHoldReplies(true);
    harness.client->enqueue(
        Method::setConfig, Outcome::engineError("bad_config", "The folder is not writable."));
    button(&wizard, "primary")->click();
    QVERIFY(coordinator.isCommitting());
    // While the commit runs nothing can start another one or change a choice
    // that would then not be saved: not Back, not the folder's button.
    for (const char* name : { "primary", "back", "changeFolder" })
        QVERIFY2(!button(&wizard, name)->isEnabled(), name);
    harness.client->release();
    QTRY_VERIFY(!coordinator.isCommitting());

    QVERIFY(harness.model->isOnboardingPresented());
    for (const char* name : { "primary", "back", "changeFolder" })
        QVERIFY2(button(&wizard, name)->isEnabled(), name);
    QVERIFY(finish->errorText()->isVisibleTo(&wizard));
    QCOMPARE(finish->errorText()->text(), QStringLiteral("The folder is not writable."));
}

void SetupScaffoldTest::reRunKeepsAStoredFloor()
{
    OnboardingHarness harness;
    harness.loadConfig(configWith(true, QualityFloor::flac, true));
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    SetupScaffold wizard(coordinator, *harness.model);
    provision(harness, true);
    harness.client->clearSent();
    // Through every screen with the footer's buttons.
    for (const char* name : { "primary", "skip", "primary", "primary" })
        button(&wizard, name)->click();
    QCOMPARE(coordinator.currentScreen(), Screen::finish);
    // Only the folder changed: the patch says nothing of quality.
    coordinator.setOutputDir(QStringLiteral("~/Crates"));
    acceptSave(harness, configWith(true));
    button(&wizard, "primary")->click();
    QTRY_VERIFY(patchSent(harness).has_value());
    ConfigPatch folderOnly;
    folderOnly.outputDir = QStringLiteral("~/Crates");
    QCOMPARE(*patchSent(harness), folderOnly);
}

void SetupScaffoldTest::screenChangeSlidesUnlessMotionIsReduced_data()
{
    QTest::addColumn<bool>("reduceMotion");
    QTest::newRow("motion") << false;
    QTest::newRow("reduced motion") << true;
}

void SetupScaffoldTest::screenChangeSlidesUnlessMotionIsReduced()
{
    QFETCH(bool, reduceMotion);
    OnboardingHarness harness;
    QWidget window;
    GlassResolver policy;
    policy.reduceMotion = reduceMotion;
    GlassEnvironment::set(&window, policy);
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    auto* wizard = new SetupScaffold(coordinator, *harness.model, &window);
    window.show();
    wizard->show();
    QVERIFY(QTest::qWaitForWindowExposed(wizard));

    const QPointer<QWidget> welcome = wizard->screenWidget();
    coordinator.advance();
    QVERIFY(wizard->screenWidget() != welcome);
    // Without motion the old screen is gone at once; with it, once it has slid out.
    QCOMPARE(welcome.isNull(), reduceMotion);
    QTRY_VERIFY(welcome.isNull());
    QTRY_COMPARE(wizard->screenWidget()->pos().x(),
        wizard->screenWidget()->parentWidget()->layout()->contentsMargins().left());
}

void SetupScaffoldTest::pageScrollsOnlyAsFarAsItsScreen_data()
{
    QTest::addColumn<qreal>("fontScale");
    QTest::newRow("every screen fits") << 1.0;
    QTest::newRow("large text: some overflow") << 1.6;
}

// A screen that fits the page shows no scroll bar and the wheel does not move
// it; one taller than the page scrolls exactly to its last line. (The page once
// took the screen's height at its narrowest width, where every text wraps, and
// scrolled "Service setup" into empty space while cutting its top card.)
void SetupScaffoldTest::pageScrollsOnlyAsFarAsItsScreen()
{
    QFETCH(qreal, fontScale);
    StillWizard still(fontScale);
    QVERIFY(QTest::qWaitForWindowExposed(still.wizard));
    QScrollArea* scroll = still.scroll();
    QScrollBar* bar = scroll->verticalScrollBar();
    int overflowing = 0;
    for (int step = 0; step < 6; ++step) {
        still.settle();
        const Screen screen = still.coordinator->currentScreen();
        const QString where = QStringLiteral("screen %1").arg(int(screen));
        QWidget* host = scroll->widget();
        const int page = scroll->viewport()->height();
        const bool fits = host->heightForWidth(scroll->width()) <= page;
        if (fontScale == 1.0 && screen == Screen::downloadSources)
            QVERIFY2(fits, "the service setup screen fits the page at the usual text size");
        if (fits) {
            QVERIFY2(!bar->isVisible(), qPrintable(where));
            QCOMPARE(bar->maximum(), 0);
            QWheelEvent wheel(QPointF(100, 100), scroll->viewport()->mapToGlobal(QPointF(100, 100)), QPoint(),
                QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(scroll->viewport(), &wheel);
            QCOMPARE(bar->value(), 0);
            QCOMPARE(host->height(), page);
        } else {
            ++overflowing;
            QVERIFY2(bar->isVisible(), qPrintable(where));
            QCOMPARE(host->height(), host->heightForWidth(scroll->viewport()->width()));
            QCOMPARE(bar->maximum(), host->height() - page);
        }
        if (screen == Screen::finish)
            break;
        still.coordinator->advance();
    }
    QCOMPARE(overflowing > 0, fontScale > 1);
}

// The scroll bar lies on the page: the column of its track has the colour of
// the page beside it, light and dark.
void SetupScaffoldTest::scrollBarTrackIsThePage()
{
    for (const bool dark : { false, true }) {
        StillWizard still(1.6);
        QApplication::setPalette(dark ? PreviewPalettes::dark() : PreviewPalettes::light());
        QVERIFY(QTest::qWaitForWindowExposed(still.wizard));
        while (still.coordinator->currentScreen() != Screen::downloadSources)
            still.coordinator->advance();
        still.settle();
        QScrollArea* scroll = still.scroll();
        QScrollBar* bar = scroll->verticalScrollBar();
        QVERIFY(bar->isVisible());
        const QImage image = still.wizard->grab().toImage();
        // Near the bottom of the page, below the handle, and in the page's left margin.
        const QPoint track = bar->mapTo(still.wizard, QPoint(bar->width() / 2, bar->height() - 4));
        const QPoint margin = scroll->mapTo(still.wizard, QPoint(4, bar->height() - 4));
        QCOMPARE(QColor(image.pixel(track)).name(), QColor(image.pixel(margin)).name());
    }
    QApplication::setPalette(PreviewPalettes::light());
}

QTEST_MAIN(SetupScaffoldTest)
#include "tst_setupscaffold.moc"
