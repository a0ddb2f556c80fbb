#pragma once

#include "Services/AppleMusicLocalAccess.h"

#include <QObject>
#include <qcoro/qcorotask.h>

namespace mivo {

// The observable copy of the Music app's automation consent. The state is
// read without prompting when the monitor is made, and read again whenever the
// application becomes active, so a decision changed in the system settings
// shows as soon as the user comes back. `statusChanged` is emitted only when
// the state actually differs.
//
// Lives on the main thread. The activation re-check needs a QGuiApplication;
// a monitor made without one re-checks only when asked.
class AutomationPermissionMonitor : public QObject {
    Q_OBJECT
    Q_PROPERTY(mivo::AppleMusicLocalAccess::Status status READ status NOTIFY statusChanged)

public:
    using Status = AppleMusicLocalAccess::Status;

    explicit AutomationPermissionMonitor(AppleMusicLocalAccess access, QObject* parent = nullptr);

    // The process-wide monitor over AppleMusicLocalAccess::shared(), made on
    // first use. Use it first on the main thread once the application exists.
    static AutomationPermissionMonitor& shared();

    Status status() const { return m_status; }
    // Whether this system has a Music app whose consent could be asked for.
    bool isAvailable() const { return m_access.isAvailable(); }
    // Opens the system settings page where the consent is granted or revoked.
    void openAutomationSettings() const { m_access.openAutomationSettings(); }

    // Reads the consent state again, without prompting.
    void recheck();
    // Asks for consent (the system may prompt the user), keeps the answer and
    // returns it.
    QCoro::Task<Status> requestAccess();

signals:
    void statusChanged();

private:
    void setStatus(Status status);

    AppleMusicLocalAccess m_access;
    Status m_status;
};

} // namespace mivo
