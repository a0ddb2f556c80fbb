#include "Views/Onboarding/SetupCoordinator.h"

#include "App/AppModel.h"
#include "Base/Log.h"
#include "Services/AutomationPermissionMonitor.h"
#include "State/SettingsStore.h"
#include "State/StoreRequests.h"
#include "State/ToolProvisioningStore.h"
#include "Support/SubscriptionAddress.h"

namespace mivo {

namespace {

QList<SetupCoordinator::Screen> screensFor(SetupCoordinator::Mode mode)
{
    QList<SetupCoordinator::Screen> screens = SetupCoordinator::allScreens();
    if (mode == SetupCoordinator::Mode::reRun)
        screens.removeAll(SetupCoordinator::Screen::welcome);
    return screens;
}

QList<SourceId> everySource()
{
    constexpr auto sources = allCases<SourceId>();
    return QList<SourceId>(sources.begin(), sources.end());
}

template <class T> bool assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

QList<SetupCoordinator::Screen> SetupCoordinator::allScreens()
{
    return { Screen::welcome, Screen::prepareTools, Screen::connectMusic, Screen::downloadSources,
        Screen::fineTuning, Screen::finish };
}

std::optional<SetupCoordinator::Screen> SetupCoordinator::screenFromRawValue(int rawValue)
{
    const QList<Screen> screens = allScreens();
    if (rawValue < 0 || rawValue >= screens.size())
        return std::nullopt;
    return screens.at(rawValue);
}

SetupCoordinator::SetupCoordinator(
    Mode mode, AppModel* model, std::optional<SafeConfig> config, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_model(model)
    , m_screenOrder(screensFor(mode))
    , m_currentScreen(m_screenOrder.isEmpty() ? Screen::prepareTools : m_screenOrder.first())
    , m_selectedSources(config ? config->sources : everySource())
    , m_qualityProfile(QualityProfile::balanced)
    , m_storedProfile(qualityProfileFrom(config ? std::optional(config->quality) : std::nullopt))
    , m_identityEnabled(config && config->identity.enabled)
    , m_identityStrict(config && config->identity.strict)
    , m_outputDir(config && config->outputDir ? *config->outputDir : QString::fromLatin1(kDefaultOutputDir))
    , m_uiTheme(config ? config->ui.theme : Theme::dark)
{
    m_qualityProfile = m_storedProfile.value_or(QualityProfile::balanced);
    if (!config)
        m_defaultsShown = Choices { m_selectedSources, m_qualityProfile, m_identityEnabled, m_identityStrict,
            m_outputDir };
    watchReadiness();
}

int SetupCoordinator::currentIndex() const
{
    const qsizetype index = m_screenOrder.indexOf(m_currentScreen);
    return index < 0 ? 0 : int(index);
}

void SetupCoordinator::advance()
{
    go(currentIndex() + 1);
}

void SetupCoordinator::back()
{
    go(m_screenOrder.isEmpty() ? -1 : currentIndex() - 1);
}

void SetupCoordinator::goToConnectMusic()
{
    if (m_screenOrder.contains(Screen::connectMusic))
        setCurrentScreen(Screen::connectMusic);
}

void SetupCoordinator::go(int index)
{
    if (index < 0 || index >= m_screenOrder.size())
        return;
    setCurrentScreen(m_screenOrder.at(index));
}

void SetupCoordinator::setCurrentScreen(Screen screen)
{
    if (assign(m_currentScreen, screen))
        emit currentScreenChanged();
}

void SetupCoordinator::setSelectedSources(const QList<SourceId>& sources)
{
    if (assign(m_selectedSources, sources))
        emit selectedSourcesChanged();
}

void SetupCoordinator::setQualityProfile(QualityProfile profile)
{
    if (assign(m_qualityProfile, profile))
        emit qualityProfileChanged();
}

void SetupCoordinator::setIdentityEnabled(bool enabled)
{
    if (assign(m_identityEnabled, enabled))
        emit identityEnabledChanged();
}

void SetupCoordinator::setIdentityStrict(bool strict)
{
    if (assign(m_identityStrict, strict))
        emit identityStrictChanged();
}

void SetupCoordinator::setOutputDir(const QString& dir)
{
    if (assign(m_outputDir, dir))
        emit outputDirChanged();
}

void SetupCoordinator::setSoundcloudToken(const QString& token)
{
    if (assign(m_soundcloudToken, token))
        emit soundcloudTokenChanged();
}

void SetupCoordinator::setAcoustidKey(const QString& key)
{
    if (assign(m_acoustidKey, key))
        emit acoustidKeyChanged();
}

void SetupCoordinator::setProxySubscription(const QString& subscription)
{
    if (assign(m_proxySubscription, subscription))
        emit proxySubscriptionChanged();
}

void SetupCoordinator::setDismissedSourceWarning(bool dismissed)
{
    if (assign(m_dismissedSourceWarning, dismissed))
        emit dismissedSourceWarningChanged();
}

void SetupCoordinator::setCommitting(bool committing)
{
    if (assign(m_isCommitting, committing))
        emit isCommittingChanged();
}

void SetupCoordinator::setLastError(std::optional<QString> error)
{
    if (assign(m_lastError, error))
        emit lastErrorChanged();
}

bool SetupCoordinator::canAdvancePastTools() const
{
    if (!m_model)
        return false;
    const ToolProvisioningStore* tools = m_model->toolProvisioning();
    return tools && tools->phase() == ToolProvisioningStore::Phase::ready;
}

bool SetupCoordinator::hasNoSource() const
{
    if (!m_model)
        return true;
    if (const SettingsStore* settings = m_model->settings(); settings && settings->config()) {
        const SafeConfig& config = *settings->config();
        if (config.appleMusicConnected || config.spotifyConnected)
            return false;
    }
    return m_model->automationPermission().status() != AppleMusicLocalAccess::Status::authorized;
}

void SetupCoordinator::watchReadiness()
{
    if (!m_model)
        return;
    watchStores();
    // A wizard opened before the helper link exists learns of its stores here.
    connect(m_model, &AppModel::attached, this, [this] {
        watchStores();
        emit readinessChanged();
    });
    connect(&m_model->automationPermission(), &AutomationPermissionMonitor::statusChanged, this,
        &SetupCoordinator::readinessChanged);
    connect(m_model, &QObject::destroyed, this, &SetupCoordinator::readinessChanged);
}

void SetupCoordinator::watchStores()
{
    if (!m_model)
        return;
    if (ToolProvisioningStore* tools = m_model->toolProvisioning())
        connect(tools, &ToolProvisioningStore::phaseChanged, this, &SetupCoordinator::readinessChanged,
            Qt::UniqueConnection);
    if (SettingsStore* settings = m_model->settings())
        connect(settings, &SettingsStore::configChanged, this, &SetupCoordinator::readinessChanged,
            Qt::UniqueConnection);
}

QCoro::Task<void> SetupCoordinator::commit()
{
    const QPointer<SetupCoordinator> self(this);
    setCommitting(true);
    setLastError(std::nullopt);

    ConfigPatch patch;
    if (!m_defaultsShown) {
        patch.sources = m_selectedSources;
        if (m_qualityProfile != m_storedProfile)
            patch.quality = toQuality(m_qualityProfile);
        patch.ui = SafeConfig::UI { m_uiTheme };
        patch.outputDir = m_outputDir;
        patch.identity = SafeConfig::Identity { m_identityEnabled, m_identityStrict };
    } else {
        // Only what the user changed: the rest of the defaults would
        // overwrite what the helper holds but could not be read.
        const Choices& shown = *m_defaultsShown;
        if (m_selectedSources != shown.sources)
            patch.sources = m_selectedSources;
        if (m_qualityProfile != shown.qualityProfile)
            patch.quality = toQuality(m_qualityProfile);
        if (m_outputDir != shown.outputDir)
            patch.outputDir = m_outputDir;
        if (m_identityEnabled != shown.identityEnabled || m_identityStrict != shown.identityStrict)
            patch.identity = SafeConfig::Identity { m_identityEnabled, m_identityStrict };
    }

    // Judged by the write's own answer: a read after it that fails does not
    // undo what the helper took, and an error from before the commit (the
    // failed read the wizard began without) is not this commit's.
    bool patchRefused = false;
    if (m_model && patch != ConfigPatch {}) {
        if (SettingsStore* settings = m_model->settings())
            patchRefused = !co_await settings->apply(std::move(patch));
    }
    if (!self)
        co_return;

    // The first token the helper did not take; reported when the configuration
    // itself was saved, so the wizard does not close as if everything were.
    std::optional<QString> tokenFailure;
    const std::pair<AccountService, QString SetupCoordinator::*> tokens[] {
        { AccountService::soundcloud, &SetupCoordinator::m_soundcloudToken },
        { AccountService::acoustid, &SetupCoordinator::m_acoustidKey },
        { AccountService::proxy, &SetupCoordinator::m_proxySubscription },
    };
    for (const auto& [service, field] : tokens) {
        // The field keeps what the user typed; only the stored token is trimmed.
        const QString token = (this->*field).trimmed();
        if (token.isEmpty() || !m_model)
            continue;
        // An address that cannot be a subscription is not handed over; the
        // wizard stays open and says why.
        if (service == AccountService::proxy && !SubscriptionAddress::isAcceptable(token)) {
            if (!tokenFailure)
                tokenFailure = SubscriptionAddress::refusalText();
            continue;
        }
        std::optional<QString> failure;
        try {
            co_await m_model->storeAccountToken(service, token, std::nullopt);
        } catch (const std::exception& error) {
            failure = StoreRequests::errorText(error);
        }
        if (!self)
            co_return;
        if (failure) {
            qCWarning(lcApp, "storing the %s token failed: %s", qUtf8Printable(rawString(service)),
                qUtf8Printable(*failure));
            if (!tokenFailure)
                tokenFailure = failure;
        }
    }

    std::optional<QString> error;
    if (m_model && patchRefused) {
        if (const SettingsStore* settings = m_model->settings())
            error = settings->lastError();
    }
    setLastError(error ? error : tokenFailure);
    setCommitting(false);
}

} // namespace mivo
