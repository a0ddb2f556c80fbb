#include "Views/Onboarding/SetupSheet.h"

#include "App/AppModel.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/WindowPlacement.h"

#include <QEvent>

namespace mivo {

SetupSheet::SetupSheet(AppModel& model, QWidget* window)
    : QObject(window)
    , m_model(&model)
    , m_window(window)
    , m_wasPresented(model.isOnboardingPresented())
{
    connect(&model, &AppModel::isOnboardingPresentedChanged, this, &SetupSheet::presentedChanged);
    connect(&model, &AppModel::setupCoordinatorChanged, this, &SetupSheet::sync);
    if (window)
        window->installEventFilter(this);
    sync();
}

bool SetupSheet::eventFilter(QObject* watched, QEvent* event)
{
    // The wizard stays centred over its window, also when the window manager
    // places the window only after the wizard opened.
    if (watched == m_window && (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        && m_scaffold && m_scaffold->isVisible())
        WindowPlacement::centreOver(m_scaffold, m_window);
    return QObject::eventFilter(watched, event);
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
    // Placed before it shows, and once more where the platform put its frame.
    WindowPlacement::centreOver(m_scaffold, m_window);
    m_scaffold->open();
    WindowPlacement::centreOver(m_scaffold, m_window);
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
