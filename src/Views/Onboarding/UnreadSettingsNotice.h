#pragma once

#include <QPointer>
#include <QWidget>

class QPushButton;

namespace mivo {

class AppModel;
class SetupCoordinator;
class WizardLabel;

// Said on a wizard screen while the helper's stored settings are not known:
// that they could not be read and that only what is changed here is saved,
// the helper's reason, and "Try Again", which reads them again. Hidden once
// they are known.
class UnreadSettingsNotice : public QWidget {
    Q_OBJECT

public:
    explicit UnreadSettingsNotice(SetupCoordinator& coordinator, QWidget* parent = nullptr);

    // The notice and the reason, as shown.
    WizardLabel* text() const { return m_text; }
    QPushButton* tryAgainButton() const { return m_tryAgain; }

    static QString notice();
    // Shown in a row whose stored value is not known and was not changed.
    static QString asStoredText();

private:
    void refresh();
    void watchSettings();

    QPointer<SetupCoordinator> m_coordinator;
    QPointer<AppModel> m_model;
    WizardLabel* m_text;
    QPushButton* m_tryAgain;
};

} // namespace mivo
