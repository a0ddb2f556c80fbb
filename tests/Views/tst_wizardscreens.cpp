#include "App/AppModel.h"
#include "Services/AppleMusicAuthService.h"
#include "State/ToolProvisioningStore.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/Tokens.h"
#include "Support/SampleData.h"
#include "TestSupport/OnboardingHarness.h"
#include "TestSupport/ScopedEnvironment.h"
#include "TestSupport/TaskProbe.h"
#include "Views/DisclosurePanel.h"
#include "Views/Onboarding/ConnectMusicScreen.h"
#include "Views/Onboarding/DownloadSourcesScreen.h"
#include "Views/Onboarding/FineTuningScreen.h"
#include "Views/Onboarding/FinishScreen.h"
#include "Views/Onboarding/PrepareToolsScreen.h"
#include "Views/Onboarding/QualityOption.h"
#include "Views/Onboarding/ServiceIcon.h"
#include "Views/Onboarding/SourceRow.h"
#include "Views/Onboarding/ToggleSwitch.h"
#include "Views/Onboarding/ToolProgressRow.h"
#include "Views/Onboarding/UnreadSettingsNotice.h"
#include "Views/Onboarding/WelcomeHero.h"
#include "Views/Onboarding/WizardLabel.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

using namespace mivo;
using mivo::test::OnboardingHarness;
using Outcome = mivo::test::ScriptedHelperClient::Outcome;
using Mode = SetupCoordinator::Mode;
using Status = AppleMusicLocalAccess::Status;

Q_DECLARE_METATYPE(std::optional<double>)

namespace {

// An Apple Music framework that exists but never grants anything.
class PresentMusicKit : public MusicKit {
public:
    QCoro::Task<AuthorizationStatus> requestAuthorization() override
    {
        co_return AuthorizationStatus::denied;
    }
    QCoro::Task<QString> userToken(QString, bool) override { co_return QString(); }
};

template <class T = QWidget> T* child(QWidget* root, const char* name)
{
    return root->findChild<T*>(QString::fromLatin1(name));
}

bool shown(QWidget* root, const char* name)
{
    QWidget* widget = child(root, name);
    return widget && widget->isVisibleTo(root);
}

// The connect screen's Apple Music sign-in: one this system offers, or the
// process-wide one, which it does not.
struct AppleSignIn {
    ConnectMusicScreen::Services services(bool available)
    {
        ConnectMusicScreen::Services services;
        services.appleMusic = available ? &present : &AppleMusicAuthService::shared();
        return services;
    }

    AppleMusicAuthService present { std::make_shared<PresentMusicKit>(),
        QUrl(QStringLiteral("http://127.0.0.1:9/")) };
};

SafeConfig configWith(bool appleMusic, bool spotify)
{
    SafeConfig config = SampleData::sampleConfig();
    config.appleMusicConnected = appleMusic;
    config.spotifyConnected = spotify;
    return config;
}

} // namespace

class WizardScreensTest : public QObject {
    Q_OBJECT

private slots:
    void connectControlsFollowWhatThisSystemHas_data();
    void connectControlsFollowWhatThisSystemHas();
    void appleRowFollowsTheConnection_data();
    void appleRowFollowsTheConnection();
    void spotifyConnectShowsProgressThenConnected();
    void matchingChoicesGoToTheCoordinator();
    void enabledSourcesKeepTheStoredOrder();
    void unreadRowsAreOfferedOnceReadAgain_data();
    void unreadRowsAreOfferedOnceReadAgain();
    void soundcloudTokenFieldFollowsItsSwitch();
    void fieldsUnderASwitchFold_data();
    void fieldsUnderASwitchFold();
    void folderChooserReplacesTheFolder_data();
    void folderChooserReplacesTheFolder();
    void folderChooserOpensAtTheFolder_data();
    void folderChooserOpensAtTheFolder();
    void qualityOptionsAreOneRadioGroup();
    void recap_data();
    void recap();
    void toolRowDetail_data();
    void toolRowDetail();
    void toolScreenFollowsTheStore();
    void welcomeHeroPulsesOnlyInSight_data();
    void welcomeHeroPulsesOnlyInSight();
    void welcomeHeroFollowsALiveChangeOfMotion();
};

