#include "Views/Onboarding/FineTuningScreen.h"

#include "Models/ServiceCatalog.h"
#include "Styling/GlassSurface.h"
#include "Styling/Tokens.h"
#include "Support/HomePath.h"
#include "Views/Onboarding/FolderChooser.h"
#include "Views/Onboarding/QualityOption.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SymbolView.h"
#include "Views/Onboarding/UnreadSettingsNotice.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/Onboarding/WizardParts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivo {

FineTuningScreen::FineTuningScreen(SetupCoordinator& coordinator, QWidget* parent)
    : QWidget(parent)
    , m_coordinator(&coordinator)
    , m_folder(new WizardLabel(QString(), TextStyle::body))
{
    setObjectName(QStringLiteral("fineTuningScreen"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Tokens::Space::lg));

    column->addWidget(new UnreadSettingsNotice(coordinator));

    // Where downloads go.
    auto* location = new QVBoxLayout;
    location->setSpacing(int(Tokens::Space::sm));
    location->addWidget(new WizardLabel(tr("Download location"), TextStyle::headline));
    GlassSurface* card = WizardParts::card(
        GlassRole::groupCard(), Qt::Vertical, int(Tokens::Space::md), int(Tokens::Space::sm));
    card->setObjectName(QStringLiteral("folderCard"));
    auto* folderRow = new QHBoxLayout;
    folderRow->setSpacing(int(Tokens::Space::md));
    folderRow->addWidget(new SymbolView(QStringLiteral("folder"), ThemeColor::secondary(), 18));
    m_folder->setObjectName(QStringLiteral("folderPath"));
    folderRow->addWidget(m_folder->eliding(Qt::ElideMiddle), 1);
    QPushButton* change = WizardParts::smallButton(tr("Change…"), ButtonStyle::glassAdaptive);
    change->setObjectName(QStringLiteral("changeFolder"));
    folderRow->addWidget(change);
    WizardParts::layoutOf(card)->addLayout(folderRow);
    WizardParts::layoutOf(card)->addWidget(
        (new WizardLabel(tr("Downloads are saved here and auto-imported into your djay library."),
             TextStyle::caption, ThemeColor::secondary()))
            ->wrapping());
    location->addWidget(card);
    column->addLayout(location);
    connect(change, &QPushButton::clicked, this, [this] {
        if (m_coordinator)
            FolderChooser::choose(this, *m_coordinator);
    });

    // Which quality.
    auto* quality = new QVBoxLayout;
    quality->setSpacing(int(Tokens::Space::sm));
    quality->addWidget(new WizardLabel(tr("Download quality"), TextStyle::headline));
    for (const ServiceCatalog::QualityProfileInfo& info : ServiceCatalog::qualityProfiles()) {
        auto* option = new QualityOption(info);
        m_options.append(option);
        quality->addWidget(option);
        connect(option, &QualityOption::clicked, this, [this, id = info.id] {
            if (m_coordinator)
                m_coordinator->setQualityProfile(id);
        });
    }
    column->addLayout(quality);
    column->addStretch(1);

    connect(&coordinator, &SetupCoordinator::outputDirChanged, this, &FineTuningScreen::refresh);
    connect(&coordinator, &SetupCoordinator::qualityProfileChanged, this, &FineTuningScreen::refresh);
    connect(&coordinator, &SetupCoordinator::storedSettingsChanged, this, &FineTuningScreen::refresh);
    connect(&coordinator, &SetupCoordinator::choicesChanged, this, &FineTuningScreen::refresh);
    refresh();
}

void FineTuningScreen::refresh()
{
    if (!m_coordinator)
        return;
    // While the stored settings are not known, only what the user chose here
    // is shown; the rest is as stored, whatever the defaults would say.
    const bool known = m_coordinator->hasStoredSettings();
    using Field = SetupCoordinator::ChoiceField;
    m_folder->setFullText(known || m_coordinator->isChosen(Field::outputDir)
            ? HomePath::abbreviate(m_coordinator->outputDir())
            : UnreadSettingsNotice::asStoredText());
    const bool profileShown = known || m_coordinator->isChosen(Field::qualityProfile);
    // The options are exclusive: checking one unchecks the others.
    for (QualityOption* option : std::as_const(m_options)) {
        if (!profileShown) {
            option->setAutoExclusive(false);
            option->setChecked(false);
            option->setAutoExclusive(true);
        } else if (option->info().id == m_coordinator->qualityProfile()) {
            option->setChecked(true);
        }
    }
}

} // namespace mivo
