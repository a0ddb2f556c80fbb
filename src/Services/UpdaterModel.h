#pragma once

#include "Services/UpdateFramework.h"

#include <QObject>
#include <QString>
#include <memory>

namespace mivo {

class SyncStore;

// The application's face of the update framework: the "Check for Updates…"
// command, the automatic-check switch of the General settings and the running
// version. The application entry makes one and keeps it for the life of the
// process. Main thread only.
class UpdaterModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheck READ canCheck NOTIFY canCheckChanged)
    Q_PROPERTY(bool automaticallyChecks READ automaticallyChecks WRITE setAutomaticallyChecks NOTIFY
            automaticallyChecksChanged)
    Q_PROPERTY(QString currentVersion READ currentVersion CONSTANT)

public:
    // Over this system's update framework, which answers checks on `banner`.
    explicit UpdaterModel(SyncStore* banner, QObject* parent = nullptr);
    // Over the given framework; `version` is the running version as the build
    // gives it (empty when it has none).
    UpdaterModel(
        std::unique_ptr<UpdateFramework> framework, const QString& version, QObject* parent = nullptr);
    ~UpdaterModel() override;

    // Whether "Check for Updates…" may be used; true, and nothing changes it.
    bool canCheck() const { return m_canCheck; }

    void checkForUpdates();

    // Kept by the framework, not by this object.
    bool automaticallyChecks() const;
    void setAutomaticallyChecks(bool enabled);

    // The running version, "0.0.0" when the build names none.
    QString currentVersion() const { return m_version; }

signals:
    void canCheckChanged();
    void automaticallyChecksChanged();

private:
    std::unique_ptr<UpdateFramework> m_framework;
    QString m_version;
    bool m_canCheck = true;
};

} // namespace mivo
