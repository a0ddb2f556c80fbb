#pragma once

#include "Views/Settings/SettingsPane.h"

class QPushButton;

namespace mivo {

class AppleMusicAuthService;
class SettingsSection;
class StatusPill;

// The Accounts pane: the connection of the two playlist sources. Spotify is
// connected in the browser through the helper and disconnected through the
// model; a sign-in under way (from here or from the setup wizard) shows as
// such and cannot be started twice. Whether Apple Music's cloud sign-in and
// the Music app's library exist is asked of the same platform layer the setup
// wizard asks; what is missing says so and does nothing, and an Apple Music
// account the helper reports connected shows as connected and can be
// disconnected whatever this system offers. Where the Music app exists, its
// row follows the automation consent and offers to ask for it, or to open the
// system settings where it was refused.
class AccountsSettings : public SettingsPane {
    Q_OBJECT

public:
    explicit AccountsSettings(AppModel& model, QWidget* parent = nullptr);
    AccountsSettings(AppModel& model, AppleMusicAuthService& appleMusic, QWidget* parent = nullptr);

    // Neither the cloud sign-in nor the Music app's library is on offer.
    static QString appleMusicUnavailableText();
    static QString cloudUnavailableText();
    static QString musicAppUnavailableText();

protected:
    void refresh() override;

private:
    QCoro::Task<void> disconnect(AccountService service);
    QCoro::Task<void> connectSpotify();
    QCoro::Task<void> connectApple();

    AppleMusicAuthService& m_appleMusic;
    SettingsSection* m_appleSection;
    // The Music app's automation consent, or that there is no Music app here.
    StatusPill* m_musicAppStatus;
    QPushButton* m_openAutomationSettings;
    QPushButton* m_grantAccess;
    StatusPill* m_appleConnected;
    QPushButton* m_appleButton;
    StatusPill* m_spotifyConnected;
    QPushButton* m_spotifyButton;
};

} // namespace mivo
