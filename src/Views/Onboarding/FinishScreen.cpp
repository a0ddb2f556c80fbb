#include "Views/Onboarding/FinishScreen.h"

#include "App/AppModel.h"
#include "Models/ServiceCatalog.h"
#include "Styling/GlassSurface.h"
#include "Styling/StatusPill.h"
#include "Styling/Tokens.h"
#include "Support/HomePath.h"
#include "Views/Onboarding/FinishSeal.h"
#include "Views/Onboarding/FolderChooser.h"
#include "Views/Onboarding/Hairline.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SymbolView.h"
#include "Views/Onboarding/UnreadSettingsNotice.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/Onboarding/WizardParts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivo {

namespace {

constexpr int kRecapWidth = 440;
constexpr int kSymbolColumn = 22;

// A recap row: symbol, title, then the value (or whatever else) at the trailing edge.
QHBoxLayout* recapRow(const QString& symbol, WizardLabel* title)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(int(Tokens::Space::md));
    auto* symbolColumn = new QWidget;
    symbolColumn->setFixedWidth(kSymbolColumn);
    auto* symbolLayout = new QHBoxLayout(symbolColumn);
    symbolLayout->setContentsMargins(0, 0, 0, 0);
    symbolLayout->addWidget(new SymbolView(symbol, ThemeColor::secondary(), 16), 0, Qt::AlignCenter);
    row->addWidget(symbolColumn);
    row->addWidget(title);
    return row;
}

// A warning symbol in `color` and a wrapping text beside it, no wider than the recap.
QWidget* noticeLine(QWidget* line, const ThemeColor& color, WizardLabel* text)
{
    line->setMaximumWidth(kRecapWidth);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(Tokens::Space::sm));
    row->addWidget(
        new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), color, 16), 0, Qt::AlignTop);
    row->addWidget(text->wrapping(), 1);
    return line;
}

WizardLabel* valueLabel(Qt::TextElideMode mode)
{
    auto* value = new WizardLabel(QString(), TextStyle::callout, ThemeColor::secondary());
    value->eliding(mode)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return value;
}

} // namespace

QString FinishScreen::playlistSummary(AppModel& model)
{
    QStringList names;
    const SettingsStore* settings = model.settings();
    const std::optional<SafeConfig> config = settings ? settings->config() : std::nullopt;
    if (config && config->appleMusicConnected)
        names.append(tr("Apple Music"));
    else if (model.automationPermission().status() == AppleMusicLocalAccess::Status::authorized)
        names.append(tr("Apple Music (local)"));
    if (config && config->spotifyConnected)
        names.append(tr("Spotify"));
    return names.join(QStringLiteral(", "));
}

QString FinishScreen::sourcesSummary(const SetupCoordinator& coordinator)
{
    QStringList names;
    for (const SourceId source : coordinator.selectedSources())
        names.append(ServiceCatalog::downloadSource(source).name);
    return names.join(QStringLiteral(", "));
}

QString FinishScreen::qualityName(const SetupCoordinator& coordinator)
{
    for (const ServiceCatalog::QualityProfileInfo& info : ServiceCatalog::qualityProfiles()) {
        if (info.id == coordinator.qualityProfile())
            return info.name;
    }
    return tr("Balanced");
}

WizardLabel* FinishScreen::unreadText() const
{
    return m_unread->text();
}

