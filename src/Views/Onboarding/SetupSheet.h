#pragma once

#include "Views/Onboarding/SetupScaffold.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace mivo {

class AppModel;

// Presents the setup wizard over a window whenever the model asks for it (the
// wizard is presented and has a coordinator), and closes it when the model
// stops asking. Closing the wizard any other way (Escape, the close button)
// tells the model it is no longer presented. Each time the wizard goes from
// shown to hidden, by whatever means, "didOnboard" is recorded. The window runs
// the first-launch rule once it has started the model.
class SetupSheet : public QObject {
    Q_OBJECT

public:
    SetupSheet(AppModel& model, QWidget* window);
    ~SetupSheet() override;

    // The first-launch rule: before the first onboarding, starts the wizard
    // in first-run mode.
    void startIfFirstLaunch();

    // The wizard while it is shown.
    SetupScaffold* scaffold() const { return m_scaffold; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sync();
    void presentedChanged();
    void dismissedByUser();
    void closeScaffold();

    QPointer<AppModel> m_model;
    QPointer<QWidget> m_window;
    QPointer<SetupScaffold> m_scaffold;
    bool m_wasPresented = false;
};

} // namespace mivo
