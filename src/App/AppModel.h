#pragma once

#include "Base/MonotonicClock.h"
#include "Services/AutomationPermissionMonitor.h"
#include "State/AccountModel.h"
#include "State/CLIToolStore.h"
#include "State/DiagnosticsStore.h"
#include "State/LibraryStore.h"
#include "State/OrphansStore.h"
#include "State/PreviewStore.h"
#include "State/SettingsStore.h"
#include "State/SyncPhase.h"
#include "State/SyncStore.h"
#include "State/ToolProvisioningStore.h"
#include "State/TrackModel.h"
#include "Support/UserDefaults.h"
#include "Transport/HelperClienting.h"
#include "Transport/HelperError.h"
#include "Transport/HelperEvent.h"
#include "Transport/HelperProcess.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/Request.h"
#include "Transport/SyncRecords.h"
#include "Transport/WireVocabulary.h"
#include "Views/Onboarding/SetupCoordinator.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

namespace mivo {

// The root of the application's observable state and the only owner of the helper
// link. start() launches the helper, creates the stores that need it, runs the
// initial fetch and starts the event bridge, which hands every helper event to the
// sync store first and then to the one other store the event concerns. The windows
// call the user actions below; they never talk to the helper client themselves.
//
// Lives on the main thread. Work that talks to the helper runs in tasks that cannot
// be cancelled: each checks that the model still exists after every wait, and work
// superseded by newer work (a newer start of a sync) writes nothing.
class AppModel : public AccountModel {
    Q_OBJECT
    Q_PROPERTY(mivo::HelperClienting* client READ client NOTIFY attached)
    Q_PROPERTY(mivo::LibraryStore* library READ library NOTIFY attached)
    Q_PROPERTY(mivo::PreviewStore* preview READ preview NOTIFY attached)
    Q_PROPERTY(mivo::SettingsStore* settings READ settings NOTIFY attached)
    Q_PROPERTY(mivo::DiagnosticsStore* diagnostics READ diagnostics NOTIFY attached)
    Q_PROPERTY(mivo::OrphansStore* orphans READ orphans NOTIFY attached)
    Q_PROPERTY(mivo::ToolProvisioningStore* toolProvisioning READ toolProvisioning NOTIFY attached)
    Q_PROPERTY(std::optional<QString> startupError READ startupError NOTIFY startupErrorChanged)
    Q_PROPERTY(bool isReady READ isReady NOTIFY isReadyChanged)
    Q_PROPERTY(std::optional<QString> focusedReviewTrackId READ focusedReviewTrackId WRITE
            setFocusedReviewTrackId NOTIFY focusedReviewTrackIdChanged)
    Q_PROPERTY(bool isInspectorPresented READ isInspectorPresented WRITE setInspectorPresented NOTIFY
            isInspectorPresentedChanged)
    Q_PROPERTY(bool isOnboardingPresented READ isOnboardingPresented WRITE setOnboardingPresented NOTIFY
            isOnboardingPresentedChanged)
    Q_PROPERTY(mivo::SetupCoordinator* setupCoordinator READ setupCoordinator NOTIFY setupCoordinatorChanged)
    Q_PROPERTY(bool isReadingStartupConfig READ isReadingStartupConfig NOTIFY readingStartupConfigChanged)

public:
    // What the model builds its parts with; tests replace the clock, the preview's
    // quiet period and the places where the command-line tool is looked for.
    struct Options {
        MonotonicClock* clock = &MonotonicClock::system();
        MonotonicClock::Duration previewDebounce = PreviewStore::kDebounce;
        CLIToolStore::Context cliTool = CLIToolStore::Context::system();
        // The Music app's automation consent; none is the process-wide monitor.
        AutomationPermissionMonitor* automationPermission = nullptr;
        // Where "didOnboard" is read; none is the user's own defaults.
        UserDefaults* defaults = nullptr;
    };