FinishScreen::FinishScreen(SetupCoordinator& coordinator, AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_coordinator(&coordinator)
    , m_model(&model)
    , m_playlists(valueLabel(Qt::ElideRight))
    , m_noneYet(new StatusPill(StatusRole::review, tr("None yet")))
    , m_sources(valueLabel(Qt::ElideRight))
    , m_quality(valueLabel(Qt::ElideRight))
    , m_folder(new WizardLabel(QString(), TextStyle::callout, ThemeColor::secondary()))
    , m_errorLine(new QWidget)
    , m_error(new WizardLabel(QString(), TextStyle::callout, ThemeColor::red()))
    , m_unread(new UnreadSettingsNotice(coordinator))
{
    setObjectName(QStringLiteral("finishScreen"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Tokens::Space::lg));

    auto* seal = new FinishSeal;
    auto* sealBox = new QVBoxLayout;
    sealBox->setContentsMargins(0, int(Tokens::Space::sm), 0, 0);
    sealBox->addWidget(seal, 0, Qt::AlignHCenter);
    column->addLayout(sealBox);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(int(Tokens::Space::xs));
    auto* title = new WizardLabel(tr("You're all set"), TextStyle::title, ThemeColor::primary(), QFont::Bold);
    title->setAlignment(Qt::AlignHCenter);
    auto* subtitle = new WizardLabel(
        tr("mivo is ready to build your library."), TextStyle::body, ThemeColor::secondary());
    subtitle->setAlignment(Qt::AlignHCenter);
    texts->addWidget(title);
    texts->addWidget(subtitle);
    column->addLayout(texts);

    // Why the last attempt to save did not go through.
    m_errorLine->setObjectName(QStringLiteral("commitError"));
    column->addLayout(WizardParts::centred(noticeLine(m_errorLine, ThemeColor::red(), m_error)));
    // The helper's configuration is not known: the recap is not "your setup".
    m_unread->setMaximumWidth(kRecapWidth);
    column->addLayout(WizardParts::centred(m_unread));

    GlassSurface* recap = WizardParts::card(
        GlassRole::groupCard(), Qt::Vertical, int(Tokens::Space::md), int(Tokens::Space::sm));
    recap->setObjectName(QStringLiteral("recap"));
    recap->setFixedWidth(kRecapWidth);
    QBoxLayout* recapLayout = WizardParts::layoutOf(recap);

    QHBoxLayout* playlists = recapRow(
        QStringLiteral("music.note.list"), new WizardLabel(tr("Playlist sources"), TextStyle::callout));
    playlists->addWidget(m_playlists, 1);
    playlists->addWidget(m_noneYet);
    recapLayout->addLayout(playlists);
    recapLayout->addWidget(new Hairline);
    QHBoxLayout* sources = recapRow(
        QStringLiteral("square.and.arrow.down"), new WizardLabel(tr("Download sources"), TextStyle::callout));
    sources->addWidget(m_sources, 1);
    recapLayout->addLayout(sources);
    recapLayout->addWidget(new Hairline);
    QHBoxLayout* quality
        = recapRow(QStringLiteral("waveform"), new WizardLabel(tr("Quality"), TextStyle::callout));
    quality->addWidget(m_quality, 1);
    recapLayout->addLayout(quality);
    recapLayout->addWidget(new Hairline);
    QHBoxLayout* output
        = recapRow(QStringLiteral("folder"), new WizardLabel(tr("Saved to"), TextStyle::callout));
    m_folder->setObjectName(QStringLiteral("folderPath"));
    // The path sits at the trailing edge like the other rows' values, before its button.
    m_folder->eliding(Qt::ElideMiddle)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    output->addWidget(m_folder, 1);
    QPushButton* change = WizardParts::smallButton(tr("Change…"), ButtonStyle::glassAdaptive);
    change->setObjectName(QStringLiteral("changeFolder"));
    output->addWidget(change);
    recapLayout->addLayout(output);
    column->addWidget(recap, 0, Qt::AlignHCenter);
    connect(change, &QPushButton::clicked, this, [this] {
        if (m_coordinator)
            FolderChooser::choose(this, *m_coordinator);
    });

    auto* closing
        = new WizardLabel(tr("Select playlists in the sidebar and press Sync. Downloads land in your djay "
                             "watch folder automatically."),
            TextStyle::caption, ThemeColor::secondary());
    closing->wrapping()->setAlignment(Qt::AlignHCenter);
    closing->setMaximumWidth(kRecapWidth);
    column->addLayout(WizardParts::centred(closing));
    column->addStretch(1);

    connect(&coordinator, &SetupCoordinator::selectedSourcesChanged, this, &FinishScreen::refresh);
    connect(&coordinator, &SetupCoordinator::qualityProfileChanged, this, &FinishScreen::refresh);
    connect(&coordinator, &SetupCoordinator::outputDirChanged, this, &FinishScreen::refresh);
    connect(&coordinator, &SetupCoordinator::lastErrorChanged, this, &FinishScreen::refresh);
    connect(&coordinator, &SetupCoordinator::storedSettingsChanged, this, &FinishScreen::refresh);
    connect(&coordinator, &SetupCoordinator::choicesChanged, this, &FinishScreen::refresh);
    connect(&model.automationPermission(), &AutomationPermissionMonitor::statusChanged, this,
        &FinishScreen::refresh);
    connect(&model, &AppModel::attached, this, &FinishScreen::watchSettings);
    watchSettings();
}

void FinishScreen::watchSettings()
{
    if (m_model && m_model->settings()) {
        connect(m_model->settings(), &SettingsStore::configChanged, this, &FinishScreen::refresh,
            Qt::UniqueConnection);
        connect(m_model->settings(), &SettingsStore::readErrorChanged, this, &FinishScreen::refresh,
            Qt::UniqueConnection);
    }
    refresh();
}

void FinishScreen::refresh()
{
    if (!m_coordinator || !m_model)
        return;
    // Without the stored settings a choice left alone shows no default as if
    // it were the user's, and no account is claimed to be missing.
    const bool known = m_coordinator->hasStoredSettings();
    const QString asStored = UnreadSettingsNotice::asStoredText();
    const QString playlists = playlistSummary(*m_model);
    m_playlists->setFullText(known || !playlists.isEmpty() ? playlists : asStored);
    m_playlists->setVisible(!m_playlists->fullText().isEmpty());
    m_noneYet->setVisible(m_playlists->fullText().isEmpty());
    const ConfigPatch changes = m_coordinator->pendingChanges();
    m_sources->setFullText(known || changes.sources ? sourcesSummary(*m_coordinator) : asStored);
    m_quality->setFullText(known || changes.quality ? qualityName(*m_coordinator) : asStored);
    m_folder->setFullText(
        known || changes.outputDir ? HomePath::abbreviate(m_coordinator->outputDir()) : asStored);
    const std::optional<QString> error = m_coordinator->lastError();
    m_error->setText(error.value_or(QString()));
    m_errorLine->setVisible(error.has_value());
}

} // namespace mivo
