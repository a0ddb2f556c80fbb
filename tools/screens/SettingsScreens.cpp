// The Settings window's states: every pane with a configuration read, General
// and Accounts before the helper link is attached, a failed write, the command-
// line tool installed, not installed and someone else's file in its place, a
// doctor run with a failing check, and panes after a failed read.

#include "ScreenFixture.h"
#include "ScreenRegistry.h"
#include "Support/SampleData.h"
#include "Views/Settings/SettingsWindow.h"
#include "Views/Settings/SwitchButton.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <unistd.h>

namespace mivo::screens {

namespace {

const QSize kSize = SettingsWindow::kSize;

enum Pane { general, accounts, sources, quality, output, vpn, commandLine, diagnostics };

SafeConfig screenConfig()
{
    SafeConfig config = SampleData::sampleConfig();
    config.outputDir = QStringLiteral("~/Music/DjayImport");
    return config;
}

SettingsWindow* window(ScreenFixture& fixture, Pane pane)
{
    fixture.setConfig(screenConfig());
    auto* settings = new SettingsWindow(fixture.model(), fixture.updater(), fixture.defaults());
    settings->setCurrentPane(pane);
    return settings;
}

std::function<QWidget*(ScreenFixture&)> showing(Pane pane)
{
    return [pane](ScreenFixture& fixture) { return window(fixture, pane); };
}

// A model with no helper link yet, owned by the window it is shown in.
QWidget* beforeAttach(ScreenFixture& fixture, Pane pane)
{
    AppModel::Options options;
    options.defaults = &fixture.defaults();
    options.cliTool.toolPaths = {};
    auto* model = new AppModel(options);
    auto* settings = new SettingsWindow(*model, fixture.updater(), fixture.defaults());
    model->setParent(settings);
    settings->setCurrentPane(pane);
    return settings;
}

enum class Tool { installed, notInstalled, foreign, brokenLink };

// A temporary folder with a helper and, when asked, the tool linked to it,
// someone else's executable in its place, or a link to nothing, kept while the
// window that shows it lives.
class ToolFolder : public QObject {
public:
    ToolFolder(Tool tool, QObject* parent)
        : QObject(parent)
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("bin")));
        QFile helper(helperPath());
        if (helper.open(QIODevice::WriteOnly))
            helper.write("#!/bin/sh\n");
        if (tool == Tool::installed)
            ::symlink(QFile::encodeName(helperPath()).constData(), QFile::encodeName(toolPath()).constData());
        // A link to a copy of the application that was deleted since.
        if (tool == Tool::brokenLink)
            ::symlink(QFile::encodeName(m_dir.filePath(QStringLiteral("deleted/mivo-helper"))).constData(),
                QFile::encodeName(toolPath()).constData());
        QFile foreign(toolPath());
        if (tool == Tool::foreign && foreign.open(QIODevice::WriteOnly)) {
            foreign.write("#!/bin/sh\necho 'mivo 0.1 (not ours)'\n");
            foreign.setPermissions(foreign.permissions() | QFileDevice::ExeOwner);
        }
    }

    QString helperPath() const { return m_dir.filePath(QStringLiteral("mivo-helper")); }
    QString toolPath() const { return m_dir.filePath(QStringLiteral("bin/mivo")); }

private:
    QTemporaryDir m_dir;
};

QCoro::Task<std::optional<QString>> sampleVersion()
{
    co_return QStringLiteral("mivo 1.4.2");
}

QWidget* commandLineTool(ScreenFixture& fixture, Tool tool)
{
    auto* tools = new ToolFolder(tool, nullptr);
    AppModel::Options options;
    options.defaults = &fixture.defaults();
    options.cliTool.toolPaths = { tools->toolPath() };
    options.cliTool.preferredTarget
        = [helper = tools->helperPath()] { return std::optional<QString>(helper); };
    options.cliTool.readVersion = [](const QString&) { return sampleVersion(); };
    auto* model
        = new AppModel(std::make_unique<ScreenHelperClient>(ScreenFixture::sampleResponses()), options);
    auto* settings = new SettingsWindow(*model, fixture.updater(), fixture.defaults());
    model->setParent(settings);
    tools->setParent(settings);
    settings->setCurrentPane(commandLine);
    return settings;
}

