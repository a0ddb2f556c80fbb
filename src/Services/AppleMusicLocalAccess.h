#pragma once

#include "Services/AutomationProbe.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <qcoro/qcorotask.h>

namespace mivo {

// The Music app's consent to be driven by this application (the helper reads
// the local Music library through it). Wraps the system's consent query.
class AppleMusicLocalAccess {
public:
    enum class Status { authorized, denied, undetermined };

    // The application whose consent is asked for.
    static constexpr auto kMusicAppId = "com.apple.Music";
    // The system settings page where the user grants or revokes the consent.
    static constexpr auto kAutomationSettingsUrl
        = "x-apple.systempreferences:com.apple.preference.security?Privacy_Automation";

    // Opens a URL with the desktop; false when nothing could open it.
    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit AppleMusicLocalAccess(
        std::shared_ptr<AutomationProbe> probe, UrlOpener openUrl = &AppleMusicLocalAccess::openWithDesktop);

    // The process-wide instance for the running system, created on first use.
    static AppleMusicLocalAccess& shared();

    // Whether this system has a Music app whose consent could be asked for.
    bool isAvailable() const { return m_probe->isSupported(); }
    // The consent state without asking the user; returns at once.
    Status currentStatus() const;
    // The consent state, asking the user when no decision is recorded yet. The
    // system's prompt blocks, so the question runs on a worker thread; the
    // caller resumes on its own thread.
    QCoro::Task<Status> request() const;
    // Opens the consent settings page; a failure is logged.
    void openAutomationSettings() const;

    // Maps the system's result code to a status; nothing (no target) is undetermined.
    static Status statusFor(std::optional<qint32> resultCode);

private:
    static bool openWithDesktop(const QUrl& url);

    std::shared_ptr<AutomationProbe> m_probe;
    UrlOpener m_openUrl;
};

} // namespace mivo