    // A model without a helper link; start() makes one.
    explicit AppModel(QObject* parent = nullptr);
    explicit AppModel(Options options, QObject* parent = nullptr);
    // A model on a given client (such as the design-time substitute), attached at
    // once: start() then returns at once, launching and fetching nothing.
    explicit AppModel(std::unique_ptr<HelperClienting> client, QObject* parent = nullptr);
    AppModel(std::unique_ptr<HelperClienting> client, Options options, QObject* parent = nullptr);

    // Locates and launches the helper, attaches it, marks the model ready and reads
    // the configuration, then the playlists. Never throws: a failure ends in
    // startupError. Returns at once when a client is already attached.
    QCoro::Task<void> start();
    // Stops routing the helper's events (they are still consumed, so none pile up).
    // The helper keeps running and nothing is cleared.
    void shutdown();
    // The application's way out, after its windows have closed: stops routing
    // events, then leaves the helper its end of input and a bounded time to end by
    // itself before it is terminated, and only then killed (HelperProcess::stop).
    // Blocks until the helper has ended. Nothing without a helper of our own.
    // Before its input is closed, configuration writes still unanswered get
    // the same grace to be answered; one that is not is logged with its fields.
    std::optional<HelperProcess::Stop> stopHelper();

    HelperClienting* client() const { return m_client.get(); }
    SyncStore& sync() override { return *m_sync; }
    CLIToolStore& cliTool() { return *m_cliTool; }
    AutomationPermissionMonitor& automationPermission() { return m_automationPermission; }
    // Where "didOnboard" is kept: the options' defaults, else the user's own.
    UserDefaults& defaults() const;
    // The clock the model and its views measure time on.
    MonotonicClock& clock() const { return *m_options.clock; }
    // Absent until a client is attached; then the same stores for the model's life.
    LibraryStore* library() const { return m_library; }
    PreviewStore* preview() const { return m_preview; }
    SettingsStore* settings() const override { return m_settings; }
    DiagnosticsStore* diagnostics() const { return m_diagnostics; }
    OrphansStore* orphans() const { return m_orphans; }
    ToolProvisioningStore* toolProvisioning() const { return m_toolProvisioning; }

    // The user-facing text of the failure that kept the helper link from starting,
    // or that ended it for good (a clean exit, restarts given up, a failed
    // relaunch); isReady is then false. A later successful start clears it.
    const std::optional<QString>& startupError() const { return m_startupError; }
    bool isReady() const { return m_isReady; }

    const std::optional<QString>& focusedReviewTrackId() const { return m_focusedReviewTrackId; }
    void setFocusedReviewTrackId(std::optional<QString> trackId);
    bool isInspectorPresented() const { return m_isInspectorPresented; }
    void setInspectorPresented(bool presented);
    bool isOnboardingPresented() const { return m_isOnboardingPresented; }
    void setOnboardingPresented(bool presented);

    // The setup wizard's state while the wizard is shown; none otherwise.
    SetupCoordinator* setupCoordinator() const { return m_setupCoordinator; }
    // Shows the setup wizard: reads the configuration first when none has been
    // read yet (until a read brought it or failed), then makes a new
    // coordinator, which follows the settings store's configuration while the
    // wizard is open, and presents the wizard. Without a mode the
    // wizard is a re-run once "didOnboard" is set, a first run before. While
    // start() has yet to finish its own configuration read, the wizard waits for
    // that read to end instead; a first run waiting so stays a first run, whatever
    // is asked for meanwhile. A wizard already shown is replaced. Returns at once.
    void beginOnboarding(std::optional<SetupCoordinator::Mode> mode = std::nullopt);
    // From the beginning of start() until its configuration read ended, with a
    // configuration or a failure (also when a newer read took its place).
    bool isReadingStartupConfig() const { return m_readingStartupConfig; }
    // The wizard's last step: hides it and drops its coordinator, then reads the
    // configuration and the playlists of all sources again. Returns at once;
    // "didOnboard" is left to the caller.
    void finishOnboarding();

