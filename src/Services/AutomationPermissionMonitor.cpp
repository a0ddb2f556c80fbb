#include "Services/AutomationPermissionMonitor.h"

#include <QGuiApplication>
#include <QPointer>

namespace mivo {

AutomationPermissionMonitor::AutomationPermissionMonitor(AppleMusicLocalAccess access, QObject* parent)
    : QObject(parent)
    , m_access(std::move(access))
    , m_status(m_access.currentStatus())
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                recheck();
        });
    }
}

AutomationPermissionMonitor& AutomationPermissionMonitor::shared()
{
    static AutomationPermissionMonitor monitor(AppleMusicLocalAccess::shared());
    return monitor;
}

void AutomationPermissionMonitor::recheck()
{
    setStatus(m_access.currentStatus());
}

QCoro::Task<AutomationPermissionMonitor::Status> AutomationPermissionMonitor::requestAccess()
{
    const QPointer<AutomationPermissionMonitor> self(this);
    // A copy, so the question outlives this monitor if it is destroyed meanwhile.
    const AppleMusicLocalAccess access = m_access;
    const Status result = co_await access.request();
    if (self)
        self->setStatus(result);
    co_return result;
}

void AutomationPermissionMonitor::setStatus(Status status)
{
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged();
}

} // namespace mivo