void WizardScreensTest::connectControlsFollowWhatThisSystemHas_data()
{
    QTest::addColumn<bool>("cloudAvailable");
    QTest::addColumn<bool>("localAvailable");
    QTest::addColumn<Status>("status");
    QTest::addColumn<bool>("appleConnected");
    QTest::addColumn<QStringList>("visible");
    QTest::addColumn<QStringList>("hidden");

    const QStringList none;
    QTest::newRow("this system: nothing to press")
        << false << false << Status::undetermined << false << none
        << QStringList { "appleConnect", "allowAccess", "openAutomationSettings" };
    QTest::newRow("both available, nothing decided")
        << true << true << Status::undetermined << false << QStringList { "appleConnect", "allowAccess" }
        << QStringList { "openAutomationSettings" };
    QTest::newRow("consent denied") << true << true << Status::denied << false
                                    << QStringList { "appleConnect", "openAutomationSettings" }
                                    << QStringList { "allowAccess" };
    QTest::newRow("connected where sign-in is not offered")
        << false << false << Status::undetermined << true << QStringList { "appleConnected" }
        << QStringList { "appleConnect", "allowAccess", "openAutomationSettings" };
    QTest::newRow("connected and authorized")
        << true << true << Status::authorized << true << none
        << QStringList { "appleConnect", "allowAccess", "openAutomationSettings" };
}

void WizardScreensTest::connectControlsFollowWhatThisSystemHas()
{
    QFETCH(bool, cloudAvailable);
    QFETCH(bool, localAvailable);
    QFETCH(Status, status);
    QFETCH(bool, appleConnected);
    QFETCH(QStringList, visible);
    QFETCH(QStringList, hidden);

    OnboardingHarness harness(true, status, localAvailable);
    harness.loadConfig(configWith(appleConnected, false));
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    AppleSignIn signIn;
    ConnectMusicScreen screen(*harness.model, coordinator, signIn.services(cloudAvailable));

    for (const QString& name : visible)
        QVERIFY2(shown(&screen, qPrintable(name)), qPrintable(name));
    for (const QString& name : hidden)
        QVERIFY2(!shown(&screen, qPrintable(name)), qPrintable(name));
    // A source this system lacks says so and is not offered, unless it is
    // connected already.
    const bool cloudLive = cloudAvailable || appleConnected;
    QCOMPARE(child<WizardLabel>(&screen, "appleCloudText")->text().contains(u"not available on this system"),
        !cloudLive);
    QCOMPARE(child<WizardLabel>(&screen, "appleLocalText")->text().contains(u"not available on this system"),
        !localAvailable);
    QCOMPARE(child(&screen, "appleCloudRow")->isEnabled(), cloudLive);
    QCOMPARE(child(&screen, "appleLocalRow")->isEnabled(), localAvailable);
    QVERIFY(harness.client->sent().isEmpty());
}

void WizardScreensTest::appleRowFollowsTheConnection_data()
{
    QTest::addColumn<bool>("cloudAvailable");
    QTest::addColumn<QString>("idleText");
    QTest::addColumn<bool>("idleChipInColour");

    QTest::newRow("sign-in offered") << true
                                     << "Sign in to read your Apple Music Cloud library and playlists."
                                     << true;
    QTest::newRow("sign-in not offered here")
        << false << "Apple Music sign-in is not available on this system." << false;
}

// The Apple Music row's text, logo and control follow the connection each
// time the configuration says otherwise, not only as the screen was built.
void WizardScreensTest::appleRowFollowsTheConnection()
{
    QFETCH(bool, cloudAvailable);
    QFETCH(QString, idleText);
    QFETCH(bool, idleChipInColour);

    OnboardingHarness harness;
    harness.loadConfig(configWith(false, false));
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    AppleSignIn signIn;
    ConnectMusicScreen screen(*harness.model, coordinator, signIn.services(cloudAvailable));
    auto* text = child<WizardLabel>(&screen, "appleCloudText");
    auto* icon = child<ServiceIcon>(&screen, "appleIcon");
    QVERIFY(text && icon);
    const auto inColour = [icon] { return icon->look().brandChip == std::optional(Tokens::Source::apple()); };

    for (int round = 0; round < 2; ++round) {
        QCOMPARE(text->text(), idleText);
        QCOMPARE(inColour(), idleChipInColour);
        QVERIFY(!shown(&screen, "appleConnected"));
        QCOMPARE(shown(&screen, "appleConnect"), cloudAvailable);

        harness.loadConfig(configWith(true, false));
        QCOMPARE(text->text(), QStringLiteral("mivo reads your Apple Music Cloud library and playlists."));
        QVERIFY(inColour());
        QVERIFY(shown(&screen, "appleConnected"));
        QVERIFY(!shown(&screen, "appleConnect"));
        QVERIFY(child(&screen, "appleCloudRow")->isEnabled());

        // Disconnected in Settings: back as it was.
        harness.loadConfig(configWith(false, false));
    }
}

