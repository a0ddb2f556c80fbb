#pragma once

#include <QPointer>
#include <QWidget>

class QListView;
class QPushButton;
class QTimer;

namespace mivo {

class AppModel;
class ToolProvisioningStore;
class WizardLabel;

// The wizard step on which the helper installs the tools it needs: one row per
// tool from the provisioning store, the helper's last log line while that
// runs, then either a success line or the failure with "Try Again".
//
// Shown for the first time with an idle store, it starts the provisioning; a
// store that arrives while the screen is shown (the helper link was attached
// late) is started the same way. The provisioning belongs to the store:
// leaving the screen or closing the wizard does not stop it.
class PrepareToolsScreen : public QWidget {
    Q_OBJECT

public:
    explicit PrepareToolsScreen(AppModel& model, QWidget* parent = nullptr);

    QListView* toolList() const { return m_list; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void attachStore();
    void startIfIdle();
    void refresh();
    void fitList();
    void tick();

    QPointer<AppModel> m_model;
    QPointer<ToolProvisioningStore> m_store;
    bool m_shown = false;
    QListView* m_list;
    QWidget* m_failure;
    WizardLabel* m_failureText;
    QWidget* m_failureLine;
    QPushButton* m_tryAgain;
    QWidget* m_ready;
    WizardLabel* m_log;
    QTimer* m_spinnerTimer;
};

} // namespace mivo
