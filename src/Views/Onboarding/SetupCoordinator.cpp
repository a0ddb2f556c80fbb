#include "Views/Onboarding/SetupCoordinator.h"

#include "App/AppModel.h"
#include "Base/Log.h"
#include "Services/AutomationPermissionMonitor.h"
#include "State/SettingsStore.h"
#include "State/StoreRequests.h"
#include "State/ToolProvisioningStore.h"
#include "Support/SubscriptionAddress.h"

#include <utility>

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

SetupCoordinator::SetupCoordinator(Mode mode, AppModel* model, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_model(model)
    , m_screenOrder(screensFor(mode))
    , m_currentScreen(m_screenOrder.isEmpty() ? Screen::prepareTools : m_screenOrder.first())
    , m_shown(stored())
    , m_hasStoredSettings(hasStoredSettings())
{
    watchReadiness();
}

AppModel* SetupCoordinator::model() const
{
    return m_model;
}

bool SetupCoordinator::hasStoredSettings() const
{
    return m_model && m_model->settings() && m_model->settings()->config();
}

SetupCoordinator::Choices SetupCoordinator::stored() const
{
    const SettingsStore* settings = m_model ? m_model->settings() : nullptr;
    if (!settings || !settings->config())
        return Choices { everySource(), QualityProfile::balanced, false, false,
            QString::fromLatin1(kDefaultOutputDir) };
    const SafeConfig& config = *settings->config();
    return Choices { config.sources, qualityProfileFrom(config.quality).value_or(QualityProfile::balanced),
        config.identity.enabled, config.identity.strict,
        config.outputDir.value_or(QString::fromLatin1(kDefaultOutputDir)) };
}

SetupCoordinator::Choices SetupCoordinator::withChanges(const Choices& base) const
{
    Choices choices = base;
    if (!m_changes.sources.isEmpty()) {
        // The stored order is the search priority set in Settings: it stays. A
        // source switched off leaves the list, one switched on joins its end.
        choices.sources.clear();
        for (const SourceId source : base.sources) {
            if (m_changes.sources.value(source, true))
                choices.sources.append(source);
        }
        for (const SourceId source : allCases<SourceId>()) {
            if (!base.sources.contains(source) && m_changes.sources.value(source, false))
                choices.sources.append(source);
        }
    }
    choices.qualityProfile = m_changes.qualityProfile.value_or(base.qualityProfile);
    choices.identityEnabled = m_changes.identityEnabled.value_or(base.identityEnabled);
    choices.identityStrict = m_changes.identityStrict.value_or(base.identityStrict);
    choices.outputDir = m_changes.outputDir.value_or(base.outputDir);
    return choices;
}

void SetupCoordinator::update()
{
    const Choices shown = withChanges(stored());
    const Choices before = std::exchange(m_shown, shown);
    if (assign(m_hasStoredSettings, hasStoredSettings()))
        emit storedSettingsChanged();
    if (before.sources != shown.sources)
        emit selectedSourcesChanged();
    if (before.qualityProfile != shown.qualityProfile)
        emit qualityProfileChanged();
    if (before.identityEnabled != shown.identityEnabled)
        emit identityEnabledChanged();
    if (before.identityStrict != shown.identityStrict)
        emit identityStrictChanged();
    if (before.outputDir != shown.outputDir)
        emit outputDirChanged();
}

ConfigPatch SetupCoordinator::pendingChanges() const
{
    const Choices base = stored();
    const Choices choices = withChanges(base);
    ConfigPatch patch;
    // Without the stored settings, a list or a record is never sent: it would
    // be made up from defaults. What the user sets whole still is.
    const bool known = hasStoredSettings();
    if (known && !m_changes.sources.isEmpty() && choices.sources != base.sources)
        patch.sources = choices.sources;
    if (m_changes.qualityProfile && (!known || choices.qualityProfile != base.qualityProfile))
        patch.quality = toQuality(choices.qualityProfile);
    if (m_changes.outputDir && (!known || choices.outputDir != base.outputDir))
        patch.outputDir = choices.outputDir;
    if (known
        && ((m_changes.identityEnabled && choices.identityEnabled != base.identityEnabled)
            || (m_changes.identityStrict && choices.identityStrict != base.identityStrict)))
        patch.identity = SafeConfig::Identity { choices.identityEnabled, choices.identityStrict };
    return patch;
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

// Each setter records a change only where the value differs from what the
// configuration holds, and forgets it where the value is set back.
void SetupCoordinator::setSelectedSources(const QList<SourceId>& sources)
{
    // A list never read is never written from a guess.
    if (sources == m_shown.sources || !hasStoredSettings())
        return;
    const Choices base = stored();
    for (const SourceId source : allCases<SourceId>()) {
        const bool chosen = sources.contains(source);
        if (chosen == base.sources.contains(source))
            m_changes.sources.remove(source);
        else
            m_changes.sources.insert(source, chosen);
    }
    update();
}

// A field the user sets whole is the user's choice also where it equals the
// default shown while the stored value is not known.
void SetupCoordinator::setQualityProfile(QualityProfile profile)
{
    const bool asStored = hasStoredSettings() && profile == stored().qualityProfile;
    m_changes.qualityProfile = asStored ? std::nullopt : std::optional(profile);
    update();
    emit choicesChanged();
}

// The identity pair is one record: a member of it is set only over the pair as read.
void SetupCoordinator::setIdentityEnabled(bool enabled)
{
    if (!hasStoredSettings())
        return;
    m_changes.identityEnabled = enabled == stored().identityEnabled ? std::nullopt : std::optional(enabled);
    update();
}

void SetupCoordinator::setIdentityStrict(bool strict)
{
    if (!hasStoredSettings())
        return;
    m_changes.identityStrict = strict == stored().identityStrict ? std::nullopt : std::optional(strict);
    update();
}

void SetupCoordinator::setOutputDir(const QString& dir)
{
    const bool asStored = hasStoredSettings() && dir == stored().outputDir;
    m_changes.outputDir = asStored ? std::nullopt : std::optional(dir);
    update();
    emit choicesChanged();
}

bool SetupCoordinator::isChosen(ChoiceField field) const
{
    switch (field) {
    case ChoiceField::qualityProfile:
        return m_changes.qualityProfile.has_value();
    case ChoiceField::outputDir:
        return m_changes.outputDir.has_value();
    }
    return false;
}

void SetupCoordinator::readAgain()
{
    if (SettingsStore* settings = m_model ? m_model->settings() : nullptr)
        settings->refresh();
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
        update();
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
    if (SettingsStore* settings = m_model->settings()) {
        connect(settings, &SettingsStore::configChanged, this, &SetupCoordinator::readinessChanged,
            Qt::UniqueConnection);
        // The choices the user left alone follow the configuration.
        connect(
            settings, &SettingsStore::configChanged, this, &SetupCoordinator::update, Qt::UniqueConnection);
    }
}

QCoro::Task<void> SetupCoordinator::commit()
{
    const QPointer<SetupCoordinator> self(this);
    setCommitting(true);
    setLastError(std::nullopt);

    // Built on the configuration as it is now, not as it was when the wizard opened.
    ConfigPatch patch = pendingChanges();

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
