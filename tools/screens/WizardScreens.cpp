// The setup wizard's states: every screen of a first run (the tools screen
// both while it works and after it failed), the footer of a re-run, the
// warning about a missing playlist source, a commit that failed, the screens
// that show a configuration the helper already held, and a refused VPN
// subscription.

#include "ScreenFixture.h"
#include "ScreenRegistry.h"
#include "State/ToolProvisioningStore.h"
#include "Support/SampleData.h"
#include "Transport/ResultRecords.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SourceWarningWindow.h"

#include <QLineEdit>
#include <QPainter>

namespace mivo::screens {

namespace {

const QSize kWizard(SetupScaffold::kWidth, SetupScaffold::kHeight);

using Mode = SetupCoordinator::Mode;
using Screen = SetupCoordinator::Screen;

SafeConfig wizardConfig(bool spotify)
{
    SafeConfig config = SampleData::sampleConfig();
    config.appleMusicConnected = false;
    config.spotifyConnected = spotify;
    config.sources = { SourceId::soulseek, SourceId::bandcamp, SourceId::youtube };
    config.outputDir = QStringLiteral("~/Music/DjayImport");
    return config;
}

ProvisionToolsResult tools(bool ok)
{
    return { ok,
        { ToolStatusDTO { "yt-dlp", "yt-dlp", "ok", {} },
            ToolStatusDTO { "ffmpeg", "ffmpeg", ok ? "ok" : "error",
                ok ? QString() : QStringLiteral("The download was cut off at 41 %.") } } };
}

// The wizard of a fresh coordinator on the given screen. The tools are
// installed unless the state holds them back, or their install fails.
SetupScaffold* wizard(ScreenFixture& fixture, Mode mode, Screen screen, bool spotify = true,
    std::optional<SafeConfig> config = std::nullopt, bool toolsInstall = true)
{
    fixture.setConfig(config.value_or(wizardConfig(spotify)));
    fixture.responses().insert(Method::provisionTools, ScreenFixture::encode(tools(toolsInstall)));
    AppModel& model = fixture.model();
    fixture.loadLibrary();
    ToolProvisioningStore* store = model.toolProvisioning();
    if (screen != Screen::prepareTools && store->phase() == ToolProvisioningStore::Phase::idle)
        QCoro::waitFor(store->provision());
    auto* coordinator = new SetupCoordinator(mode, &model, &model);
    auto* scaffold = new SetupScaffold(*coordinator, model);
    while (coordinator->currentScreen() != screen && !coordinator->isLast())
        coordinator->advance();
    ScreenFixture::settle();
    return scaffold;
}

// A configuration the helper held before the first launch, none of whose
// values is a default.
SafeConfig storedConfig()
{
    SafeConfig config = wizardConfig(true);
    config.sources = { SourceId::soulseek };
    config.quality = SafeConfig::Quality { QualityFloor::flac, true, true, false };
    config.ui.theme = Theme::light;
    config.outputDir = QStringLiteral("~/MyDJ");
    config.identity = SafeConfig::Identity { true, true };
    // Connected beats a sign-in this system does not offer.
    config.appleMusicConnected = true;
    return config;
}

std::function<QWidget*(ScreenFixture&)> overStoredConfig(Screen screen)
{
    return [screen](ScreenFixture& fixture) {
        return wizard(fixture, Mode::firstRun, screen, true, storedConfig());
    };
}

QWidget* vpnRefused(ScreenFixture& fixture)
{
    SetupScaffold* scaffold = wizard(fixture, Mode::firstRun, Screen::downloadSources);
    if (auto* field = scaffold->findChild<QLineEdit*>(QStringLiteral("vpnSubscription"))) {
        field->setEchoMode(QLineEdit::Normal);
        field->setText(QStringLiteral("not a url"));
        scaffold->coordinator()->setProxySubscription(field->text());
        emit field->editingFinished();
    }
    ScreenFixture::settle();
    return scaffold;
}

QWidget* welcome(ScreenFixture& fixture)
{
    return wizard(fixture, Mode::firstRun, Screen::welcome);
}

QWidget* toolsRunning(ScreenFixture& fixture)
{
    fixture.hold(Method::provisionTools);
    SetupScaffold* scaffold = wizard(fixture, Mode::firstRun, Screen::prepareTools);
    ToolProvisioningStore* store = fixture.model().toolProvisioning();
    store->provision();
    store->apply(QStringLiteral("yt-dlp"), ToolPhase::download, 64.0, std::nullopt);
    store->apply(QStringLiteral("ffmpeg"), ToolPhase::verify, std::nullopt, std::nullopt);
    store->note(QStringLiteral("ffmpeg-7.1-linux64.tar.xz: checking the signature of the archive"));
    ScreenFixture::settle();
    return scaffold;
}

QWidget* toolsFailed(ScreenFixture& fixture)
{
    SetupScaffold* scaffold
        = wizard(fixture, Mode::firstRun, Screen::prepareTools, true, std::nullopt, false);
    QCoro::waitFor(fixture.model().toolProvisioning()->provision());
    ScreenFixture::settle();
    return scaffold;
}

QWidget* connectMusic(ScreenFixture& fixture)
{
    SetupScaffold* scaffold = wizard(fixture, Mode::firstRun, Screen::connectMusic);
    scaffold->coordinator()->setIdentityEnabled(true);
    ScreenFixture::settle();
    return scaffold;
}

QWidget* downloadSources(ScreenFixture& fixture)
{
    SetupScaffold* scaffold = wizard(fixture, Mode::firstRun, Screen::downloadSources);
    scaffold->coordinator()->setSelectedSources(
        { SourceId::soulseek, SourceId::soundcloud, SourceId::youtube });
    // Rebuilt so that the rows show the new choice.
    scaffold->coordinator()->back();
    scaffold->coordinator()->advance();
    ScreenFixture::settle();
    return scaffold;
}

QWidget* fineTuning(ScreenFixture& fixture)
{
    return wizard(fixture, Mode::firstRun, Screen::fineTuning);
}

QWidget* finish(ScreenFixture& fixture)
{
    return wizard(fixture, Mode::firstRun, Screen::finish);
}

QWidget* reRun(ScreenFixture& fixture)
{
    return wizard(fixture, Mode::reRun, Screen::fineTuning);
}

QWidget* commitFailed(ScreenFixture& fixture)
{
    fixture.fail(Method::setConfig,
        HelperError::engineError(QStringLiteral("invalid_params"),
            QStringLiteral("The download folder cannot be written to: permission denied.")));
    SetupScaffold* scaffold = wizard(fixture, Mode::reRun, Screen::finish);
    // A folder chosen, so that there is something to save.
    scaffold->coordinator()->setOutputDir(QStringLiteral("/mnt/archive/Crates"));
    QCoro::waitFor(scaffold->coordinator()->commit());
    ScreenFixture::settle();
    return scaffold;
}

// A first run's screen after the configuration could not be read: it says
// so, with Try Again; the rows it could not read, and the choices the user
// left alone, read as stored.
QWidget* afterAFailedRead(ScreenFixture& fixture, Screen screen)
{
    fixture.fail(Method::getConfig,
        HelperError::engineError(
            QStringLiteral("internal"), QStringLiteral("The configuration file could not be opened.")));
    fixture.responses().insert(Method::provisionTools, ScreenFixture::encode(tools(true)));
    AppModel& model = fixture.model();
    fixture.loadLibrary();
    QCoro::waitFor(model.toolProvisioning()->provision());
    auto* coordinator = new SetupCoordinator(Mode::firstRun, &model, &model);
    auto* scaffold = new SetupScaffold(*coordinator, model);
    // One choice made: the only one that would be saved.
    coordinator->setQualityProfile(QualityProfile::best);
    while (coordinator->currentScreen() != screen && !coordinator->isLast())
        coordinator->advance();
    ScreenFixture::settle();
    return scaffold;
}

// The wizard dimmed, with the alert over its centre, as one picture.
class AlertOverWizard : public QWidget {
public:
    AlertOverWizard(SetupScaffold* scaffold, QDialog* alert)
        : m_scaffold(scaffold)
        , m_alert(alert)
    {
        m_scaffold->setParent(this);
        m_scaffold->move(0, 0);
        m_scaffold->hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_scaffold->resize(size());
        painter.drawPixmap(0, 0, m_scaffold->grab());
        painter.fillRect(rect(), QColor(0, 0, 0, 60));
        if (m_alert) {
            const QPixmap alert = m_alert->grab();
            painter.drawPixmap((width() - alert.width()) / 2, 80, alert);
        }
    }

private:
    SetupScaffold* m_scaffold;
    QPointer<QDialog> m_alert;
};

QWidget* sourceWarning(ScreenFixture& fixture)
{
    SetupScaffold* scaffold = wizard(fixture, Mode::firstRun, Screen::finish, false);
    scaffold->resize(kWizard);
    scaffold->attemptFinish();
    QDialog* alert = scaffold->sourceWarning();
    if (alert)
        alert->hide();
    return new AlertOverWizard(scaffold, alert);
}

// The source-warning window by itself, at its own size.
QWidget* sourceWarningWindow(ScreenFixture&)
{
    return new SourceWarningWindow;
}

const ScreenRegistration registration {
    { QStringLiteral("wizard-welcome"), kWizard, welcome },
    { QStringLiteral("wizard-tools-running"), kWizard, toolsRunning },
    { QStringLiteral("wizard-tools-failed"), kWizard, toolsFailed },
    { QStringLiteral("wizard-connect-music"), kWizard, connectMusic },
    { QStringLiteral("wizard-download-sources"), kWizard, downloadSources },
    { QStringLiteral("wizard-fine-tuning"), kWizard, fineTuning },
    { QStringLiteral("wizard-finish"), kWizard, finish },
    { QStringLiteral("wizard-rerun"), kWizard, reRun },
    { QStringLiteral("wizard-source-warning"), kWizard, sourceWarning },
    { QStringLiteral("wizard-source-warning-window"), { SourceWarningWindow::kWidth, 400 },
        sourceWarningWindow },
    { QStringLiteral("wizard-commit-failed"), kWizard, commitFailed },
    { QStringLiteral("wizard-after-failed-read"), kWizard,
        [](ScreenFixture& f) { return afterAFailedRead(f, Screen::finish); } },
    { QStringLiteral("wizard-after-failed-read-connect-music"), kWizard,
        [](ScreenFixture& f) { return afterAFailedRead(f, Screen::connectMusic); } },
    { QStringLiteral("wizard-after-failed-read-download-sources"), kWizard,
        [](ScreenFixture& f) { return afterAFailedRead(f, Screen::downloadSources); } },
    { QStringLiteral("wizard-after-failed-read-fine-tuning"), kWizard,
        [](ScreenFixture& f) { return afterAFailedRead(f, Screen::fineTuning); } },
    { QStringLiteral("wizard-stored-config-connect-music"), kWizard, overStoredConfig(Screen::connectMusic) },
    { QStringLiteral("wizard-stored-config-download-sources"), kWizard,
        overStoredConfig(Screen::downloadSources) },
    { QStringLiteral("wizard-stored-config-fine-tuning"), kWizard, overStoredConfig(Screen::fineTuning) },
    { QStringLiteral("wizard-stored-config-finish"), kWizard, overStoredConfig(Screen::finish) },
    { QStringLiteral("wizard-vpn-refused"), kWizard, vpnRefused },
};

} // namespace

} // namespace mivo::screens
