#include "Transport/HelperClienting.h"

#include "Transport/ReadWithFallback.h"

namespace mivo {

QCoro::Task<void> HelperClienting::send(Request request, std::chrono::milliseconds timeout)
{
    co_await this->request<EmptyResult>(std::move(request), timeout);
}

QCoro::Task<QList<PreviewTrackDTO>> HelperClienting::getPlaylistTracks(
    PlaylistSourceId source, QString id, std::optional<QString> name, std::function<bool()> stillWanted)
{
    return readWithFallback(*this, Request::getPlaylistTracks(source, std::move(id), std::move(name)),
        &PreviewTracksResult::tracks, std::move(stillWanted));
}

} // namespace mivo
