#pragma once

#include "Models/ServiceCatalog.h"

#include <QWidget>

class QLineEdit;

namespace mivo {

class DisclosurePanel;
class ServiceIcon;
class ToggleSwitch;
class WizardLabel;

// One download source on a card: its logo, name and blurb and a switch. A
// source with a credential shows a secret field for it while it is enabled;
// switching it off hides the field but keeps what was typed. While the stored
// sources are not known the row offers no switch: it reads "As stored".
class SourceRow : public QWidget {
    Q_OBJECT

public:
    explicit SourceRow(const ServiceCatalog::DownloadSourceInfo& info, QWidget* parent = nullptr);

    const ServiceCatalog::DownloadSourceInfo& info() const { return m_info; }
    ToggleSwitch* toggle() const { return m_switch; }
    // The credential's field; none for a source without one.
    QLineEdit* tokenField() const { return m_token; }

    void setEnabledSource(bool enabled);
    void setToken(const QString& token);
    // Shows "As stored" in place of the switch, and no credential field.
    void setAsStored(bool asStored);
    bool isAsStored() const { return m_asStored; }

signals:
    void enabledChanged(bool enabled);
    void tokenEdited(const QString& token);

private:
    void refresh();

    ServiceCatalog::DownloadSourceInfo m_info;
    ServiceIcon* m_icon;
    ToggleSwitch* m_switch;
    WizardLabel* m_asStoredLabel;
    bool m_asStored = false;
    QLineEdit* m_token = nullptr;
    DisclosurePanel* m_tokenReveal = nullptr;
};

} // namespace mivo