    // The sidebar's selection changed: previews the selected playlists, sorted by
    // name; while a sync runs it only clears the preview, and after a run it first
    // clears the run's results.
    void selectionChanged();
    // Starts a sync of the selected playlists. A start that is declined (nothing
    // selected) or fails shows a banner and returns to the phase held before.
    void startSync();
    // Runs the sync of the current selection again; the track id is not used. Does
    // nothing while a run is live: a second start mid-run would only be refused.
    void retryTrack(const QString& trackId);
    // Whether retryTrack() would start a run now.
    bool canRetry() const;
    // Marks the run cancelled at once and tells the helper; a run not confirmed yet
    // is stopped as soon as its id arrives, and never shows as running.
    void cancelSync();
    // Tells the helper the user's decision for a track awaiting review; the helper's
    // events then move the track on. Until they do, the track is out of the review
    // queue, and a second decision for it in the same run is not sent.
    void submitReview(const QString& trackId, const ReviewDecision& decision);
    // Skips a track of the live run; any other track (a preview row, a row of a run
    // that has ended) has no run to be skipped in, and nothing is sent.
    void skipTrack(const QString& trackId);
    // Whether skipTrack() would tell the helper.
    bool canSkip(const QString& trackId) const;
    // Focuses that track in the review inspector and shows the inspector.
    void focusReview(const QString& trackId);
    // Shows the review inspector on the focused track, or on the first one waiting.
    void openReview();
    // The waiting track that has the focus; none when the focus is stale, the run
    // that asked for the review died, or the track's decision was sent.
    std::shared_ptr<TrackModel> resolvedFocusedReview() const;
    // The user's decision on the focused review. Sends it when it is on offer for
    // that track (ReviewOffer), then focuses the first track still waiting, the
    // decided one aside, or, when none is left, clears the focus and closes the
    // inspector. Returns whether the decision was taken: without a focused review,
    // or for a decision not on offer, nothing is sent and nothing changes.
    bool decideFocusedReview(const ReviewDecision& decision);
    // Moves the focus by `step` through the tracks waiting for review, wrapping around.
    void stepReview(int step);

    // Lets the helper run the Spotify sign-in, then reads the configuration and the
    // playlists again. Never throws: a failure shows in the sync banner. While a
    // sign-in is under way a second one returns at once and sends nothing.
    QCoro::Task<void> connectSpotify() override;
    // Whether a sign-in to that service is under way (from the request until the
    // configuration and playlists were read again); signingInChanged() tells.
    bool isSigningIn(AccountService service) const { return m_signingIn.contains(service); }
    // The helper's Spotify sign-in parameters, decoded as T. Throws HelperError.
    template <class T> QCoro::Task<T> requestSpotifyAuthParams();
    // Hands an account token to the helper. Throws HelperError.
    QCoro::Task<void> storeAccountToken(
        AccountService service, QString token, std::optional<QString> clientId = std::nullopt) override;
    // Removes an account from the helper, then reads the configuration again.
    // Throws HelperError.
    QCoro::Task<void> disconnectAccount(AccountService service);
    // Asks for consent to read the Music app (the system may ask the user) and,
    // when it is given, lists that app's playlists at once. Never throws.
    QCoro::Task<void> requestMusicAppAccess();

