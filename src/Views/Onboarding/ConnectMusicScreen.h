#pragma once

#include <QPointer>
#include <QWidget>
#include <qcoro/qcorotask.h>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace mivo {

class AppModel;
class AppleMusicAuthService;
class DisclosurePanel;
class ServiceIcon;
class SetupCoordinator;
class SpotifyAuthService;
class ToggleSwitch;
class WizardLabel;

// The wizard screen for the playlist sources (Apple Music in the cloud, the
// Music app's local library, Spotify) and for matching downloads against
// MusicBrainz and AcoustID. Connections happen at once through the platform
// services; the matching choices go into the coordinator. A source this
// system does not have is shown as not available, with the reason, and
// offers nothing to press.
class ConnectMusicScreen : public QWidget {
    Q_OBJECT

public:
    // The sign-in services; none means the process-wide ones.
    struct Services {
        AppleMusicAuthService* appleMusic = nullptr;
        SpotifyAuthService* spotify = nullptr;
    };

    ConnectMusicScreen(AppModel& model, SetupCoordinator& coordinator, QWidget* parent = nullptr);
    ConnectMusicScreen(
        AppModel& model, SetupCoordinator& coordinator, Services services, QWidget* parent = nullptr);

    bool isConnectingApple() const { return m_connectingApple; }
    bool isConnectingSpotify() const { return m_connectingSpotify; }

private:
    QWidget* makeAppleCard();
    QWidget* makeSpotifyCard();
    QWidget* makeMatchingCard();
    void refresh();
    QCoro::Task<void> connectApple();
    QCoro::Task<void> connectSpotify();
    void watchSettings();

    QPointer<AppModel> m_model;
    QPointer<SetupCoordinator> m_coordinator;
    AppleMusicAuthService& m_appleMusic;
    SpotifyAuthService& m_spotify;
    bool m_connectingApple = false;
    bool m_connectingSpotify = false;

    // Each control shows one of its widgets at a time.
    QWidget* m_cloudRow = nullptr;
    ServiceIcon* m_cloudIcon = nullptr;
    WizardLabel* m_cloudTitle = nullptr;
    WizardLabel* m_cloudText = nullptr;
    QWidget* m_cloudConnected = nullptr;
    QWidget* m_cloudSpinner = nullptr;
    QPushButton* m_cloudConnect = nullptr;
    QWidget* m_localEnabled = nullptr;
    QWidget* m_localDenied = nullptr;
    QPushButton* m_allowAccess = nullptr;
    QWidget* m_spotifyConnected = nullptr;
    QWidget* m_spotifySpinner = nullptr;
    QPushButton* m_spotifyConnect = nullptr;
    WizardLabel* m_spotifyText = nullptr;
    ServiceIcon* m_matchingIcon = nullptr;
    ToggleSwitch* m_matchingSwitch = nullptr;
    WizardLabel* m_matchingAsStored = nullptr;
    QWidget* m_matchingDetails = nullptr;
    DisclosurePanel* m_matchingReveal = nullptr;
    QCheckBox* m_strict = nullptr;
    QLineEdit* m_acoustidKey = nullptr;
};

} // namespace mivo
