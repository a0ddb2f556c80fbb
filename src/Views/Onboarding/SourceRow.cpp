#include "Views/Onboarding/SourceRow.h"

#include "Styling/GlassSurface.h"
#include "Styling/Tokens.h"
#include "Views/DisclosurePanel.h"
#include "Views/Onboarding/ServiceIcon.h"
#include "Views/Onboarding/ToggleSwitch.h"
#include "Views/Onboarding/UnreadSettingsNotice.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/Onboarding/WizardParts.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace mivo {

SourceRow::SourceRow(const ServiceCatalog::DownloadSourceInfo& info, QWidget* parent)
    : QWidget(parent)
    , m_info(info)
    , m_icon(new ServiceIcon(
          info.assetName, 22, ThemeColor::secondary(), std::nullopt, QStringLiteral("music.note"), info.name))
    , m_switch(new ToggleSwitch(tr("Enable %1").arg(info.name)))
    , m_asStoredLabel(
          new WizardLabel(UnreadSettingsNotice::asStoredText(), TextStyle::callout, ThemeColor::secondary()))
{
    setObjectName(QStringLiteral("source-") + rawString(info.id));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    GlassSurface* card = WizardParts::card(
        GlassRole::groupCard(), Qt::Vertical, int(Tokens::Space::md), int(Tokens::Space::sm));
    outer->addWidget(card);

    auto* header = new QHBoxLayout;
    header->setSpacing(int(Tokens::Space::md));
    header->addWidget(m_icon);
    header->addWidget(WizardParts::titleAndText(new WizardLabel(info.name, TextStyle::subheadline,
                                                    ThemeColor::primary(), QFont::Medium),
                          new WizardLabel(info.blurb, TextStyle::caption, ThemeColor::secondary())),
        1);
    header->addWidget(m_switch);
    m_asStoredLabel->setObjectName(QStringLiteral("asStored"));
    m_asStoredLabel->hide();
    header->addWidget(m_asStoredLabel);
    WizardParts::layoutOf(card)->addLayout(header);
    connect(m_switch, &ToggleSwitch::toggled, this, [this](bool enabled) {
        refresh();
        emit enabledChanged(enabled);
    });

    if (info.keyService) {
        m_token = new QLineEdit;
        m_token->setObjectName(QStringLiteral("token"));
        m_token->setEchoMode(QLineEdit::Password);
        m_token->setPlaceholderText(info.keyPlaceholder.value_or(tr("Token")));
        // The field shows no label but this.
        m_token->setAccessibleName(m_token->placeholderText());
        auto* field = new QWidget;
        auto* indented = new QHBoxLayout(field);
        indented->setContentsMargins(int(Tokens::Space::xxl), 0, 0, 0);
        indented->addWidget(m_token);
        m_tokenReveal = new DisclosurePanel(field);
        WizardParts::layoutOf(card)->addWidget(m_tokenReveal);
        connect(m_token, &QLineEdit::textEdited, this, &SourceRow::tokenEdited);
    }
    refresh();
}

void SourceRow::setEnabledSource(bool enabled)
{
    m_switch->setChecked(enabled);
    refresh();
}

void SourceRow::setToken(const QString& token)
{
    if (m_token && m_token->text() != token)
        m_token->setText(token);
}

void SourceRow::setAsStored(bool asStored)
{
    if (m_asStored == asStored)
        return;
    m_asStored = asStored;
    m_switch->setVisible(!asStored);
    m_asStoredLabel->setVisible(asStored);
    refresh();
}

void SourceRow::refresh()
{
    const bool enabled = !m_asStored && m_switch->isChecked();
    m_icon->setTint(enabled ? ThemeColor::primary() : ThemeColor::secondary());
    if (m_tokenReveal)
        m_tokenReveal->setRevealed(enabled);
}

} // namespace mivo