void WizardScreensTest::spotifyConnectShowsProgressThenConnected()
{
    OnboardingHarness harness;
    harness.loadConfig(configWith(false, false));
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    ConnectMusicScreen screen(*harness.model, coordinator);
    QCOMPARE(child<WizardLabel>(&screen, "spotifyText")->text(),
        QStringLiteral("Authorize mivo in your browser to read your Spotify playlists."));

    harness.client->setHoldReplies(true);
    harness.client->enqueue(Method::connectSpotify, Outcome::result("{}"));
    harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { configWith(false, true) }));
    harness.client->enqueue(Method::listPlaylists, Outcome::result(R"({"playlists":[]})"));
    child<QPushButton>(&screen, "spotifyConnect")->click();
    QVERIFY(screen.isConnectingSpotify());
    QCOMPARE(
        child<WizardLabel>(&screen, "spotifyText")->text(), QStringLiteral("Connecting in your browser…"));
    QVERIFY(!shown(&screen, "spotifyConnect"));

    harness.client->setHoldReplies(false);
    harness.client->release();
    QTRY_VERIFY(!screen.isConnectingSpotify());
    QCOMPARE(harness.client->sentMethods().first(), Method::connectSpotify);
    QVERIFY(harness.model->settings()->config()->spotifyConnected);
    QVERIFY(!shown(&screen, "spotifyConnect"));
    QCOMPARE(child<WizardLabel>(&screen, "spotifyText")->text(),
        QStringLiteral("mivo reads your Spotify playlists."));
}

void WizardScreensTest::matchingChoicesGoToTheCoordinator()
{
    OnboardingHarness harness;
    SafeConfig config = SampleData::sampleConfig();
    config.identity = { false, false };
    harness.loadConfig(config);
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    ConnectMusicScreen screen(*harness.model, coordinator);
    QVERIFY(!shown(&screen, "acoustidKey"));

    child<ToggleSwitch>(&screen, "matchingSwitch")->click();
    QVERIFY(coordinator.identityEnabled());
    QVERIFY(shown(&screen, "acoustidKey") && shown(&screen, "strictMatching"));
    child<QCheckBox>(&screen, "strictMatching")->click();
    QTest::keyClicks(child<QLineEdit>(&screen, "acoustidKey"), QStringLiteral("key-1"));
    QVERIFY(coordinator.identityStrict());
    QCOMPARE(coordinator.acoustidKey(), QStringLiteral("key-1"));
    QCOMPARE(child<QLineEdit>(&screen, "acoustidKey")->echoMode(), QLineEdit::Password);

    // Off hides the details but keeps them.
    child<ToggleSwitch>(&screen, "matchingSwitch")->click();
    QVERIFY(!shown(&screen, "acoustidKey"));
    QCOMPARE(coordinator.acoustidKey(), QStringLiteral("key-1"));
    QVERIFY(harness.client->sent().isEmpty());
}

void WizardScreensTest::unreadRowsAreOfferedOnceReadAgain_data()
{
    QTest::addColumn<bool>("matching"); // the connect-music screen, else the download sources

    QTest::newRow("download sources") << false;
    QTest::newRow("matching") << true;
}

