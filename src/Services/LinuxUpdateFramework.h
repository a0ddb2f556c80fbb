#pragma once

#include "Services/UpdateFramework.h"

#include <QPointer>
#include <QSettings>
#include <QString>
#include <memory>

namespace mivo {

class SyncStore;

// The application cannot update itself on this system: new versions come from
// wherever it was installed from. A check tells the user so through the sync
// banner; nothing is ever checked in the background. The automatic-check
// switch is still kept, in the application's settings, so that the user's
// choice stays as it was set.
class LinuxUpdateFramework final : public UpdateFramework {
public:
    // The settings key of the automatic-check switch.
    static constexpr auto kAutomaticChecksKey = "automaticallyChecksForUpdates";

    // Keeps the switch in the application's own settings, and shows its answer
    // to a check on `banner` while that store exists.
    explicit LinuxUpdateFramework(SyncStore* banner);
    // Keeps the switch in the given INI file.
    LinuxUpdateFramework(SyncStore* banner, const QString& iniFilePath);

    static QString unavailableText();

    void checkForUpdates() override;
    bool automaticallyChecksForUpdates() const override;
    void setAutomaticallyChecksForUpdates(bool enabled) override;

private:
    QPointer<SyncStore> m_banner;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace mivo
