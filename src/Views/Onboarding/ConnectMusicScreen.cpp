#include "Views/Onboarding/ConnectMusicScreen.h"

#include "App/AppModel.h"
#include "Services/AppleMusicAuthService.h"
#include "Services/AutomationPermissionMonitor.h"
#include "Services/SpotifyAuthService.h"
#include "Styling/GlassSurface.h"
#include "Styling/StatusPill.h"
#include "Styling/Tokens.h"
#include "Views/ActivityIndicator.h"
#include "Views/DisclosurePanel.h"
#include "Views/Onboarding/Hairline.h"
#include "Views/Onboarding/ServiceIcon.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SymbolView.h"
#include "Views/Onboarding/ToggleSwitch.h"
#include "Views/Onboarding/UnreadSettingsNotice.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/Onboarding/WizardParts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivo {

namespace {

using Status = AppleMusicLocalAccess::Status;

constexpr int kCardPadding = int(Tokens::Space::md);
constexpr int kIndent = int(Tokens::Space::xxl);
// A spinner at the small control size.
constexpr qreal kConnectSpinnerSide = 16;

// The controls at a row's trailing edge, of which one shows at a time.
QHBoxLayout* controlRow(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(Tokens::Space::sm));
    for (QWidget* widget : widgets)
        row->addWidget(widget);
    return row;
}

const SafeConfig* configOf(const AppModel* model)
{
    if (!model || !model->settings() || !model->settings()->config())
        return nullptr;
    return &*model->settings()->config();
}

} // namespace

ConnectMusicScreen::ConnectMusicScreen(AppModel& model, SetupCoordinator& coordinator, QWidget* parent)
    : ConnectMusicScreen(model, coordinator, Services {}, parent)
{
}

ConnectMusicScreen::ConnectMusicScreen(
    AppModel& model, SetupCoordinator& coordinator, Services services, QWidget* parent)
    : QWidget(parent)
    , m_model(&model)
    , m_coordinator(&coordinator)
    , m_appleMusic(services.appleMusic ? *services.appleMusic : AppleMusicAuthService::shared())
    , m_spotify(services.spotify ? *services.spotify : SpotifyAuthService::shared())
{
    setObjectName(QStringLiteral("connectMusicScreen"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Tokens::Space::md));
    column->addWidget(makeAppleCard());
    column->addWidget(makeSpotifyCard());
    // The matching switches are one record with the helper: not known, they are not offered.
    column->addWidget(new UnreadSettingsNotice(coordinator));
    column->addWidget(makeMatchingCard());
    column->addStretch(1);

    connect(&model.automationPermission(), &AutomationPermissionMonitor::statusChanged, this,
        &ConnectMusicScreen::refresh);
    connect(&model, &AppModel::attached, this, &ConnectMusicScreen::watchSettings);
    watchSettings();
}

void ConnectMusicScreen::watchSettings()
{
    if (m_model && m_model->settings())
        connect(m_model->settings(), &SettingsStore::configChanged, this, &ConnectMusicScreen::refresh,
            Qt::UniqueConnection);
    refresh();
}

