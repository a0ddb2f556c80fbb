#include "Services/AppleMusicLocalAccess.h"

#include "Services/LinuxAutomationProbe.h"
#include "Support/Log.h"
#include "Support/WorkerThread.h"

#include <QDesktopServices>

namespace mivo {

AppleMusicLocalAccess::AppleMusicLocalAccess(std::shared_ptr<AutomationProbe> probe, UrlOpener openUrl)
    : m_probe(std::move(probe))
    , m_openUrl(std::move(openUrl))
{
}

AppleMusicLocalAccess& AppleMusicLocalAccess::shared()
{
    static AppleMusicLocalAccess access(std::make_shared<LinuxAutomationProbe>());
    return access;
}

AppleMusicLocalAccess::Status AppleMusicLocalAccess::statusFor(std::optional<qint32> resultCode)
{
    if (!resultCode)
        return Status::undetermined;
    switch (*resultCode) {
    case AutomationProbe::kPermitted:
        return Status::authorized;
    case AutomationProbe::kNotPermitted:
        return Status::denied;
    default:
        // Consent would be required, the Music app is not there, or anything else.
        return Status::undetermined;
    }
}

AppleMusicLocalAccess::Status AppleMusicLocalAccess::currentStatus() const
{
    return statusFor(m_probe->determinePermission(QString::fromLatin1(kMusicAppId), false));
}

QCoro::Task<AppleMusicLocalAccess::Status> AppleMusicLocalAccess::request() const
{
    // The worker owns its own reference to the probe: this object is not touched
    // once the question is on its way.
    std::shared_ptr<AutomationProbe> probe = m_probe;
    const std::optional<qint32> code = co_await runInWorkerThread(
        [probe] { return probe->determinePermission(QString::fromLatin1(kMusicAppId), true); });
    co_return statusFor(code);
}

void AppleMusicLocalAccess::openAutomationSettings() const
{
    const QUrl url(QString::fromLatin1(kAutomationSettingsUrl));
    if (!m_openUrl(url))
        qCWarning(lcAppleLocalAccess).noquote()
            << "could not open the Automation settings:" << url.toString();
}

bool AppleMusicLocalAccess::openWithDesktop(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace mivo
