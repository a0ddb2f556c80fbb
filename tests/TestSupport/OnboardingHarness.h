#pragma once

#include "App/AppModel.h"
#include "Services/AppleMusicLocalAccess.h"
#include "Services/AutomationPermissionMonitor.h"
#include "Support/SampleData.h"
#include "Support/UserDefaults.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace mivo::test {

// Answers every automation consent question with the code the test set.
class FixedProbe : public AutomationProbe {
public:
    explicit FixedProbe(qint32 code, bool supported = true)
        : m_code(code)
        , m_supported(supported)
    {
    }
    std::optional<qint32> determinePermission(const QString&, bool) override { return m_code; }
    bool isSupported() const override { return m_supported; }

    static qint32 codeFor(AppleMusicLocalAccess::Status status)
    {
        switch (status) {
        case AppleMusicLocalAccess::Status::authorized:
            return kPermitted;
        case AppleMusicLocalAccess::Status::denied:
            return kNotPermitted;
        case AppleMusicLocalAccess::Status::undetermined:
            break;
        }
        return kWouldRequireConsent;
    }

private:
    qint32 m_code;
    bool m_supported;
};

// An application model over a scripted helper client, or over none, with the
// Music app's automation consent the test chose and user defaults of its own.
struct OnboardingHarness {
    explicit OnboardingHarness(bool attached = true,
        AppleMusicLocalAccess::Status automationStatus = AppleMusicLocalAccess::Status::undetermined,
        bool automationSupported = true)
        : automation(std::make_unique<AutomationPermissionMonitor>(AppleMusicLocalAccess(
            std::make_shared<FixedProbe>(FixedProbe::codeFor(automationStatus), automationSupported))))
        , defaults(std::make_unique<QSettingsUserDefaults>(folder.filePath(QStringLiteral("defaults.ini"))))
    {
        AppModel::Options options;
        options.automationPermission = automation.get();
        options.defaults = defaults.get();
        if (!attached) {
            model = std::make_unique<AppModel>(options);
            return;
        }
        auto scripted = std::make_unique<ScriptedHelperClient>();
        client = scripted.get();
        model = std::make_unique<AppModel>(std::move(scripted), options);
    }

    void loadConfig(const SafeConfig& config)
    {
        client->enqueue(Method::getConfig, ScriptedHelperClient::Outcome::encoded(ConfigResult { config }));
        QCoro::waitFor(model->settings()->refresh());
        client->clearSent();
    }

    // Reads the sample configuration, and answers the reads that opening and
    // finishing the wizard (or Settings) make with it and an empty library.
    void answerSampleReads()
    {
        loadConfig(SampleData::sampleConfig());
        for (int i = 0; i < 4; ++i) {
            client->enqueue(Method::getConfig,
                ScriptedHelperClient::Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
            client->enqueue(
                Method::listPlaylists, ScriptedHelperClient::Outcome::result(R"({"playlists":[]})"));
        }
    }

    QList<Request> sentRequests() const
    {
        QList<Request> requests;
        for (const ScriptedHelperClient::Sent& sent : client->sent())
            requests.append(sent.request);
        return requests;
    }

    QTemporaryDir folder;
    std::unique_ptr<AutomationPermissionMonitor> automation;
    std::unique_ptr<UserDefaults> defaults;
    ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;
};

} // namespace mivo::test
