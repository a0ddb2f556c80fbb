#include "Views/Settings/AccountsSettings.h"

#include "App/AppModel.h"
#include "Services/AppleMusicAuthService.h"
#include "Services/AutomationPermissionMonitor.h"
#include "Services/SpotifyAuthService.h"
#include "State/StoreRequests.h"
#include "Styling/ButtonStyling.h"
#include "Styling/SourceLogo.h"
#include "Styling/StatusPill.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"
#include "Views/ViewAccessibility.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace mivo {

namespace {

constexpr qreal kLogoSize = 18;

QPushButton* smallButton(const QString& title)
{
    auto* button = new QPushButton(title);
    ButtonStyling::setStyle(button, ButtonStyle::bordered);
    ButtonStyling::setControlSize(button, ControlSize::small);
    return button;
}

// An account row: the logo, the name, and at the trailing end the
// "Connected" pill (shown only while connected) and one button.
QHBoxLayout* accountRow(PlaylistSourceId source, StatusPill* pill, QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->addWidget(new SourceLogo(source, kLogoSize));
    row->addWidget(new FormText(Tokens::Source::displayName(source)));
    row->addStretch(1);
    row->addWidget(pill);
    row->addWidget(button);
    return row;
}

} // namespace

AccountsSettings::AccountsSettings(AppModel& model, QWidget* parent)
    : AccountsSettings(model, AppleMusicAuthService::shared(), parent)
{
}

AccountsSettings::AccountsSettings(AppModel& model, AppleMusicAuthService& appleMusic, QWidget* parent)
    : SettingsPane(model, parent)
    , m_appleMusic(appleMusic)
    , m_appleSection(nullptr)
    , m_musicAppStatus(new StatusPill(StatusRole::skipped, tr("Not available")))
    , m_openAutomationSettings(smallButton(tr("Open Settings…")))
    , m_grantAccess(smallButton(tr("Grant Access…")))
    , m_appleConnected(new StatusPill(StatusRole::done, tr("Connected")))
    , m_appleButton(smallButton(tr("Connect")))
    , m_spotifyConnected(new StatusPill(StatusRole::done, tr("Connected")))
    , m_spotifyButton(smallButton(tr("Connect")))
{
    SettingsSection* apple = addSection(tr("Apple Music"));
    m_appleSection = apple;
    apple->addRow(accountRow(PlaylistSourceId::apple, m_appleConnected, m_appleButton));
    connect(m_appleButton, &QPushButton::clicked, this, [this] {
        if (config() && config()->appleMusicConnected)
            disconnect(AccountService::applemusic);
        else if (m_appleMusic.isAvailable())
            connectApple();
    });

    auto* musicApp = new QHBoxLayout;
    auto* computer = new QLabel;
    computer->setPixmap(Symbols::icon(QStringLiteral("desktopcomputer"), ThemeColor::secondary())
                            .pixmap(QSize(int(kLogoSize), int(kLogoSize))));
    computer->setFixedWidth(int(kLogoSize));
    ViewAccessibility::hide(computer); // the row's name says what it is
    musicApp->addWidget(computer);
    auto* names = new QVBoxLayout;
    names->setSpacing(1);
    names->addWidget(new FormText(tr("Music app on this computer"), TextStyle::callout));
    names->addWidget(new FormText(tr("Local backup"), TextStyle::caption, ThemeColor::secondary()));
    musicApp->addLayout(names);
    musicApp->addStretch(1);
    musicApp->addWidget(m_musicAppStatus);
    musicApp->addWidget(m_openAutomationSettings);
    musicApp->addWidget(m_grantAccess);
    apple->addRow(musicApp);
    connect(&model.automationPermission(), &AutomationPermissionMonitor::statusChanged, this,
        &AccountsSettings::refresh);
    connect(m_openAutomationSettings, &QPushButton::clicked, this,
        [this] { this->model().automationPermission().openAutomationSettings(); });
    connect(m_grantAccess, &QPushButton::clicked, this, [this] { this->model().requestMusicAppAccess(); });

    SettingsSection* spotify
        = addSection(tr("Spotify"), tr("Authorize mivo in your browser to read your Spotify playlists."));
    spotify->addRow(accountRow(PlaylistSourceId::spotify, m_spotifyConnected, m_spotifyButton));
    connect(m_spotifyButton, &QPushButton::clicked, this, [this] {
        if (config() && config()->spotifyConnected)
            disconnect(AccountService::spotify);
        else
            connectSpotify();
    });
    connect(&model, &AppModel::signingInChanged, this, &AccountsSettings::refresh);

    finishForm();
    bindModel();
}

