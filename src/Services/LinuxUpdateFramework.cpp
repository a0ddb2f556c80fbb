#include "Services/LinuxUpdateFramework.h"

#include "BuildConfig.h"
#include "State/SyncStore.h"

namespace mivo {

LinuxUpdateFramework::LinuxUpdateFramework(SyncStore* banner)
    : m_banner(banner)
    , m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
          QString::fromUtf8(build::kAppId), QStringLiteral("mivo")))
{
}

LinuxUpdateFramework::LinuxUpdateFramework(SyncStore* banner, const QString& iniFilePath)
    : m_banner(banner)
    , m_settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
}

QString LinuxUpdateFramework::unavailableText()
{
    return QStringLiteral("Updates aren't available from inside mivo on Linux. Get new versions from where "
                          "you installed mivo.");
}

void LinuxUpdateFramework::checkForUpdates()
{
    if (m_banner)
        m_banner->setBanner(SyncBanner { SyncBanner::Kind::info, unavailableText(), std::nullopt });
}

bool LinuxUpdateFramework::automaticallyChecksForUpdates() const
{
    return m_settings->value(QString::fromLatin1(kAutomaticChecksKey), false).toBool();
}

void LinuxUpdateFramework::setAutomaticallyChecksForUpdates(bool enabled)
{
    m_settings->setValue(QString::fromLatin1(kAutomaticChecksKey), enabled);
    m_settings->sync();
}

} // namespace mivo