    static constexpr std::chrono::seconds kConnectSpotifyTimeout { 300 };
    static constexpr qsizetype kLogCapacity = 500;

signals:
    // The client and the stores that need it were created.
    void attached();
    void startupErrorChanged();
    void isReadyChanged();
    void focusedReviewTrackIdChanged();
    void isInspectorPresentedChanged();
    void isOnboardingPresentedChanged();
    void setupCoordinatorChanged();
    void readingStartupConfigChanged();
    void signingInChanged();

private:
    void attach(std::unique_ptr<HelperClienting> client);
    void startBridge();
    // Turns the event loop until the settings store has no write unanswered,
    // at most for `grace`; logs the fields of those still not known to be saved.
    void awaitSettingsWrites(std::chrono::milliseconds grace);
    QCoro::Task<void> runBridge(QPointer<HelperEventStream> stream, quint64 generation);
    bool isCurrentBridge(quint64 generation) const { return generation == m_bridgeGeneration; }
    // The event stream ended for good: the helper will not come back.
    void helperGone(StreamEnd reason);
    QCoro::Task<void> initialFetch();
    void route(const HelperEvent& event);
    void route(const ServerEvent& event);
    QCoro::Task<void> refreshSettings();
    QCoro::Task<void> openOnboarding(SetupCoordinator::Mode mode, bool readFirst);
    // start()'s configuration read has ended, whatever came of it.
    void startupConfigReadEnded();
    void setSetupCoordinator(SetupCoordinator* coordinator);
    // The selected playlists that are not folders, each id resolved to its first
    // playlist, sorted by name as the user's locale orders names.
    QList<PlaylistDTO> selectedPlaylists() const;
    QCoro::Task<void> runStart(quint64 attempt);
    // A start cleared the preview; when the run is over (or never began) without a
    // playlist of it reported, the detail would show nothing: the selection's
    // preview comes back. With `retryFailed`, playlists whose tracks could not be
    // fetched are asked for again.
    void restorePreview(bool retryFailed);
    QCoro::Task<void> sendCancel(std::optional<QString> runId);
    QCoro::Task<void> sendReview(QString trackId, ReviewDecision decision);
    HelperClienting& requireClient() const;
    void setStartupError(std::optional<QString> error);
    void setReady(bool ready);
    void setSigningIn(AccountService service, bool signingIn);

    Options m_options;
    std::unique_ptr<HelperClienting> m_client;
    SyncStore* m_sync;
    CLIToolStore* m_cliTool;
    AutomationPermissionMonitor& m_automationPermission;
    QPointer<LibraryStore> m_library;
    QPointer<PreviewStore> m_preview;
    QPointer<SettingsStore> m_settings;
    QPointer<DiagnosticsStore> m_diagnostics;
    QPointer<OrphansStore> m_orphans;
    QPointer<ToolProvisioningStore> m_toolProvisioning;
    std::optional<QString> m_startupError;
    bool m_isReady = false;
    std::optional<QString> m_focusedReviewTrackId;
    bool m_isInspectorPresented = false;
    bool m_isOnboardingPresented = false;
    QList<AccountService> m_signingIn;
    // A child of the model; a replaced one is deleted once control returns to
    // the event loop, so a view that called in through it is not cut short.
    QPointer<SetupCoordinator> m_setupCoordinator;
    // From the beginning of start() until its configuration read ended; a wizard
    // asked for meanwhile opens then, with the mode of the last request.
    bool m_readingStartupConfig = false;
    std::optional<SetupCoordinator::Mode> m_onboardingAfterStartup;
    // Counts bridges: a bridge that is no longer the current one routes nothing.
    quint64 m_bridgeGeneration = 0;
    // Counts starts of a sync: only the newest one writes its outcome.
    quint64 m_startGeneration = 0;
    // Whether a start waits for its answer, and the phase before the first of the
    // starts waiting: a start that comes to nothing goes back to that phase.
    bool m_startPending = false;
    SyncPhase m_phaseBeforeStart = SyncPhase::idle;
    // The banner of the newest start whose request failed before the helper
    // confirmed it; withdrawn when that start's run begins after all.
    std::optional<SyncBanner> m_startFailureBanner;
};

template <class T> QCoro::Task<T> AppModel::requestSpotifyAuthParams()
{
    HelperClienting& client = requireClient();
    QCoro::Task<T> reply
        = client.template request<T>(Request::getSpotifyAuthParams(), HelperClienting::kDefaultTimeout);
    co_return co_await std::move(reply);
}

} // namespace mivo
