#include "Services/LinuxMusicKit.h"

namespace mivo {

QCoro::Task<MusicKit::AuthorizationStatus> LinuxMusicKit::requestAuthorization()
{
    co_return AuthorizationStatus::restricted;
}

QCoro::Task<QString> LinuxMusicKit::userToken(QString developerToken, bool ignoreCache)
{
    Q_UNUSED(developerToken);
    Q_UNUSED(ignoreCache);
    throw MusicKitError(QStringLiteral("Apple Music sign-in is not available on this system."));
    co_return QString();
}

} // namespace mivo
