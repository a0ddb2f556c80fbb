#include "App/AppModel.h"

#include "Base/Log.h"
#include "Base/Overloaded.h"
#include "State/ReviewOffer.h"
#include "State/StoreRequests.h"
#include "Transport/HelperClient.h"
#include "Transport/HelperProcess.h"

#include <QCollator>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <utility>

namespace mivo {

namespace {

// The engine error code of an expired Spotify sign-in.
const QString kSpotifyAuthExpired = QStringLiteral("spotify_auth_expired");

} // namespace

AppModel::AppModel(QObject* parent)
    : AppModel(Options {}, parent)
{
}

AppModel::AppModel(Options options, QObject* parent)
    : AccountModel(parent)
    , m_options(std::move(options))
    , m_sync(new SyncStore(this))
    , m_cliTool(new CLIToolStore(m_options.cliTool, this))
    , m_automationPermission(m_options.automationPermission ? *m_options.automationPermission
                                                            : AutomationPermissionMonitor::shared())
{
    // A run that died has nothing left to review.
    connect(m_sync, &SyncStore::runStopped, this, [this] {
        setInspectorPresented(false);
        setFocusedReviewTrackId(std::nullopt);
    });
    connect(m_sync, &SyncStore::cancelDue, this, [this](const QString& runId) { sendCancel(runId); });
    connect(m_sync, &SyncStore::phaseChanged, this, [this] { restorePreview(false); });
    // The start event of a run that was cancelled before it was confirmed empties
    // the groups without a change of phase.
    connect(m_sync, &SyncStore::groupsChanged, this, [this] { restorePreview(false); });
}

AppModel::AppModel(std::unique_ptr<HelperClienting> client, QObject* parent)
    : AppModel(std::move(client), Options {}, parent)
{
}

AppModel::AppModel(std::unique_ptr<HelperClienting> client, Options options, QObject* parent)
    : AppModel(std::move(options), parent)
{
    attach(std::move(client));
}

// MARK: Start-up

QCoro::Task<void> AppModel::start()
{
    if (m_client)
        co_return;
    const QPointer<AppModel> self(this);
    if (!std::exchange(m_readingStartupConfig, true))
        emit readingStartupConfigChanged();
    std::optional<QString> failure;
    try {
        // Locating the helper fails with helperMissing; the model then stays without
        // a client, and the next start() tries again.
        auto client = std::make_unique<HelperClient>(
            HelperProcess::create({ QStringLiteral("serve") }, *m_options.clock), *m_options.clock);
        HelperClient* helperClient = client.get();
        attach(std::move(client));
        // A failed launch is not retried: the client stays attached.
        QCoro::Task<void> launched = helperClient->start();
        co_await std::move(launched);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (!self)
        co_return;
    if (failure) {
        setStartupError(*failure);
        qCWarning(lcApp, "startup failed: %s", qUtf8Printable(*failure));
        startupConfigReadEnded();
        co_return;
    }
    setStartupError(std::nullopt);
    setReady(true);
    co_await initialFetch();
}

void AppModel::shutdown()
{
    ++m_bridgeGeneration;
}

std::optional<HelperProcess::Stop> AppModel::stopHelper()
{
    auto* helper = qobject_cast<HelperClient*>(m_client.get());
    if (helper)
        awaitSettingsWrites(HelperProcess::kStopGrace);
    shutdown();
    if (!helper)
        return std::nullopt;
    return helper->process().stop(HelperProcess::kStopGrace, HelperProcess::kTerminateGrace);
}

void AppModel::awaitSettingsWrites(std::chrono::milliseconds grace)
{
    if (!m_settings)
        return;
    // The helper's input stays open until the changes the user made are
    // answered, or the grace is over.
    if (m_settings->hasUnansweredWrites()) {
        QEventLoop loop;
        QTimer::singleShot(grace, &loop, &QEventLoop::quit);
        connect(m_settings, &SettingsStore::writeSettled, &loop, [this, &loop] {
            if (!m_settings->hasUnansweredWrites())
                loop.quit();
        });
        loop.exec();
    }
    const QStringList fields = m_settings->fieldsInFlight();
    if (!fields.isEmpty())
        qCWarning(lcApp, "quitting with settings changes not known to be saved: %s",
            qUtf8Printable(fields.join(QStringLiteral(", "))));
}

void AppModel::attach(std::unique_ptr<HelperClienting> client)
{
    m_client = std::move(client);
    HelperClienting& helper = *m_client;
    m_library = new LibraryStore(helper, this);
    m_preview = new PreviewStore(helper, m_options.previewDebounce, *m_options.clock, this);
    m_settings = new SettingsStore(helper, this);
    m_diagnostics = new DiagnosticsStore(helper, this);
    m_orphans = new OrphansStore(helper, this);
    m_toolProvisioning = new ToolProvisioningStore(helper, this);
    // The installed command-line tool is looked at before the helper is launched.
    m_cliTool->detect();
    emit attached();
    startBridge();
}

void AppModel::startBridge()
{
    const quint64 generation = ++m_bridgeGeneration;
    runBridge(&m_client->events(), generation);
}

QCoro::Task<void> AppModel::runBridge(QPointer<HelperEventStream> stream, quint64 generation)
{
    const QPointer<AppModel> self(this);
    std::optional<StreamEnd> end;
    while (stream) {
        QCoro::Task<std::optional<HelperEvent>> next = stream->next();
        std::optional<HelperEvent> event = co_await std::move(next);
        if (!event) {
            end = stream ? stream->endReason() : std::nullopt;
            break;
        }
        // Once the model is gone or the bridge was stopped, events are consumed and dropped.
        if (self && self->isCurrentBridge(generation))
            self->route(*event);
    }
    if (!self || !self->isCurrentBridge(generation))
        co_return;
    self->helperGone(end.value_or(StreamEnd::clientReleased));
}

void AppModel::helperGone(StreamEnd reason)
{
    // No event of a run still under way can arrive any more.
    m_sync->eventStreamEnded(reason);
    // The helper will not come back: every later action would fail on its own, so
    // the model says so once, where the windows look.
    const HelperError error
        = reason == StreamEnd::gaveUp ? HelperError::helperCrashed() : HelperError::helperUnavailable();
    qCWarning(lcApp, "helper gone: %s", qUtf8Printable(error.userText()));
    if (m_settings)
        m_settings->helperGone();
    setReady(false);
    setStartupError(error.userText());
}

QCoro::Task<void> AppModel::initialFetch()
{
    const QPointer<AppModel> self(this);
    // The playlists are asked for only once the configuration has been read,
    // whatever came of that.
    if (m_settings)
        co_await m_settings->refresh();
    if (!self)
        co_return;
    if (self->m_readingStartupConfig)
        self->startupConfigReadEnded();
    if (self->m_library)
        co_await self->m_library->refresh(std::nullopt);
}

void AppModel::startupConfigReadEnded()
{
    if (std::exchange(m_readingStartupConfig, false))
        emit readingStartupConfigChanged();
    // The read that was waited for counts as the wizard's own, whatever came of it.
    if (const std::optional<SetupCoordinator::Mode> mode
        = std::exchange(m_onboardingAfterStartup, std::nullopt))
        openOnboarding(*mode, false);
}

// MARK: Event routing

void AppModel::route(const HelperEvent& event)
{
    m_sync->route(event);
    std::visit(Overloaded {
                   [this](const HelperEvent::Server& server) { route(server.event); },
                   [](const HelperEvent::HelperCrashed&) {},
                   [this](const HelperEvent::HelperReady&) {
                       setStartupError(std::nullopt);
                       setReady(true);
                       // Changes whose answer a crash took are read back.
                       if (m_settings)
                           m_settings->helperReady();
                       // A preview asked for while the helper was down is asked for again.
                       restorePreview(true);
                   },
               },
        event.value);
}

void AppModel::route(const ServerEvent& event)
{
    std::visit(Overloaded {
                   [this](const ServerEvent::ToolProgress& e) {
                       if (m_toolProvisioning)
                           m_toolProvisioning->apply(e.tool, e.phase, e.percent, e.detail);
                   },
                   [this](const ServerEvent::Log& e) {
                       if (m_diagnostics)
                           m_diagnostics->appendLog(e.level, e.message);
                       // Kept only while tools are being provisioned.
                       if (m_toolProvisioning)
                           m_toolProvisioning->note(e.message);
                   },
                   [this](const ServerEvent::OrphansFound& e) {
                       // With or without a playlist id.
                       if (m_orphans)
                           m_orphans->accumulate(e.paths);
                   },
                   [this](const ServerEvent::Error& e) {
                       if (e.code == kSpotifyAuthExpired)
                           refreshSettings();
                   },
                   [this](const ServerEvent::SyncStarted&) {
                       // The start whose request failed began a run after all.
                       if (const std::optional<SyncBanner> banner
                           = std::exchange(m_startFailureBanner, std::nullopt))
                           m_sync->withdrawBanner(*banner);
                   },
                   [](const auto&) {},
               },
        event.value);
}

QCoro::Task<void> AppModel::refreshSettings()
{
    if (m_settings)
        co_await m_settings->refresh();
}

// MARK: Selection and sync

QList<PlaylistDTO> AppModel::selectedPlaylists() const
{
    QList<PlaylistDTO> playlists;
    for (const QString& id : m_library->selection()) {
        std::optional<PlaylistDTO> playlist = m_library->playlist(id);
        if (playlist && !playlist->isFolder)
            playlists.append(std::move(*playlist));
    }
    // Digits compare by their numeric value ("Set 2" before "Set 10"), letters
    // without regard to case. Equal names fall back to the id, so that the same
    // selection always gives the same order. The C locale has no collation of its
    // own (names would compare by code point, digits one by one): English rules
    // stand in for it.
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(playlists.begin(), playlists.end(), [&collator](const PlaylistDTO& a, const PlaylistDTO& b) {
        const int order = collator.compare(a.name, b.name);
        return order != 0 ? order < 0 : a.id < b.id;
    });
    return playlists;
}

void AppModel::selectionChanged()
{
    if (!m_library || !m_preview)
        return;
    if (m_sync->isRunning()) {
        m_preview->clear();
        return;
    }
    if (!m_sync->groups().isEmpty())
        m_sync->clearResults();
    m_preview->update(selectedPlaylists());
}

void AppModel::startSync()
{
    if (!m_library)
        return;
    if (m_preview)
        m_preview->clear();
    // A start made while an earlier one still waits began from where that one did.
    if (!m_startPending || m_sync->phase() != SyncPhase::preparing)
        m_phaseBeforeStart = m_sync->phase();
    m_startPending = true;
    m_startFailureBanner.reset();
    m_sync->markPreparing();
    runStart(++m_startGeneration);
}

QCoro::Task<void> AppModel::runStart(quint64 attempt)
{
    const QPointer<AppModel> self(this);
    bool started = false;
    std::optional<QString> failure;
    try {
        QCoro::Task<bool> request = m_library->startSync(std::nullopt);
        started = co_await std::move(request);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    // A newer start has taken over: it writes the outcome.
    if (!self || attempt != self->m_startGeneration)
        co_return;
    m_startPending = false;
    if (started)
        co_return;
    // The helper confirmed this start with its run's start event (markPreparing
    // forgot the earlier run's id): the run is under way, or was cancelled, and
    // its own events tell how it goes. A reply that failed after that (timed
    // out, say) says nothing the user needs.
    if (failure && m_sync->runId()) {
        qCInfo(lcApp, "startSync failed after its run started: %s", qUtf8Printable(*failure));
        co_return;
    }
    const auto outcome = failure ? SyncStore::StartOutcome::failed : SyncStore::StartOutcome::declined;
    if (failure) {
        // Withdrawn again when the helper still starts the run (a late start event).
        m_startFailureBanner = SyncBanner { SyncBanner::Kind::error, *failure, std::nullopt };
        m_sync->setBanner(m_startFailureBanner);
    } else {
        m_sync->setBanner(SyncBanner {
            SyncBanner::Kind::info, QStringLiteral("Select one or more playlists first."), std::nullopt });
    }
    // No run began: the phase returns to what it was, and the preview that the start
    // cleared comes back, unless the user or the helper has moved on meanwhile.
    m_sync->abandonStart(m_phaseBeforeStart, outcome);
    restorePreview(false);
}

void AppModel::restorePreview(bool retryFailed)
{
    // While a run is live, or while its groups are shown, the preview stays away.
    if (!m_library || !m_preview || m_sync->isRunning() || !m_sync->groups().isEmpty())
        return;
    if (retryFailed && m_preview->failedCount() > 0)
        m_preview->clear();
    // The same selection already shown (or on its way) is left alone.
    m_preview->update(selectedPlaylists());
}

void AppModel::retryTrack(const QString& trackId)
{
    Q_UNUSED(trackId);
    if (!canRetry()) {
        qCDebug(lcApp, "retry ignored: a sync is running");
        return;
    }
    startSync();
}

bool AppModel::canRetry() const
{
    return m_library && !m_sync->isRunning();
}

void AppModel::cancelSync()
{
    if (!m_client)
        return;
    m_sync->markCancelled();
    // A start the helper has not confirmed yet is cancelled once its run id arrives.
    if (!m_sync->isCancelPending())
        sendCancel(m_sync->runId());
}

QCoro::Task<void> AppModel::sendCancel(std::optional<QString> runId)
{
    try {
        QCoro::Task<void> sent = requireClient().notify(Request::cancelSync(std::move(runId)));
        co_await std::move(sent);
    } catch (const std::exception& error) {
        qCDebug(lcApp, "cancelSync not sent: %s", error.what());
    }
}

void AppModel::submitReview(const QString& trackId, const ReviewDecision& decision)
{
    if (!m_client)
        return;
    // One decision per track and run: a track whose decision is on its way waits for
    // the helper to move it on.
    if (m_sync->trackState(trackId).isDecisionSent()) {
        qCDebug(lcApp, "review of %s already decided in this run", qUtf8Printable(trackId));
        return;
    }
    // A waiting row leaves the review queue now, before the helper answers.
    m_sync->markDecisionSent(trackId);
    sendReview(trackId, decision);
}

QCoro::Task<void> AppModel::sendReview(QString trackId, ReviewDecision decision)
{
    try {
        QCoro::Task<void> sent
            = requireClient().notify(Request::reviewDecision(m_sync->reviewRunId(), trackId, decision));
        co_await std::move(sent);
    } catch (const std::exception& error) {
        qCDebug(lcApp, "reviewDecision not sent: %s", error.what());
    }
}

void AppModel::skipTrack(const QString& trackId)
{
    if (!canSkip(trackId)) {
        qCDebug(lcApp, "skip ignored: %s is not a track of a live run", qUtf8Printable(trackId));
        return;
    }
    submitReview(trackId, ReviewDecision::skip());
}

bool AppModel::canSkip(const QString& trackId) const
{
    if (!m_client || !m_sync->runId() || !m_sync->holdsTrack(trackId))
        return false;
    const SyncPhase phase = m_sync->phase();
    if (phase == SyncPhase::running || phase == SyncPhase::finishing)
        return !m_sync->trackState(trackId).isDecisionSent();
    // A run that ended normally still takes the decisions it asked for.
    return phase == SyncPhase::done && m_sync->trackState(trackId).isAwaitingReview();
}

// MARK: Review focus

void AppModel::focusReview(const QString& trackId)
{
    setFocusedReviewTrackId(trackId);
    setInspectorPresented(true);
}

std::shared_ptr<TrackModel> AppModel::resolvedFocusedReview() const
{
    // Only rows still waiting are in the queue: a run that died has none, and a
    // track whose decision was sent has left it.
    if (!m_focusedReviewTrackId)
        return nullptr;
    for (const auto& track : m_sync->reviewQueue()) {
        if (track->id() == *m_focusedReviewTrackId)
            return track;
    }
    return nullptr;
}

bool AppModel::decideFocusedReview(const ReviewDecision& decision)
{
    const std::shared_ptr<TrackModel> track = resolvedFocusedReview();
    if (!track)
        return false;
    const auto* waiting = std::get_if<TrackState::AwaitingReview>(&track->state().value);
    const std::optional<ReviewDecision> offered
        = ReviewOffer::validated(waiting ? waiting->candidates : QList<CandidateDTO>(), decision);
    if (!offered)
        return false;
    submitReview(track->id(), *offered);
    // The helper has not moved the decided track on yet: it is still in the queue.
    // The focus goes to the earliest track still waiting, not to the next one.
    for (const auto& next : m_sync->reviewQueue()) {
        if (next->id() != track->id()) {
            setFocusedReviewTrackId(next->id());
            return true;
        }
    }
    setFocusedReviewTrackId(std::nullopt);
    setInspectorPresented(false);
    return true;
}

void AppModel::openReview()
{
    if (!m_focusedReviewTrackId || !resolvedFocusedReview()) {
        const QList<std::shared_ptr<TrackModel>> queue = m_sync->reviewQueue();
        setFocusedReviewTrackId(queue.isEmpty() ? std::nullopt : std::optional(queue.first()->id()));
    }
    setInspectorPresented(m_sync->anyReviewPending() || m_focusedReviewTrackId.has_value());
}

void AppModel::stepReview(int step)
{
    const QList<std::shared_ptr<TrackModel>> queue = m_sync->reviewQueue();
    if (queue.isEmpty()) {
        setFocusedReviewTrackId(std::nullopt);
        return;
    }
    const qsizetype count = queue.size();
    qsizetype position = 0;
    if (m_focusedReviewTrackId) {
        for (qsizetype i = 0; i < count; ++i) {
            if (queue[i]->id() == *m_focusedReviewTrackId) {
                position = i;
                break;
            }
        }
    }
    // Wraps around at both ends, whatever the size of the step.
    const qsizetype target = ((position + step) % count + count) % count;
    setFocusedReviewTrackId(queue[target]->id());
}

// MARK: Setup wizard

UserDefaults& AppModel::defaults() const
{
    return m_options.defaults ? *m_options.defaults : UserDefaults::standard();
}

void AppModel::beginOnboarding(std::optional<SetupCoordinator::Mode> mode)
{
    const SetupCoordinator::Mode chosen = mode.value_or(
        defaults().didOnboard() ? SetupCoordinator::Mode::reRun : SetupCoordinator::Mode::firstRun);
    // A wizard made before the start-up read ended would show defaults, and
    // finishing it would write them over what the helper holds.
    if (m_readingStartupConfig) {
        // The first run decided by "didOnboard" is not turned into a re-run by
        // a later request (one that would skip the welcome and the source warning).
        if (m_onboardingAfterStartup != SetupCoordinator::Mode::firstRun)
            m_onboardingAfterStartup = chosen;
        return;
    }
    openOnboarding(chosen, true);
}

QCoro::Task<void> AppModel::openOnboarding(SetupCoordinator::Mode mode, bool readFirst)
{
    const QPointer<AppModel> self(this);
    if (readFirst && m_settings && !m_settings->config())
        co_await m_settings->refresh();
    if (!self)
        co_return;
    // The coordinator reads the configuration from the settings store for as
    // long as the wizard is open; it keeps no copy of its own.
    setSetupCoordinator(new SetupCoordinator(mode, this, this));
    setOnboardingPresented(true);
}

void AppModel::finishOnboarding()
{
    setOnboardingPresented(false);
    setSetupCoordinator(nullptr);
    initialFetch();
}

void AppModel::setSetupCoordinator(SetupCoordinator* coordinator)
{
    if (m_setupCoordinator == coordinator)
        return;
    if (m_setupCoordinator)
        m_setupCoordinator->deleteLater();
    m_setupCoordinator = coordinator;
    emit setupCoordinatorChanged();
}

// MARK: Accounts

QCoro::Task<void> AppModel::connectSpotify()
{
    if (!m_client || isSigningIn(AccountService::spotify))
        co_return;
    setSigningIn(AccountService::spotify, true);
    const QPointer<AppModel> self(this);
    std::optional<QString> failure;
    try {
        QCoro::Task<void> sent = m_client->send(Request::connectSpotify(), kConnectSpotifyTimeout);
        co_await std::move(sent);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (!self)
        co_return;
    if (failure) {
        m_sync->setBanner(SyncBanner { SyncBanner::Kind::error,
            QStringLiteral("Spotify connection failed: ") + *failure, std::nullopt });
        setSigningIn(AccountService::spotify, false);
        co_return;
    }
    co_await initialFetch();
    if (self)
        self->setSigningIn(AccountService::spotify, false);
}

QCoro::Task<void> AppModel::storeAccountToken(
    AccountService service, QString token, std::optional<QString> clientId)
{
    HelperClienting& client = requireClient();
    QCoro::Task<void> sent
        = client.send(Request::storeAccountToken(service, token, clientId), HelperClienting::kDefaultTimeout);
    co_await std::move(sent);
}

QCoro::Task<void> AppModel::disconnectAccount(AccountService service)
{
    const QPointer<AppModel> self(this);
    HelperClienting& client = requireClient();
    QCoro::Task<void> sent
        = client.send(Request::disconnectAccount(service), HelperClienting::kDefaultTimeout);
    co_await std::move(sent);
    if (self && self->m_settings)
        co_await self->m_settings->refresh();
}

QCoro::Task<void> AppModel::requestMusicAppAccess()
{
    const QPointer<AppModel> self(this);
    QCoro::Task<AutomationPermissionMonitor::Status> asked = m_automationPermission.requestAccess();
    co_await std::move(asked);
    // Read again rather than taken from the answer: the monitor holds what counts now.
    if (!self || self->m_automationPermission.status() != AutomationPermissionMonitor::Status::authorized
        || !self->m_library)
        co_return;
    QCoro::Task<void> listed = self->m_library->refresh(PlaylistSourceId::apple);
    co_await std::move(listed);
}

HelperClienting& AppModel::requireClient() const
{
    if (!m_client)
        throw HelperError::helperUnavailable();
    return *m_client;
}

// MARK: Observed fields

void AppModel::setStartupError(std::optional<QString> error)
{
    if (m_startupError == error)
        return;
    m_startupError = std::move(error);
    emit startupErrorChanged();
}

void AppModel::setReady(bool ready)
{
    if (m_isReady == ready)
        return;
    m_isReady = ready;
    emit isReadyChanged();
}

void AppModel::setSigningIn(AccountService service, bool signingIn)
{
    if (isSigningIn(service) == signingIn)
        return;
    if (signingIn)
        m_signingIn.append(service);
    else
        m_signingIn.removeAll(service);
    emit signingInChanged();
}

void AppModel::setFocusedReviewTrackId(std::optional<QString> trackId)
{
    if (m_focusedReviewTrackId == trackId)
        return;
    m_focusedReviewTrackId = std::move(trackId);
    emit focusedReviewTrackIdChanged();
}

void AppModel::setInspectorPresented(bool presented)
{
    if (m_isInspectorPresented == presented)
        return;
    m_isInspectorPresented = presented;
    emit isInspectorPresentedChanged();
}

void AppModel::setOnboardingPresented(bool presented)
{
    if (m_isOnboardingPresented == presented)
        return;
    m_isOnboardingPresented = presented;
    emit isOnboardingPresentedChanged();
}

} // namespace mivo