QString AccountsSettings::appleMusicUnavailableText()
{
    return tr("Apple Music sign-in and the Music app's library aren't available on this system.");
}

QString AccountsSettings::cloudUnavailableText()
{
    return tr("Apple Music sign-in is not available on this system.");
}

QString AccountsSettings::musicAppUnavailableText()
{
    return tr("The Music app and its Automation permission are not available on this system.");
}

void AccountsSettings::refresh()
{
    const std::optional<SafeConfig> current = config();
    const bool appleConnected = current && current->appleMusicConnected;
    const bool cloudAvailable = m_appleMusic.isAvailable();
    const bool musicAppAvailable = model().automationPermission().isAvailable();
    // Connected beats whatever this system lacks: the account is there.
    const bool cloudMissing = !cloudAvailable && !appleConnected;
    m_appleSection->setFooterText(cloudMissing && !musicAppAvailable ? appleMusicUnavailableText()
            : cloudMissing                                           ? cloudUnavailableText()
            : !musicAppAvailable                                     ? musicAppUnavailableText()
                                                                     : QString());
    using Status = AppleMusicLocalAccess::Status;
    const Status automation = model().automationPermission().status();
    if (!musicAppAvailable) {
        m_musicAppStatus->setRole(StatusRole::skipped);
        m_musicAppStatus->setText(tr("Not available"));
    } else if (automation == Status::authorized) {
        m_musicAppStatus->setRole(StatusRole::done);
        m_musicAppStatus->setText(tr("Enabled"));
    } else if (automation == Status::denied) {
        m_musicAppStatus->setRole(StatusRole::failed);
        m_musicAppStatus->setText(tr("Denied"));
    } else {
        m_musicAppStatus->setRole(StatusRole::review);
        m_musicAppStatus->setText(tr("Not enabled"));
    }
    m_openAutomationSettings->setVisible(musicAppAvailable && automation == Status::denied);
    m_grantAccess->setVisible(musicAppAvailable && automation == Status::undetermined);
    m_appleConnected->setVisible(appleConnected);
    m_appleButton->setText(appleConnected ? tr("Disconnect") : tr("Connect"));
    m_appleButton->setEnabled(appleConnected || (cloudAvailable && model().client()));
    ButtonStyling::setTint(m_appleButton, appleConnected ? ThemeColor::red() : Tokens::Source::apple());

    const bool spotifyConnected = current && current->spotifyConnected;
    const bool signingIn = model().isSigningIn(AccountService::spotify);
    m_spotifyConnected->setVisible(spotifyConnected);
    m_spotifyButton->setText(spotifyConnected ? tr("Disconnect")
            : signingIn                       ? tr("Connecting…")
                                              : tr("Connect"));
    // Nothing can sign in before the helper link is attached.
    m_spotifyButton->setEnabled(spotifyConnected || (!signingIn && model().client()));
    ButtonStyling::setTint(m_spotifyButton, spotifyConnected ? ThemeColor::red() : Tokens::Source::spotify());
}

QCoro::Task<void> AccountsSettings::disconnect(AccountService service)
{
    const QPointer<AccountsSettings> self(this);
    std::optional<QString> failure;
    try {
        QCoro::Task<void> removed = model().disconnectAccount(service);
        co_await std::move(removed);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (self)
        self->showOutcome(!failure, failure);
}

QCoro::Task<void> AccountsSettings::connectApple()
{
    // A failure is shown by the main window's banner.
    QCoro::Task<void> connected = m_appleMusic.connect(model());
    co_await std::move(connected);
}

QCoro::Task<void> AccountsSettings::connectSpotify()
{
    // A failure is shown by the main window's banner.
    QCoro::Task<void> connected = SpotifyAuthService::shared().connect(model());
    co_await std::move(connected);
}

} // namespace mivo
