#include "Services/SpotifyAuthService.h"

#include "App/AppModel.h"

namespace mivo {

SpotifyAuthService& SpotifyAuthService::shared()
{
    static SpotifyAuthService service;
    return service;
}

QCoro::Task<void> SpotifyAuthService::connect(AppModel& model)
{
    co_await model.connectSpotify();
}

} // namespace mivo