QWidget* ConnectMusicScreen::makeAppleCard()
{
    const bool cloudAvailable = m_appleMusic.isAvailable();
    const bool localAvailable = m_model->automationPermission().isAvailable();

    GlassSurface* card = WizardParts::card(GlassRole::groupCard(), Qt::Vertical, kCardPadding, 0);
    card->setObjectName(QStringLiteral("appleCard"));

    // The cloud row.
    auto* cloud = new QWidget;
    cloud->setObjectName(QStringLiteral("appleCloudRow"));
    auto* cloudRow = new QHBoxLayout(cloud);
    cloudRow->setContentsMargins(0, 0, 0, 0);
    cloudRow->setSpacing(int(Tokens::Space::md));
    // The logo's chip, the title, the text and whether the row is live follow
    // the connection (refresh()).
    m_cloudIcon = new ServiceIcon(QStringLiteral("ServiceAppleMusic"), 36, ThemeColor::secondary(),
        ThemeColor::tertiary(), QStringLiteral("music.note"), tr("Apple Music"));
    m_cloudIcon->setObjectName(QStringLiteral("appleIcon"));
    cloudRow->addWidget(m_cloudIcon);
    m_cloudRow = cloud;
    m_cloudTitle = new WizardLabel(tr("Apple Music"), TextStyle::headline, ThemeColor::secondary());
    m_cloudText = new WizardLabel(QString(), TextStyle::callout, ThemeColor::secondary());
    m_cloudText->setObjectName(QStringLiteral("appleCloudText"));
    cloudRow->addWidget(WizardParts::titleAndText(m_cloudTitle, m_cloudText), 1);

    m_cloudConnected = new StatusPill(StatusRole::done, tr("Connected"));
    m_cloudConnected->setObjectName(QStringLiteral("appleConnected"));
    m_cloudSpinner = new ActivityIndicator(kConnectSpinnerSide);
    m_cloudConnect = WizardParts::smallButton(tr("Connect"), ButtonStyle::glassProminentAdaptive);
    m_cloudConnect->setObjectName(QStringLiteral("appleConnect"));
    ButtonStyling::setTint(m_cloudConnect, Tokens::Source::apple());
    cloudRow->addLayout(controlRow({ m_cloudConnected, m_cloudSpinner, m_cloudConnect }));
    cloud->setEnabled(cloudAvailable);
    connect(m_cloudConnect, &QPushButton::clicked, this, [this] { connectApple(); });
    WizardParts::layoutOf(card)->addWidget(cloud);

    auto* divider = new QWidget;
    auto* dividerLayout = new QVBoxLayout(divider);
    dividerLayout->setContentsMargins(0, int(Tokens::Space::sm), 0, int(Tokens::Space::sm));
    dividerLayout->addWidget(new Hairline);
    WizardParts::layoutOf(card)->addWidget(divider);

    // The local row, on a chip.
    GlassSurface* local = WizardParts::card(
        GlassRole::chip(), Qt::Horizontal, int(Tokens::Space::sm), int(Tokens::Space::md));
    local->setObjectName(QStringLiteral("appleLocalRow"));
    auto* symbolColumn = new QWidget;
    symbolColumn->setFixedWidth(24);
    auto* symbolLayout = new QHBoxLayout(symbolColumn);
    symbolLayout->setContentsMargins(0, 0, 0, 0);
    symbolLayout->addWidget(new SymbolView(QStringLiteral("desktopcomputer"), ThemeColor::secondary(), 18));
    WizardParts::layoutOf(local)->addWidget(symbolColumn);
    auto* localTitle = new WizardLabel(tr("Use the Music app on this computer"), TextStyle::subheadline,
        localAvailable ? ThemeColor::primary() : ThemeColor::secondary(), QFont::Medium);
    auto* localText = new WizardLabel(localAvailable
            ? tr("A backup that reads local playlists — no subscription needed. Requires Automation "
                 "permission.")
            : tr("The Music app and its Automation permission are not available on this system."),
        TextStyle::caption, ThemeColor::secondary());
    localText->setObjectName(QStringLiteral("appleLocalText"));
    WizardParts::layoutOf(local)->addWidget(WizardParts::titleAndText(localTitle, localText), 1);

    m_localEnabled = new StatusPill(StatusRole::done, tr("Enabled"));
    m_localDenied = new QWidget;
    auto* deniedRow = new QHBoxLayout(m_localDenied);
    deniedRow->setContentsMargins(0, 0, 0, 0);
    deniedRow->setSpacing(int(Tokens::Space::sm));
    deniedRow->addWidget(new StatusPill(StatusRole::failed, tr("Denied")));
    auto* openSettings = WizardParts::smallButton(tr("Open Settings…"), ButtonStyle::bordered);
    openSettings->setObjectName(QStringLiteral("openAutomationSettings"));
    deniedRow->addWidget(openSettings);
    m_allowAccess = WizardParts::smallButton(tr("Allow Access"), ButtonStyle::glassAdaptive);
    m_allowAccess->setObjectName(QStringLiteral("allowAccess"));
    WizardParts::layoutOf(local)->addLayout(controlRow({ m_localEnabled, m_localDenied, m_allowAccess }));
    local->setEnabled(localAvailable);
    connect(openSettings, &QPushButton::clicked, this, [this] {
        if (m_model)
            m_model->automationPermission().openAutomationSettings();
    });
    connect(m_allowAccess, &QPushButton::clicked, this, [this] {
        if (m_model)
            m_model->requestMusicAppAccess();
    });
    WizardParts::layoutOf(card)->addWidget(local);
    return card;
}

