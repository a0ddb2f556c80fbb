#include "Views/Onboarding/SetupSheet.h"

#include "App/AppModel.h"
#include "Views/Onboarding/SetupScaffold.h"

namespace mivo {

SetupSheet::SetupSheet(AppModel& model, QWidget* window)
    : QObject(window)
    , m_model(&model)
    , m_window(window)
    , m_wasPresented(model.isOnboardingPresented())
{
    connect(&model, &AppModel::isOnboardingPresentedChanged, this, &SetupSheet::presentedChanged);
    connect(&model, &AppModel::setupCoordinatorChanged, this, &SetupSheet::sync);
    sync();
}

SetupSheet::~SetupSheet()
{
    closeScaffold();
}

void SetupSheet::startIfFirstLaunch()
{
    if (m_model && !m_model->defaults().didOnboard())
        m_model->beginOnboarding(SetupCoordinator::Mode::firstRun);
}

void SetupSheet::presentedChanged()
{
    if (!m_model)
        return;
    const bool presented = m_model->isOnboardingPresented();
    // However the wizard went away, onboarding has happened.
    if (m_wasPresented && !presented)
        m_model->defaults().setDidOnboard(true);
    m_wasPresented = presented;
    sync();
}

void SetupSheet::sync()
{
    if (!m_model)
        return;
    SetupCoordinator* coordinator = m_model->setupCoordinator();
    const bool wanted = m_model->isOnboardingPresented() && coordinator;
    if (m_scaffold && (!wanted || m_scaffold->coordinator() != coordinator))
        closeScaffold();
    if (!wanted || m_scaffold)
        return;
    m_scaffold = new SetupScaffold(*coordinator, *m_model, m_window);
    connect(m_scaffold, &QDialog::finished, this, &SetupSheet::dismissedByUser);
    m_scaffold->open();
}

void SetupSheet::dismissedByUser()
{
    auto* closed = qobject_cast<SetupScaffold*>(sender());
    if (closed)
        closed->deleteLater();
    if (closed != m_scaffold)
        return;
    m_scaffold = nullptr;
    if (m_model)
        m_model->setOnboardingPresented(false);
}

void SetupSheet::closeScaffold()
{
    if (!m_scaffold)
        return;
    SetupScaffold* scaffold = m_scaffold;
    m_scaffold = nullptr;
    disconnect(scaffold, &QDialog::finished, this, &SetupSheet::dismissedByUser);
    scaffold->close();
    scaffold->deleteLater();
}

} // namespace mivo