// After a failed read, the rows of a list or record the wizard could not read
// say "As stored" and offer nothing to change, with the reason above them;
// Try Again reads again, and once the configuration is there they show it
// and can be changed.
void WizardScreensTest::unreadRowsAreOfferedOnceReadAgain()
{
    QFETCH(bool, matching);
    OnboardingHarness harness;
    harness.client->enqueue(Method::getConfig,
        { Outcome::engineError(QStringLiteral("internal"), QStringLiteral("disk on fire")),
            Outcome::engineError(QStringLiteral("internal"), QStringLiteral("disk on fire")) });
    QCoro::waitFor(harness.model->settings()->refresh());
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    std::unique_ptr<QWidget> screen;
    if (matching)
        screen = std::make_unique<ConnectMusicScreen>(*harness.model, coordinator);
    else
        screen = std::make_unique<DownloadSourcesScreen>(coordinator);
    auto* notice = screen->findChild<UnreadSettingsNotice*>();
    QVERIFY(notice && notice->isVisibleTo(screen.get()));
    QVERIFY(notice->text()->text().endsWith(QStringLiteral("\ndisk on fire")));
    // Per row: 1 while it says "As stored" in place of its switch, 0 while it
    // offers the switch, -1 for anything in between.
    const auto asStoredRows = [&] {
        QList<int> rows;
        const auto state = [](bool switchShown, bool asStoredShown) {
            return switchShown == asStoredShown ? -1 : int(asStoredShown);
        };
        if (matching) {
            rows << state(shown(screen.get(), "matchingSwitch"), shown(screen.get(), "matchingAsStored"));
        } else {
            for (SourceRow* row : static_cast<DownloadSourcesScreen*>(screen.get())->rows())
                rows << state(row->toggle()->isVisibleTo(screen.get()), shown(row, "asStored"));
        }
        return rows;
    };
    QCOMPARE(asStoredRows(), QList<int>(matching ? 1 : 4, 1));

    SafeConfig config = SampleData::sampleConfig();
    config.sources = { SourceId::bandcamp };
    config.identity = { true, false };
    harness.client->clearSent();
    harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));
    notice->tryAgainButton()->click();
    QTRY_VERIFY(coordinator.hasStoredSettings());
    QCOMPARE(harness.client->sentMethods(), QList { Method::getConfig });
    QVERIFY(!notice->isVisibleTo(screen.get()));
    QCOMPARE(asStoredRows(), QList<int>(matching ? 1 : 4, 0));
    if (matching) {
        QVERIFY(child<ToggleSwitch>(screen.get(), "matchingSwitch")->isChecked());
        child<ToggleSwitch>(screen.get(), "matchingSwitch")->click();
        QVERIFY(!coordinator.identityEnabled());
    } else {
        const QList<SourceRow*> rows = static_cast<DownloadSourcesScreen*>(screen.get())->rows();
        QVERIFY(rows.at(1)->toggle()->isChecked());
        rows.at(0)->toggle()->click();
        QCOMPARE(coordinator.selectedSources(), (QList { SourceId::bandcamp, SourceId::soulseek }));
    }
}

// The stored order is the search priority set in Settings: switching sources
// in the wizard keeps it, and a source switched on joins the end.
void WizardScreensTest::enabledSourcesKeepTheStoredOrder()
{
    OnboardingHarness harness;
    SafeConfig config = SampleData::sampleConfig();
    config.sources = { SourceId::youtube, SourceId::soulseek };
    harness.loadConfig(config);
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    DownloadSourcesScreen screen(coordinator);
    QCOMPARE(screen.rows().size(), 4);

    screen.rows().at(1)->toggle()->click(); // Bandcamp
    QCOMPARE(coordinator.selectedSources(),
        (QList<SourceId> { SourceId::youtube, SourceId::soulseek, SourceId::bandcamp }));
    for (SourceRow* row : screen.rows()) {
        if (row->toggle()->isChecked())
            row->toggle()->click();
    }
    QCOMPARE(coordinator.selectedSources(), QList<SourceId>());
    screen.rows().at(3)->toggle()->click(); // YouTube
    screen.rows().at(2)->toggle()->click(); // SoundCloud
    screen.rows().at(0)->toggle()->click(); // Soulseek
    QCOMPARE(coordinator.selectedSources(),
        (QList<SourceId> { SourceId::youtube, SourceId::soulseek, SourceId::soundcloud }));
}

