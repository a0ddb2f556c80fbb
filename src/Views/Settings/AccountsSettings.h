#pragma once

#include "Views/Settings/SettingsPane.h"

class QPushButton;

namespace mivo {

class StatusPill;

// The Accounts pane: the connection of the two playlist sources. Spotify is
// connected in the browser through the helper and disconnected through the
// model; a sign-in under way (from here or from the setup wizard) shows as
// such and cannot be started twice. Apple Music's cloud sign-in and the Music
// app's library do not exist on this system: their rows say so and do nothing,
// except that an Apple Music account the helper reports can be disconnected.
class AccountsSettings : public SettingsPane {
    Q_OBJECT

public:
    explicit AccountsSettings(AppModel& model, QWidget* parent = nullptr);

    static QString appleMusicUnavailableText();

protected:
    void refresh() override;

private:
    QCoro::Task<void> disconnect(AccountService service);
    QCoro::Task<void> connectSpotify();

    StatusPill* m_appleConnected;
    QPushButton* m_appleButton;
    StatusPill* m_spotifyConnected;
    QPushButton* m_spotifyButton;
};

} // namespace mivo
