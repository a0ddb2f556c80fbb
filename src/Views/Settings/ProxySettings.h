#pragma once

#include "State/SettingsStore.h"
#include "Views/Settings/SettingsPane.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace mivo {

class FormText;
class SettingsSection;

// The VPN pane: stores a subscription URL with the helper, tests the tunnel
// and forgets the stored URL. The URL is never shown again: the helper only
// says whether one is stored. The typed text is cleared once the helper has
// taken it; a save that fails keeps it and says why.
class ProxySettings : public SettingsPane {
    Q_OBJECT

public:
    explicit ProxySettings(AppModel& model, QWidget* parent = nullptr);

    QLineEdit* subscriptionField() const { return m_subscription; }
    QPushButton* primaryButton() const { return m_primary; }
    QPushButton* forgetButton() const { return m_forget; }
    FormText* resultText() const { return m_result; }
    FormText* detailText() const { return m_detail; }
    // The field's refusal of a text that is not a subscription address.
    FormText* refusalText() const { return m_refusal; }

    // The footer for a stored URL or none.
    static QString footerText(bool configured);

protected:
    void refresh() override;

private:
    bool hasInput() const;
    bool configured() const;
    void primaryClicked();
    QCoro::Task<void> saveSubscription();
    QCoro::Task<void> runTest();
    QCoro::Task<void> forget();

    QLineEdit* m_subscription;
    FormText* m_refusal;
    bool m_refused = false;
    QPushButton* m_primary;
    QProgressBar* m_testing;
    QLabel* m_resultSymbol;
    FormText* m_result;
    QPushButton* m_forget;
    FormText* m_detail;
    QWidget* m_refusalRow;
    QWidget* m_detailRow;
    SettingsSection* m_section;
    bool m_isTesting = false;
    std::optional<SettingsStore::ProxyTest> m_testResult;
};

} // namespace mivo