void WizardScreensTest::soundcloudTokenFieldFollowsItsSwitch()
{
    OnboardingHarness harness;
    SafeConfig config = SampleData::sampleConfig();
    config.sources = { SourceId::soulseek };
    harness.loadConfig(config);
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    DownloadSourcesScreen screen(coordinator);
    SourceRow* soundcloud = screen.rows().at(2);
    for (SourceRow* row : screen.rows()) {
        if (row != soundcloud)
            QVERIFY(!row->tokenField());
    }
    QVERIFY(!soundcloud->tokenField()->isVisibleTo(&screen));
    soundcloud->toggle()->click();
    QVERIFY(soundcloud->tokenField()->isVisibleTo(&screen));
    QCOMPARE(
        soundcloud->tokenField()->placeholderText(), QStringLiteral("SoundCloud OAuth token (optional)"));
    QTest::keyClicks(soundcloud->tokenField(), QStringLiteral("sc-1"));
    soundcloud->toggle()->click();
    QVERIFY(!soundcloud->tokenField()->isVisibleTo(&screen));
    QCOMPARE(coordinator.soundcloudToken(), QStringLiteral("sc-1"));

    // The VPN field is there whatever the switches say.
    QVERIFY(screen.subscriptionField()->isVisibleTo(&screen));
    QTest::keyClicks(screen.subscriptionField(), QStringLiteral("vpn://x"));
    QCOMPARE(coordinator.proxySubscription(), QStringLiteral("vpn://x"));

    // Not an address: refused under the field once typing is done, until mended.
    QVERIFY(!screen.subscriptionRefusal()->isVisibleTo(&screen));
    emit screen.subscriptionField()->editingFinished();
    QVERIFY(screen.subscriptionRefusal()->isVisibleTo(&screen));
    screen.subscriptionField()->clear();
    QTest::keyClicks(screen.subscriptionField(), QStringLiteral("https://vpn.example/s/1"));
    QVERIFY(!screen.subscriptionRefusal()->isVisibleTo(&screen));
    emit screen.subscriptionField()->editingFinished();
    QVERIFY(!screen.subscriptionRefusal()->isVisibleTo(&screen));
}

void WizardScreensTest::fieldsUnderASwitchFold_data()
{
    QTest::addColumn<bool>("matching"); // the matching details, else the SoundCloud token
    QTest::addColumn<bool>("reduceMotion");
    QTest::newRow("matching details, animated") << true << false;
    QTest::newRow("matching details, reduce motion") << true << true;
    QTest::newRow("SoundCloud token, animated") << false << false;
    QTest::newRow("SoundCloud token, reduce motion") << false << true;
}

// On a screen in sight the field under a switch folds open and shut, at once
// under reduce motion; it ends shown at its full height or hidden, what was
// typed kept.
void WizardScreensTest::fieldsUnderASwitchFold()
{
    QFETCH(bool, matching);
    QFETCH(bool, reduceMotion);

    OnboardingHarness harness;
    SafeConfig config = SampleData::sampleConfig();
    config.sources = { SourceId::soulseek };
    config.identity.enabled = false;
    harness.loadConfig(config);
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    QWidget window;
    GlassResolver glass;
    glass.reduceMotion = reduceMotion;
    GlassEnvironment::set(&window, glass);
    auto* column = new QVBoxLayout(&window);
    QWidget* screen = matching ? static_cast<QWidget*>(new ConnectMusicScreen(*harness.model, coordinator))
                               : new DownloadSourcesScreen(coordinator);
    column->addWidget(screen);
    column->addStretch(1);
    window.resize(700, 900);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QLineEdit* field = matching ? child<QLineEdit>(screen, "acoustidKey")
                                : static_cast<DownloadSourcesScreen*>(screen)->rows().at(2)->tokenField();
    QAbstractButton* toggle = matching
        ? static_cast<QAbstractButton*>(child<ToggleSwitch>(screen, "matchingSwitch"))
        : static_cast<DownloadSourcesScreen*>(screen)->rows().at(2)->toggle();
    DisclosurePanel* panel = nullptr;
    for (QWidget* up = field; up && !panel; up = up->parentWidget())
        panel = qobject_cast<DisclosurePanel*>(up);
    QVERIFY(panel);
    QVERIFY(!field->isVisible());

    toggle->click();
    QCOMPARE(panel->isMoving(), !reduceMotion);
    QTRY_VERIFY(!panel->isMoving());
    QVERIFY(field->isVisible());
    QTRY_COMPARE(panel->height(), panel->content()->height());
    QCOMPARE(panel->content()->y(), 0);
    QTest::keyClicks(field, QStringLiteral("typed"));

    toggle->click();
    QCOMPARE(panel->isMoving(), !reduceMotion);
    QTRY_VERIFY(!field->isVisible());
    QVERIFY(!panel->isMoving());
    QCOMPARE(matching ? coordinator.acoustidKey() : coordinator.soundcloudToken(), QStringLiteral("typed"));
}

