#pragma once

#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "State/LibraryStore.h"
#include "Support/UserDefaults.h"
#include "TestSupport/FixedAccessibility.h"
#include "TestSupport/OnboardingHarness.h"
#include "TestSupport/ScopedEnvironment.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "Transport/ResultRecords.h"
#include "Views/MainWindow.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <nlohmann/json.hpp>

namespace mivo::test {

// The application as main() builds it: a real main window whose first show
// starts the model, which launches the stand-in helper as it would launch the
// real one. HOME and the helper's configuration live in a temporary folder; the
// stand-in's switches and the environment are set for the session only.
class StandInSession {
public:
    // A configuration whose every value differs from the helper's defaults.
    static nlohmann::json storedConfig()
    {
        return nlohmann::json::parse(R"({
            "sources": ["soulseek"],
            "quality": {"floor": "flac", "losslessOnly": true, "bestQuality": false, "upgradeEnabled": false},
            "run": {"searchCount": 9, "concurrency": 2, "toleranceSec": 3.0, "searchTimeoutSec": 45.0,
                    "cooloffHours": 12.0},
            "ui": {"theme": "light"},
            "outputDir": "~/MyDJ",
            "identity": {"enabled": true, "strict": true},
            "spotifyConnected": true
        })");
    }

    // `config` is written as the helper's stored configuration unless it is null.
    explicit StandInSession(std::initializer_list<std::pair<const char*, QByteArray>> switches = {},
        const nlohmann::json& config = storedConfig())
        : m_automation(std::make_unique<AutomationPermissionMonitor>(AppleMusicLocalAccess(
            std::make_shared<FixedProbe>(FixedProbe::codeFor(AppleMusicLocalAccess::Status::undetermined)))))
    {
        set("HOME", m_home.path().toLocal8Bit());
        set("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral(".config")).toLocal8Bit());
        set("MIVO_HELPER_PATH", standInHelperPath().toLocal8Bit());
        set("MIVO_STANDIN_CONFIG", configPath().toLocal8Bit());
        set("MIVO_STANDIN_LIBRARY", "2x4");
        set("MIVO_STANDIN_EVENT_RATE", "0");
        for (const auto& [name, value] : switches)
            set(name, value);
        if (!config.is_null()) {
            QFile file(configPath());
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray::fromStdString(config.dump(2)));
        }
        defaults = std::make_unique<QSettingsUserDefaults>(m_home.filePath(QStringLiteral("defaults.ini")));
        AppModel::Options options;
        options.automationPermission = m_automation.get();
        options.defaults = defaults.get();
        options.cliTool.toolPaths = { m_home.filePath(QStringLiteral("bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        model = std::make_unique<AppModel>(options);
        updater = std::make_unique<UpdaterModel>(&model->sync());
        window = std::make_unique<MainWindow>(
            *model, *updater, MainWindow::Environment { &m_accessibility, defaults.get(), {} });
    }

    ~StandInSession()
    {
        // The helper ends first, with its folder still there: left to itself it
        // would run on after the model, and a write it was still to handle would
        // make its folder again once the session had removed it.
        model->stopHelper();
        window.reset();
        updater.reset();
        model.reset();
    }

    QString home() const { return m_home.path(); }
    QString configPath() const { return m_home.filePath(QStringLiteral("config.json")); }
    QByteArray storedBytes() const
    {
        QFile file(configPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Waits until the helper answered a request sent now; false when the
    // request failed or timed out (the helper is down, or comes back). It
    // handles requests in the order they arrive, so whatever was sent before
    // (a write that should not have been) has reached the stored file by then.
    // Asked of the client itself: a store's read could be taken over by a newer
    // one of the application's own (the reads after the wizard), and would
    // change what the store holds. Not QCoro::waitFor: that never returns from
    // a task that ends with an exception.
    bool helperCaughtUp()
    {
        HelperClienting* client = model->client();
        if (!client)
            return false;
        TaskProbe<ListPlaylistsResult> caughtUp(
            client->request<ListPlaylistsResult>(Request::listPlaylists(), HelperClienting::kDefaultTimeout));
        const auto bound
            = std::chrono::duration_cast<std::chrono::milliseconds>(HelperClienting::kDefaultTimeout)
            + std::chrono::seconds(5);
        return QTest::qWaitFor([&caughtUp] { return caughtUp.isDone(); }, int(bound.count()))
            && !caughtUp.failed();
    }

    // Shows the window, which starts the model, and waits until the helper answered.
    bool showAndWaitForTheHelper()
    {
        window->show();
        return QTest::qWaitForWindowExposed(window.get())
            && QTest::qWaitFor([this] { return model->isReady() || model->startupError(); }, 20000)
            && model->isReady();
    }

    std::unique_ptr<QSettingsUserDefaults> defaults;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<UpdaterModel> updater;
    std::unique_ptr<MainWindow> window;

private:
    void set(const char* name, const QByteArray& value) { m_environment.set(name, value); }

    QTemporaryDir m_home;
    FixedAccessibility m_accessibility { /*reduceMotion=*/true };
    std::unique_ptr<AutomationPermissionMonitor> m_automation;
    // Given back once the destructor has let the window, the model and the helper go.
    ScopedEnvironment m_environment;
};

} // namespace mivo::test