QWidget* ConnectMusicScreen::makeSpotifyCard()
{
    GlassSurface* card
        = WizardParts::card(GlassRole::groupCard(), Qt::Horizontal, kCardPadding, int(Tokens::Space::md));
    card->setObjectName(QStringLiteral("spotifyCard"));
    WizardParts::layoutOf(card)->addWidget(new ServiceIcon(QStringLiteral("ServiceSpotify"), 36,
        ThemeColor::secondary(), Tokens::Source::spotify(), QStringLiteral("music.note"), tr("Spotify")));
    m_spotifyText = new WizardLabel(QString(), TextStyle::callout, ThemeColor::secondary());
    m_spotifyText->setObjectName(QStringLiteral("spotifyText"));
    WizardParts::layoutOf(card)->addWidget(
        WizardParts::titleAndText(new WizardLabel(tr("Spotify"), TextStyle::headline), m_spotifyText), 1);
    m_spotifyConnected = new StatusPill(StatusRole::done, tr("Connected"));
    m_spotifySpinner = new ActivityIndicator(kConnectSpinnerSide);
    m_spotifyConnect = WizardParts::smallButton(tr("Connect"), ButtonStyle::glassProminentAdaptive);
    m_spotifyConnect->setObjectName(QStringLiteral("spotifyConnect"));
    ButtonStyling::setTint(m_spotifyConnect, Tokens::Source::spotify());
    WizardParts::layoutOf(card)->addLayout(
        controlRow({ m_spotifyConnected, m_spotifySpinner, m_spotifyConnect }));
    connect(m_spotifyConnect, &QPushButton::clicked, this, [this] { connectSpotify(); });
    return card;
}

QWidget* ConnectMusicScreen::makeMatchingCard()
{
    GlassSurface* card
        = WizardParts::card(GlassRole::groupCard(), Qt::Vertical, kCardPadding, int(Tokens::Space::sm));
    card->setObjectName(QStringLiteral("matchingCard"));
    auto* header = new QHBoxLayout;
    header->setSpacing(int(Tokens::Space::md));
    m_matchingIcon = new ServiceIcon(QStringLiteral("ServiceAcoustID"), 36, ThemeColor::secondary(),
        std::nullopt, QStringLiteral("checkmark.shield"), tr("MusicBrainz + AcoustID"));
    header->addWidget(m_matchingIcon);
    header->addWidget(
        WizardParts::titleAndText(new WizardLabel(tr("MusicBrainz + AcoustID"), TextStyle::headline),
            new WizardLabel(tr("Confirm each download is the right recording with MusicBrainz + "
                               "AcoustID. More accurate, a little slower."),
                TextStyle::callout, ThemeColor::secondary())),
        1);
    m_matchingSwitch = new ToggleSwitch(tr("Enable MusicBrainz and AcoustID matching"));
    m_matchingSwitch->setObjectName(QStringLiteral("matchingSwitch"));
    header->addWidget(m_matchingSwitch);
    m_matchingAsStored
        = new WizardLabel(UnreadSettingsNotice::asStoredText(), TextStyle::callout, ThemeColor::secondary());
    m_matchingAsStored->setObjectName(QStringLiteral("matchingAsStored"));
    m_matchingAsStored->hide();
    header->addWidget(m_matchingAsStored);
    WizardParts::layoutOf(card)->addLayout(header);

    m_matchingDetails = new QWidget;
    auto* details = new QVBoxLayout(m_matchingDetails);
    details->setContentsMargins(kIndent, 0, 0, 0);
    details->setSpacing(int(Tokens::Space::sm));
    m_strict = new QCheckBox(tr("Reject a download AcoustID flags as a different recording."));
    m_strict->setObjectName(QStringLiteral("strictMatching"));
    m_strict->setFont(Typography::font(TextStyle::caption, m_strict->font()));
    m_acoustidKey = new QLineEdit;
    m_acoustidKey->setObjectName(QStringLiteral("acoustidKey"));
    m_acoustidKey->setEchoMode(QLineEdit::Password);
    m_acoustidKey->setPlaceholderText(tr("AcoustID API key (optional)"));
    // The field shows no label but this.
    m_acoustidKey->setAccessibleName(m_acoustidKey->placeholderText());
    details->addWidget(m_strict);
    details->addWidget(m_acoustidKey);
    m_matchingReveal = new DisclosurePanel(m_matchingDetails);
    m_matchingReveal->setObjectName(QStringLiteral("matchingDetails"));
    WizardParts::layoutOf(card)->addWidget(m_matchingReveal);

    m_matchingSwitch->setChecked(m_coordinator->identityEnabled());
    m_strict->setChecked(m_coordinator->identityStrict());
    m_acoustidKey->setText(m_coordinator->acoustidKey());
    connect(m_matchingSwitch, &ToggleSwitch::toggled, m_coordinator.data(),
        &SetupCoordinator::setIdentityEnabled);
    connect(m_strict, &QCheckBox::toggled, m_coordinator.data(), &SetupCoordinator::setIdentityStrict);
    connect(m_acoustidKey, &QLineEdit::textEdited, m_coordinator.data(), &SetupCoordinator::setAcoustidKey);
    connect(
        m_coordinator.data(), &SetupCoordinator::identityEnabledChanged, this, &ConnectMusicScreen::refresh);
    connect(
        m_coordinator.data(), &SetupCoordinator::identityStrictChanged, this, &ConnectMusicScreen::refresh);
    connect(
        m_coordinator.data(), &SetupCoordinator::storedSettingsChanged, this, &ConnectMusicScreen::refresh);
    return card;
}

