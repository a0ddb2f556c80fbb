#include "Views/Onboarding/DownloadSourcesScreen.h"

#include "Models/ServiceCatalog.h"
#include "Styling/GlassSurface.h"
#include "Styling/Tokens.h"
#include "Support/SubscriptionAddress.h"
#include "Views/Onboarding/ServiceIcon.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SourceRow.h"
#include "Views/Onboarding/UnreadSettingsNotice.h"
#include "Views/Onboarding/WizardLabel.h"
#include "Views/Onboarding/WizardParts.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace mivo {

DownloadSourcesScreen::DownloadSourcesScreen(SetupCoordinator& coordinator, QWidget* parent)
    : QWidget(parent)
    , m_coordinator(&coordinator)
    , m_subscription(new QLineEdit)
    , m_refusal(new WizardLabel(SubscriptionAddress::refusalText(), TextStyle::caption, ThemeColor::red()))
{
    setObjectName(QStringLiteral("downloadSourcesScreen"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Tokens::Space::md));

    column->addWidget(new UnreadSettingsNotice(coordinator));
    auto* list = new QVBoxLayout;
    list->setSpacing(int(Tokens::Space::sm));
    for (const ServiceCatalog::DownloadSourceInfo& info : ServiceCatalog::downloadSources()) {
        auto* row = new SourceRow(info);
        const int index = int(m_rows.size());
        m_rows.append(row);
        row->setEnabledSource(coordinator.selectedSources().contains(info.id));
        if (info.keyService == AccountService::soundcloud) {
            row->setToken(coordinator.soundcloudToken());
            connect(row, &SourceRow::tokenEdited, &coordinator, &SetupCoordinator::setSoundcloudToken);
        }
        connect(row, &SourceRow::enabledChanged, this,
            [this, index](bool enabled) { setSourceEnabled(index, enabled); });
        list->addWidget(row);
    }
    column->addLayout(list);

    auto* privacy = new WizardLabel(
        tr("Privacy").toUpper(), TextStyle::caption2, ThemeColor::secondary(), QFont::DemiBold);
    column->addWidget(privacy);

    GlassSurface* vpn = WizardParts::card(
        GlassRole::groupCard(), Qt::Vertical, int(Tokens::Space::md), int(Tokens::Space::sm));
    vpn->setObjectName(QStringLiteral("vpnCard"));
    auto* header = new QHBoxLayout;
    header->setSpacing(int(Tokens::Space::md));
    header->addWidget(new ServiceIcon(QStringLiteral("ServiceVPN"), 22, ThemeColor::primary(), std::nullopt,
        QStringLiteral("lock.shield"), tr("Corvane VPN")));
    header->addWidget(
        new WizardLabel(tr("Corvane VPN"), TextStyle::subheadline, ThemeColor::primary(), QFont::Medium), 1);
    WizardParts::layoutOf(vpn)->addLayout(header);
    m_subscription->setObjectName(QStringLiteral("vpnSubscription"));
    m_subscription->setEchoMode(QLineEdit::Password);
    m_subscription->setPlaceholderText(tr("Corvane VPN subscription URL (optional)"));
    // The field shows no label but this.
    m_subscription->setAccessibleName(m_subscription->placeholderText());
    m_subscription->setText(coordinator.proxySubscription());
    auto* indented = new QHBoxLayout;
    indented->setContentsMargins(int(Tokens::Space::xxl), 0, 0, 0);
    indented->addWidget(m_subscription);
    WizardParts::layoutOf(vpn)->addLayout(indented);
    m_refusal->setObjectName(QStringLiteral("vpnSubscriptionRefusal"));
    auto* refusal = new QHBoxLayout;
    refusal->setContentsMargins(int(Tokens::Space::xxl), 0, 0, 0);
    refusal->addWidget(m_refusal);
    WizardParts::layoutOf(vpn)->addLayout(refusal);
    connect(m_subscription, &QLineEdit::textEdited, &coordinator, &SetupCoordinator::setProxySubscription);
    // Said once the user is done typing; gone as soon as the text is mended.
    connect(m_subscription, &QLineEdit::textEdited, this, [this] { showRefusal(false); });
    connect(m_subscription, &QLineEdit::editingFinished, this, [this] { showRefusal(true); });
    showRefusal(true);
    column->addWidget(vpn);
    column->addStretch(1);

    // The switches show the choice also when the configuration under it changes.
    connect(&coordinator, &SetupCoordinator::selectedSourcesChanged, this, &DownloadSourcesScreen::refresh);
    connect(&coordinator, &SetupCoordinator::storedSettingsChanged, this, &DownloadSourcesScreen::refresh);
    refresh();
}

void DownloadSourcesScreen::refresh()
{
    if (!m_coordinator)
        return;
    // The list of sources is written whole: not known, it is not offered.
    const bool known = m_coordinator->hasStoredSettings();
    for (SourceRow* row : std::as_const(m_rows)) {
        row->setEnabledSource(m_coordinator->selectedSources().contains(row->info().id));
        row->setAsStored(!known);
    }
}

void DownloadSourcesScreen::showRefusal(bool whenRefused)
{
    const QString text = m_subscription->text().trimmed();
    const bool refused = !text.isEmpty() && !SubscriptionAddress::isAcceptable(text);
    m_refusal->setVisible(refused && (whenRefused || !m_refusal->isHidden()));
}

void DownloadSourcesScreen::setSourceEnabled(int row, bool enabled)
{
    if (!m_coordinator)
        return;
    const SourceId id = m_rows.at(row)->info().id;
    const QList<SourceId>& current = m_coordinator->selectedSources();
    QList<SourceId> ordered;
    for (const SourceId source : allCases<SourceId>()) {
        const bool chosen = source == id ? enabled : current.contains(source);
        if (chosen)
            ordered.append(source);
    }
    m_coordinator->setSelectedSources(ordered);
}

} // namespace mivo
