#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class QButtonGroup;
class QPushButton;

namespace mivo {

class QualityOption;
class SetupCoordinator;
class WizardLabel;

// The wizard screen for where downloads are saved (a folder card with
// "Change…") and which quality profile the helper follows (three options that
// behave as one radio group). Both go into the coordinator.
class FineTuningScreen : public QWidget {
    Q_OBJECT

public:
    explicit FineTuningScreen(SetupCoordinator& coordinator, QWidget* parent = nullptr);

    WizardLabel* folderLabel() const { return m_folder; }
    const QList<QualityOption*>& options() const { return m_options; }

private:
    void refresh();

    QPointer<SetupCoordinator> m_coordinator;
    WizardLabel* m_folder;
    QList<QualityOption*> m_options;
};

} // namespace mivo
