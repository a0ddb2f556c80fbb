#include "Services/AppleMusicLocalAccess.h"

#include "Services/LinuxAutomationProbe.h"
#include "Base/Log.h"
#include "Base/WorkerThread.h"

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
    // Built as named locals: g++ 12 destroys a lambda temporary inside a co_await
    // expression twice, which would drop one reference to the probe too many.
    auto work = [probe] { return probe->determinePermission(QString::fromLatin1(kMusicAppId), true); };
    QCoro::Task<std::optional<qint32>> asked = runInWorkerThread(std::move(work));
    const std::optional<qint32> code = co_await std::move(asked);
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
