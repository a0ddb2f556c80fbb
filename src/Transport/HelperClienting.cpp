#include "Transport/HelperClienting.h"

#include "Support/Log.h"

#include <QPointer>

namespace mivo {

QCoro::Task<void> HelperClienting::send(Request request, std::chrono::milliseconds timeout)
{
    co_await this->request<EmptyResult>(std::move(request), timeout);
}

QCoro::Task<QList<PreviewTrackDTO>> HelperClienting::getPlaylistTracks(
    PlaylistSourceId source, QString id, std::optional<QString> name)
{
    const QPointer<HelperClienting> self = this;
    try {
        const PreviewTracksResult wrapped
            = co_await request<PreviewTracksResult>(Request::getPlaylistTracks(source, id, name));
        co_return wrapped.tracks;
    } catch (const std::exception& error) {
        qCDebug(lcClient, "getPlaylistTracks: asking again for a bare list after: %s", error.what());
    }
    if (!self)
        throw HelperError::helperUnavailable();
    co_return co_await self->request<QList<PreviewTrackDTO>>(Request::getPlaylistTracks(source, id, name));
}

} // namespace mivo