QWidget* failedWrite(ScreenFixture& fixture)
{
    fixture.fail(Method::setConfig,
        HelperError::engineError(
            QStringLiteral("internal"), QStringLiteral("The configuration file is read-only.")));
    SettingsWindow* settings = window(fixture, quality);
    // Once shown, so that the configuration read on showing comes first.
    QTimer::singleShot(0, settings, [settings] {
        for (SwitchButton* button : settings->findChildren<SwitchButton*>()) {
            if (button->accessibleName() == QStringLiteral("Lossless only"))
                button->click();
        }
    });
    return settings;
}

// The Sources pane while the first read of the configuration has not ended.
QWidget* sourcesBeforeConfig(ScreenFixture& fixture)
{
    fixture.hold(Method::getConfig);
    auto* settings = new SettingsWindow(fixture.model(), fixture.updater(), fixture.defaults());
    settings->setCurrentPane(sources);
    return settings;
}

// A pane after the configuration could not be read: what the helper said, and Try Again.
QWidget* failedRead(ScreenFixture& fixture, Pane pane)
{
    fixture.fail(Method::getConfig, HelperError::requestTimedOut());
    auto* settings = new SettingsWindow(fixture.model(), fixture.updater(), fixture.defaults());
    settings->setCurrentPane(pane);
    return settings;
}

// The VPN pane refusing a text that is no subscription address.
QWidget* vpnRefused(ScreenFixture& fixture)
{
    SettingsWindow* settings = window(fixture, vpn);
    QTimer::singleShot(0, settings, [settings] {
        for (QLineEdit* field : settings->findChildren<QLineEdit*>()) {
            if (field->accessibleName() != u"Subscription URL")
                continue;
            field->setEchoMode(QLineEdit::Normal);
            field->setText(QStringLiteral("not a url"));
            emit field->returnPressed();
        }
    });
    return settings;
}

QWidget* failingCheck(ScreenFixture& fixture)
{
    fixture.responses()[Method::runDoctor] = JSONValue::fromJson(parseJsonLine(R"({"checks": [
        {"id": "ffmpeg", "title": "ffmpeg", "status": "fail",
         "detail": "ffmpeg 4.2 is too old; version 5 or later is needed.", "fixable": true},
        {"id": "yt-dlp", "title": "yt-dlp", "status": "ok", "detail": "2024.08.06"},
        {"id": "output", "title": "Download folder", "status": "ok"},
        {"id": "cache", "title": "Search cache", "status": "warn", "detail": "The cache holds 2.1 GB.",
         "fixable": true}]})"));
    SettingsWindow* settings = window(fixture, diagnostics);
    fixture.model().diagnostics()->runDoctor();
    return settings;
}

const ScreenRegistration registration {
    { "settings-general", kSize, showing(general) },
    { "settings-accounts", kSize, showing(accounts) },
    { "settings-sources", kSize, showing(sources) },
    { "settings-quality", kSize, showing(quality) },
    { "settings-output", kSize, showing(output) },
    { "settings-vpn", kSize, showing(vpn) },
    { "settings-diagnostics-failing-check", kSize, failingCheck },
    { "settings-general-before-attach", kSize, [](ScreenFixture& f) { return beforeAttach(f, general); } },
    { "settings-accounts-before-attach", kSize, [](ScreenFixture& f) { return beforeAttach(f, accounts); } },
    { "settings-quality-failed-write", kSize, failedWrite },
    { "settings-sources-before-config", kSize, sourcesBeforeConfig },
    { "settings-quality-failed-read", kSize, [](ScreenFixture& f) { return failedRead(f, quality); } },
    { "settings-sources-failed-read", kSize, [](ScreenFixture& f) { return failedRead(f, sources); } },
    { "settings-vpn-refused-address", kSize, vpnRefused },
    { "settings-command-line-installed", kSize,
        [](ScreenFixture& f) { return commandLineTool(f, Tool::installed); } },
    { "settings-command-line-not-installed", kSize,
        [](ScreenFixture& f) { return commandLineTool(f, Tool::notInstalled); } },
    { "settings-command-line-foreign-file", kSize,
        [](ScreenFixture& f) { return commandLineTool(f, Tool::foreign); } },
    { "settings-command-line-broken-link", kSize,
        [](ScreenFixture& f) { return commandLineTool(f, Tool::brokenLink); } },
};

} // namespace

} // namespace mivo::screens