void ConnectMusicScreen::refresh()
{
    const SafeConfig* config = configOf(m_model);
    const bool cloudAvailable = m_appleMusic.isAvailable();
    const bool appleConnected = config && config->appleMusicConnected;
    // Connected beats everything this system lacks: the account is there.
    const bool cloudLive = cloudAvailable || appleConnected;
    m_cloudRow->setEnabled(cloudLive);
    m_cloudIcon->setBrandChip(cloudLive ? Tokens::Source::apple() : ThemeColor::tertiary());
    m_cloudTitle->setColor(cloudLive ? ThemeColor::primary() : ThemeColor::secondary());
    m_cloudText->setText(appleConnected ? tr("mivo reads your Apple Music Cloud library and playlists.")
            : cloudAvailable            ? tr("Sign in to read your Apple Music Cloud library and playlists.")
                                        : tr("Apple Music sign-in is not available on this system."));
    m_cloudConnected->setVisible(appleConnected);
    m_cloudSpinner->setVisible(cloudAvailable && !appleConnected && m_connectingApple);
    m_cloudConnect->setVisible(cloudAvailable && !appleConnected && !m_connectingApple);

    const bool localAvailable = m_model && m_model->automationPermission().isAvailable();
    const Status status = m_model ? m_model->automationPermission().status() : Status::undetermined;
    m_localEnabled->setVisible(localAvailable && status == Status::authorized);
    m_localDenied->setVisible(localAvailable && status == Status::denied);
    m_allowAccess->setVisible(localAvailable && status == Status::undetermined);

    const bool spotifyConnected = config && config->spotifyConnected;
    m_spotifyConnected->setVisible(spotifyConnected);
    m_spotifySpinner->setVisible(!spotifyConnected && m_connectingSpotify);
    m_spotifyConnect->setVisible(!spotifyConnected && !m_connectingSpotify);
    m_spotifyText->setText(spotifyConnected ? tr("mivo reads your Spotify playlists.")
            : m_connectingSpotify           ? tr("Connecting in your browser…")
                                  : tr("Authorize mivo in your browser to read your Spotify playlists."));

    if (m_coordinator) {
        const bool known = m_coordinator->hasStoredSettings();
        const bool matching = known && m_coordinator->identityEnabled();
        m_matchingSwitch->setChecked(matching);
        m_matchingSwitch->setVisible(known);
        m_matchingAsStored->setVisible(!known);
        m_strict->setChecked(m_coordinator->identityStrict());
        m_matchingIcon->setTint(matching ? ThemeColor::primary() : ThemeColor::secondary());
        m_matchingReveal->setRevealed(matching);
    }
}

QCoro::Task<void> ConnectMusicScreen::connectApple()
{
    const QPointer<ConnectMusicScreen> self(this);
    const QPointer<AppModel> model = m_model;
    if (!model || m_connectingApple)
        co_return;
    m_connectingApple = true;
    refresh();
    co_await m_appleMusic.connect(*model);
    if (model && model->settings()) {
        QPointer<SettingsStore> settings = model->settings();
        co_await settings->refresh();
    }
    if (!self)
        co_return;
    m_connectingApple = false;
    refresh();
}

QCoro::Task<void> ConnectMusicScreen::connectSpotify()
{
    const QPointer<ConnectMusicScreen> self(this);
    const QPointer<AppModel> model = m_model;
    if (!model || m_connectingSpotify)
        co_return;
    m_connectingSpotify = true;
    refresh();
    co_await m_spotify.connect(*model);
    if (!self)
        co_return;
    m_connectingSpotify = false;
    refresh();
}

} // namespace mivo
