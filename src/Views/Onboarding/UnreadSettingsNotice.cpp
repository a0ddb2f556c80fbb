#include "Views/Onboarding/UnreadSettingsNotice.h"

#include "App/AppModel.h"
#include "State/SettingsStore.h"
#include "Styling/Tokens.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SymbolView.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/Onboarding/WizardParts.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace mivo {

QString UnreadSettingsNotice::notice()
{
    return tr("mivo could not read your stored settings from the helper. Only what you change here will be "
              "saved; everything else stays as it is stored.");
}

QString UnreadSettingsNotice::asStoredText()
{
    return tr("As stored");
}

UnreadSettingsNotice::UnreadSettingsNotice(SetupCoordinator& coordinator, QWidget* parent)
    : QWidget(parent)
    , m_coordinator(&coordinator)
    , m_model(coordinator.model())
    , m_text(new WizardLabel(QString(), TextStyle::callout, ThemeColor::secondary()))
    , m_tryAgain(WizardParts::smallButton(tr("Try Again"), ButtonStyle::glassAdaptive))
{
    setObjectName(QStringLiteral("settingsUnread"));
    m_text->setObjectName(QStringLiteral("settingsUnreadText"));
    m_tryAgain->setObjectName(QStringLiteral("readSettingsAgain"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(Tokens::Space::sm));
    row->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), ThemeColor::orange(), 16),
        0, Qt::AlignTop);
    row->addWidget(m_text->wrapping(), 1);
    row->addWidget(m_tryAgain, 0, Qt::AlignVCenter);
    connect(m_tryAgain, &QPushButton::clicked, this, [this] {
        if (m_coordinator)
            m_coordinator->readAgain();
    });
    connect(&coordinator, &SetupCoordinator::storedSettingsChanged, this, &UnreadSettingsNotice::refresh);
    if (m_model) {
        connect(m_model, &AppModel::attached, this, &UnreadSettingsNotice::watchSettings);
        connect(m_model, &AppModel::startupErrorChanged, this, &UnreadSettingsNotice::refresh);
    }
    watchSettings();
}

void UnreadSettingsNotice::watchSettings()
{
    if (SettingsStore* settings = m_model ? m_model->settings() : nullptr) {
        connect(settings, &SettingsStore::readErrorChanged, this, &UnreadSettingsNotice::refresh,
            Qt::UniqueConnection);
        connect(settings, &SettingsStore::readStateChanged, this, &UnreadSettingsNotice::refresh,
            Qt::UniqueConnection);
    }
    refresh();
}

void UnreadSettingsNotice::refresh()
{
    if (!m_coordinator)
        return;
    setVisible(!m_coordinator->hasStoredSettings());
    const SettingsStore* settings = m_model ? m_model->settings() : nullptr;
    const std::optional<QString> why
        = settings ? settings->readError() : (m_model ? m_model->startupError() : std::nullopt);
    // The reason, once, under what it means for this wizard.
    m_text->setText(why ? notice() + QLatin1Char('\n') + *why : notice());
    m_tryAgain->setVisible(settings != nullptr);
    m_tryAgain->setEnabled(settings && settings->readState() != SettingsStore::ReadState::reading);
}

} // namespace mivo
