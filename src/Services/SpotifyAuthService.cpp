#include "Services/SpotifyAuthService.h"

#include "State/AccountModel.h"

namespace mivo {

SpotifyAuthService& SpotifyAuthService::shared()
{
    static SpotifyAuthService service;
    return service;
}

QCoro::Task<void> SpotifyAuthService::connect(AccountModel& model)
{
    co_await model.connectSpotify();
}

} // namespace mivo