void WizardScreensTest::folderChooserReplacesTheFolder_data()
{
    QTest::addColumn<bool>("onFinishScreen");
    QTest::addColumn<bool>("confirm");
    QTest::newRow("fine tuning, chosen") << false << true;
    QTest::newRow("fine tuning, cancelled") << false << false;
    QTest::newRow("finish, chosen") << true << true;
}

void WizardScreensTest::folderChooserReplacesTheFolder()
{
    QFETCH(bool, onFinishScreen);
    QFETCH(bool, confirm);

    OnboardingHarness harness;
    SafeConfig config = SampleData::sampleConfig();
    config.outputDir = QStringLiteral("~/Music/DjayImport");
    harness.loadConfig(config);
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    std::unique_ptr<QWidget> screen;
    if (onFinishScreen)
        screen = std::make_unique<FinishScreen>(coordinator, *harness.model);
    else
        screen = std::make_unique<FineTuningScreen>(coordinator);
    screen->resize(560, 500);
    screen->show();
    auto* path = child<WizardLabel>(screen.get(), "folderPath");
    QCOMPARE(path->fullText(), QStringLiteral("~/Music/DjayImport"));

    const QString chosen = QDir::homePath() + QStringLiteral("/Sets/Friday");
    child<QPushButton>(screen.get(), "changeFolder")->click();
    auto* dialog = child<QFileDialog>(screen.get(), "folderChooser");
    QVERIFY(dialog);
    QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
    if (confirm) {
        QDir().mkpath(chosen);
        dialog->setDirectory(QDir::homePath() + QStringLiteral("/Sets"));
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
        QCOMPARE(coordinator.outputDir(), chosen);
        QCOMPARE(path->fullText(), QStringLiteral("~/Sets/Friday"));
        QDir(QDir::homePath() + QStringLiteral("/Sets")).removeRecursively();
    } else {
        dialog->reject();
        QCOMPARE(coordinator.outputDir(), QStringLiteral("~/Music/DjayImport"));
    }
}

void WizardScreensTest::folderChooserOpensAtTheFolder_data()
{
    QTest::addColumn<QString>("outputDir");
    QTest::addColumn<QString>("opensAt"); // below the home folder; empty is home itself
    QTest::newRow("folder below home") << "~/Crates"
                                       << "Crates";
    QTest::newRow("absolute folder") << "{home}/Crates"
                                     << "Crates";
    QTest::newRow("missing folder") << "~/Gone/Away"
                                    << "";
}

// The chooser opens at the folder shown ("~" expanded), or at home when that
// folder does not exist, never in the process's working directory.
void WizardScreensTest::folderChooserOpensAtTheFolder()
{
    QFETCH(QString, outputDir);
    QFETCH(QString, opensAt);
    QTemporaryDir home;
    const test::ScopedEnvironment environment { { "HOME", home.path().toLocal8Bit() } };
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("Crates"))));

    OnboardingHarness harness;
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    coordinator.setOutputDir(QString(outputDir).replace(QStringLiteral("{home}"), home.path()));
    FineTuningScreen screen(coordinator);
    screen.show();
    child<QPushButton>(&screen, "changeFolder")->click();
    auto* dialog = child<QFileDialog>(&screen, "folderChooser");
    QVERIFY(dialog);
    QCOMPARE(dialog->directory().absolutePath(), opensAt.isEmpty() ? home.path() : home.filePath(opensAt));
    dialog->reject();
}

void WizardScreensTest::qualityOptionsAreOneRadioGroup()
{
    OnboardingHarness harness;
    SafeConfig config = SampleData::sampleConfig();
    config.quality = toQuality(QualityProfile::balanced);
    harness.loadConfig(config);
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    QSignalSpy changes(&coordinator, &SetupCoordinator::qualityProfileChanged);
    FineTuningScreen screen(coordinator);
    const auto checked = [&screen] {
        QStringList names;
        for (QualityOption* option : screen.options()) {
            if (option->isChecked())
                names.append(option->info().name);
        }
        return names;
    };
    QCOMPARE(checked(), QStringList { "Balanced" });
    QTest::mouseClick(screen.options().at(2), Qt::LeftButton, {}, QPoint(300, 20));
    QCOMPARE(coordinator.qualityProfile(), QualityProfile::fast);
    QCOMPARE(checked(), QStringList { "Fast" });
    screen.options().at(2)->click();
    QCOMPARE(changes.count(), 1);
}

