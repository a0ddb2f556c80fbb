#include "State/PreviewStore.h"

#include "State/StoreRequests.h"
#include "Base/Log.h"

#include <QStringList>
#include <algorithm>
#include <exception>
#include <utility>

namespace mivo {

PreviewStore::PreviewStore(
    HelperClienting& client, MonotonicClock::Duration debounce, MonotonicClock& clock, QObject* parent)
    : QObject(parent)
    , m_client(&client)
    , m_debounce(debounce)
    , m_clock(clock)
{
}

PreviewStore::~PreviewStore()
{
    // A fetch asleep in its quiet period wakes, finds the store gone and ends.
    supersede();
}

QString PreviewStore::selectionKey(const QList<PlaylistDTO>& selection)
{
    QStringList ids;
    ids.reserve(selection.size());
    for (const PlaylistDTO& playlist : selection)
        ids.append(playlist.id);
    return ids.join(u'|');
}

void PreviewStore::update(const QList<PlaylistDTO>& selection)
{
    const QString key = selectionKey(selection);
    if (m_loadedKey == key && !m_groups.isEmpty()) {
        // These rows are on screen already. A fetch still under way is for a
        // selection that is no longer wanted: it must not replace them.
        supersede();
        setLoading(false);
        return;
    }
    supersede();
    if (selection.isEmpty()) {
        setGroups({});
        m_loadedKey = key;
        setLoading(false);
        return;
    }
    setLoading(true);
    // Runs on by itself; the generation tells it when it has been superseded.
    fetch(selection, key, m_generation);
}

qint64 PreviewStore::failedCount() const
{
    return std::count_if(
        m_groups.cbegin(), m_groups.cend(), [](const auto& group) { return group->loadFailed(); });
}

void PreviewStore::clear()
{
    supersede();
    setGroups({});
    m_loadedKey.reset();
    setLoading(false);
}

void PreviewStore::supersede()
{
    ++m_generation;
    m_debounceCall.cancel();
    if (m_debounceWake)
        std::exchange(m_debounceWake, std::nullopt)->resolve();
}

QCoro::Task<void> PreviewStore::sleepOutDebounce()
{
    Completion<void> wake;
    m_debounceWake = wake;
    m_debounceCall = m_clock.callAfter(m_debounce, this, [wake]() mutable { wake.resolve(); });
    co_await wake;
}

QCoro::Task<void> PreviewStore::fetch(QList<PlaylistDTO> playlists, QString key, quint64 generation)
{
    const QPointer<PreviewStore> self(this);
    // Asked before every second request of a read: a superseded fetch sends none.
    const std::function<bool()> stillWanted
        = [self, generation] { return self && self->isCurrent(generation); };

    QCoro::Task<void> quiet = sleepOutDebounce();
    co_await std::move(quiet);
    if (!stillWanted())
        co_return;

    QList<std::shared_ptr<PlaylistGroup>> result;
    result.reserve(playlists.size());
    for (qsizetype i = 0; i < playlists.size(); ++i) {
        if (!stillWanted())
            co_return;
        const PlaylistDTO& playlist = playlists[i];
        std::optional<QList<PreviewTrackDTO>> tracks;
        QString failure;
        try {
            QCoro::Task<QList<PreviewTrackDTO>> read
                = StoreRequests::requireClient(m_client).getPlaylistTracks(
                    playlist.source, playlist.id, playlist.name, stillWanted);
            tracks = co_await std::move(read);
        } catch (const std::exception& error) {
            failure = StoreRequests::errorText(error);
        }
        // Whatever came back is dropped once a newer selection or a clear took over.
        if (!stillWanted())
            co_return;

        QList<std::shared_ptr<TrackModel>> rows;
        if (tracks) {
            rows.reserve(tracks->size());
            for (const PreviewTrackDTO& track : std::as_const(*tracks))
                rows.append(std::make_shared<TrackModel>(track));
        } else {
            qCWarning(lcPreview, "getPlaylistTracks failed for %s: %s", qUtf8Printable(playlist.id),
                qUtf8Printable(failure));
        }
        auto group = std::make_shared<PlaylistGroup>(playlist.id, playlist.name, i, std::move(rows));
        group->setLoadFailed(!tracks);
        result.append(std::move(group));
    }

    if (!stillWanted())
        co_return;
    setGroups(std::move(result));
    m_loadedKey = std::move(key);
    setLoading(false);
}

void PreviewStore::setGroups(QList<std::shared_ptr<PlaylistGroup>> groups)
{
    if (groups.isEmpty() && m_groups.isEmpty())
        return;
    for (const auto& group : std::as_const(m_groups))
        disconnect(group.get(), nullptr, this, nullptr);
    m_groups = std::move(groups);
    for (const auto& group : std::as_const(m_groups))
        connect(group.get(), &PlaylistGroup::countsChanged, this, &PreviewStore::recount);
    recount();
    emit groupsChanged();
}

void PreviewStore::recount()
{
    TrackCounts totals;
    for (const auto& group : std::as_const(m_groups))
        totals += group->counts();
    if (totals == m_totals)
        return;
    m_totals = totals;
    emit countsChanged();
}

void PreviewStore::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    emit isLoadingChanged();
}

} // namespace mivo