void WizardScreensTest::recap_data()
{
    QTest::addColumn<bool>("appleMusic");
    QTest::addColumn<bool>("spotify");
    QTest::addColumn<Status>("automation");
    QTest::addColumn<QList<SourceId>>("sources");
    QTest::addColumn<QString>("playlists");
    QTest::addColumn<QString>("downloads");

    QTest::newRow("cloud beats local")
        << true << false << Status::authorized << QList<SourceId> { SourceId::youtube } << "Apple Music"
        << "YouTube";
    QTest::newRow("local and spotify")
        << false << true << Status::authorized << QList<SourceId> { SourceId::soulseek, SourceId::soundcloud }
        << "Apple Music (local), Spotify"
        << "Soulseek, SoundCloud";
    QTest::newRow("nothing") << false << false << Status::denied << QList<SourceId>() << ""
                             << "";
}

void WizardScreensTest::recap()
{
    QFETCH(bool, appleMusic);
    QFETCH(bool, spotify);
    QFETCH(Status, automation);
    QFETCH(QList<SourceId>, sources);
    QFETCH(QString, playlists);
    QFETCH(QString, downloads);

    OnboardingHarness harness(true, automation);
    harness.loadConfig(configWith(appleMusic, spotify));
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    coordinator.setSelectedSources(sources);
    FinishScreen screen(coordinator, *harness.model);
    QCOMPARE(screen.playlistValue()->fullText(), playlists);
    QCOMPARE(screen.playlistValue()->isVisibleTo(&screen), !playlists.isEmpty());
    QCOMPARE(screen.sourcesValue()->fullText(), downloads);
    QCOMPARE(screen.qualityValue()->fullText(), QStringLiteral("Best"));

    // A source connected elsewhere shows at once.
    harness.loadConfig(configWith(appleMusic, true));
    QVERIFY(screen.playlistValue()->fullText().endsWith(u"Spotify"));
}

void WizardScreensTest::toolRowDetail_data()
{
    QTest::addColumn<ToolPhase>("phase");
    QTest::addColumn<std::optional<double>>("percent");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("bar");
    QTest::addColumn<bool>("spinning");

    using P = std::optional<double>;
    QTest::newRow("download, no percent") << ToolPhase::download << P() << ""
                                          << "" << P() << true;
    QTest::newRow("download, 40 %") << ToolPhase::download << P(40) << ""
                                    << "" << P(0.4) << false;
    QTest::newRow("download, above 100") << ToolPhase::download << P(130) << ""
                                         << "" << P(1.0) << false;
    QTest::newRow("download, negative") << ToolPhase::download << P(-5) << ""
                                        << "" << P(0.0) << false;
    QTest::newRow("verify") << ToolPhase::verify << P() << ""
                            << "Verifying…" << P() << true;
    QTest::newRow("install") << ToolPhase::install << P(50) << ""
                             << "Installing…" << P() << true;
    QTest::newRow("done") << ToolPhase::done << P(100) << ""
                          << "Installed" << P() << false;
    QTest::newRow("error with detail") << ToolPhase::error << P() << "checksum mismatch"
                                       << "checksum mismatch" << P() << false;
    QTest::newRow("error without detail") << ToolPhase::error << P() << ""
                                          << "Couldn't install" << P() << false;
}

void WizardScreensTest::toolRowDetail()
{
    QFETCH(ToolPhase, phase);
    QFETCH(std::optional<double>, percent);
    QFETCH(QString, detail);
    QFETCH(QString, text);
    QFETCH(std::optional<double>, bar);
    QFETCH(bool, spinning);

    ToolProgress tool { QStringLiteral("yt-dlp"), QStringLiteral("yt-dlp"), percent, phase,
        detail.isEmpty() ? std::nullopt : std::optional(detail) };
    QCOMPARE(ToolProgressRow::detailText(tool), text);
    QCOMPARE(ToolProgressRow::barFraction(tool), bar);
    QCOMPARE(ToolProgressRow::isSpinning(tool), spinning);
}

void WizardScreensTest::toolScreenFollowsTheStore()
{
    // Without a helper link the screen shows only its introduction and starts nothing.
    OnboardingHarness detached(false);
    PrepareToolsScreen waiting(*detached.model);
    waiting.show();
    QVERIFY(!shown(&waiting, "toolList") && !shown(&waiting, "tryAgain") && !shown(&waiting, "toolsReady"));

    OnboardingHarness harness;
    PrepareToolsScreen screen(*harness.model);
    harness.client->enqueue(Method::provisionTools,
        Outcome::encoded(ProvisionToolsResult { false,
            { ToolStatusDTO { "yt-dlp", "yt-dlp", "ok", {} },
                ToolStatusDTO { "ffmpeg", "ffmpeg", "error", "disk full" } } }));
    screen.show();
    QTRY_COMPARE(harness.model->toolProvisioning()->phase(), ToolProvisioningStore::Phase::failed);
    QCOMPARE(screen.toolList()->model()->rowCount(), 2);
    QVERIFY(shown(&screen, "tryAgain"));
    QVERIFY(!shown(&screen, "toolsReady"));
    // The screen says why once: in the failed tool's row, not again below it.
    int saysWhy = 0;
    for (WizardLabel* label : screen.findChildren<WizardLabel*>())
        saysWhy += label->text() == u"disk full" && label->isVisibleTo(&screen);
    for (int row = 0; row < 2; ++row)
        saysWhy
            += ToolProgressRow::detailText(ToolProgressRow::rowAt(screen.toolList()->model()->index(row, 0)))
            == u"disk full";
    QCOMPARE(saysWhy, 1);
    // A failure that fits one line leaves its row as tall as the finished one.
    QCOMPARE(screen.toolList()->sizeHintForRow(1), screen.toolList()->sizeHintForRow(0));

    // Shown again, a failed store is left alone; Try Again starts over.
    screen.hide();
    screen.show();
    QCOMPARE(harness.client->sentMethods(), QList<Method> { Method::provisionTools });
    harness.client->enqueue(Method::provisionTools,
        Outcome::encoded(ProvisionToolsResult { true,
            { ToolStatusDTO { "yt-dlp", "yt-dlp", "ok", {} },
                ToolStatusDTO { "ffmpeg", "ffmpeg", "ok", {} } } }));
    child<QPushButton>(&screen, "tryAgain")->click();
    QTRY_COMPARE(harness.model->toolProvisioning()->phase(), ToolProvisioningStore::Phase::ready);
    QVERIFY(shown(&screen, "toolsReady"));
    QVERIFY(!shown(&screen, "tryAgain"));
}

void WizardScreensTest::welcomeHeroPulsesOnlyInSight_data()
{
    QTest::addColumn<bool>("reduceMotion");
    QTest::newRow("animated") << false;
    QTest::newRow("reduced motion") << true;
}

void WizardScreensTest::welcomeHeroPulsesOnlyInSight()
{
    QFETCH(bool, reduceMotion);

    QWidget window;
    GlassResolver glass;
    glass.reduceMotion = reduceMotion;
    GlassEnvironment::set(&window, glass);
    auto* hero = new WelcomeHero(&window);
    window.show();
    QCOMPARE(hero->isPulsing(), !reduceMotion);

    // The window going away (or the wizard moving past the welcome) hides it.
    window.hide();
    QVERIFY(!hero->isPulsing());
    window.show();
    QCOMPARE(hero->isPulsing(), !reduceMotion);

    hero->hide();
    QVERIFY(!hero->isPulsing());
    hero->show();
    QCOMPARE(hero->isPulsing(), !reduceMotion);
}

// The desktop's reduce motion turned on while the emblem pulses stops it at
// once, at its resting size; turned off again, it pulses the next time it shows.
void WizardScreensTest::welcomeHeroFollowsALiveChangeOfMotion()
{
    QWidget window;
    GlassResolver glass;
    GlassEnvironment::set(&window, glass);
    auto* hero = new WelcomeHero(&window);
    window.show();
    QVERIFY(hero->isPulsing());

    glass.reduceMotion = true;
    GlassEnvironment::set(&window, glass);
    QTRY_VERIFY(!hero->isPulsing());
    QCOMPARE(hero->scale(), WelcomeHero::kRestingScale);
    hero->hide();
    hero->show();
    QVERIFY(!hero->isPulsing());

    glass.reduceMotion = false;
    GlassEnvironment::set(&window, glass);
    hero->hide();
    hero->show();
    QVERIFY(hero->isPulsing());
}

QTEST_MAIN(WizardScreensTest)
#include "tst_wizardscreens.moc"
