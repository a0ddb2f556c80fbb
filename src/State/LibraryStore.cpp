#include "State/LibraryStore.h"

#include "State/StoreRequests.h"
#include "Transport/ResultRecords.h"

#include <iterator>
#include <limits>

namespace mivo {

namespace {

constexpr PlaylistSourceId kSources[] = { PlaylistSourceId::apple, PlaylistSourceId::spotify };

// `playlists` with the playlists of `source` replaced by `fresh`, which take the
// place of the first one they replace (or go last when there was none).
QList<PlaylistDTO> withSourceReplaced(
    const QList<PlaylistDTO>& playlists, PlaylistSourceId source, const QList<PlaylistDTO>& fresh)
{
    QList<PlaylistDTO> result;
    result.reserve(playlists.size() + fresh.size());
    bool placed = false;
    for (const PlaylistDTO& playlist : playlists) {
        if (playlist.source != source) {
            result.append(playlist);
        } else if (!placed) {
            result.append(fresh);
            placed = true;
        }
    }
    if (!placed)
        result.append(fresh);
    return result;
}

} // namespace

LibraryStore::LibraryStore(HelperClienting& client, QObject* parent)
    : QObject(parent)
    , m_client(&client)
    , m_changed(this, [this] { emit changed(); })
{
}

void LibraryStore::setSelection(const QSet<QString>& selection)
{
    if (m_selection == selection)
        return;
    m_selection = selection;
    updateSelectedPlaylistCount();
    emit selectionChanged();
    m_changed.schedule();
}

void LibraryStore::setPlaylists(QList<PlaylistDTO> playlists)
{
    if (m_playlists == playlists)
        return;
    m_playlists = std::move(playlists);
    m_firstIndex.clear();
    m_firstIndex.reserve(m_playlists.size());
    // Walk backwards so that an id's first playlist is the one kept.
    for (qsizetype i = m_playlists.size() - 1; i >= 0; --i)
        m_firstIndex[m_playlists[i].id] = i;
    updateSelectedPlaylistCount();
    emit playlistsChanged();
    m_changed.schedule();
}

void LibraryStore::setLoadState(LoadState state)
{
    if (m_loadState == state)
        return;
    m_loadState = std::move(state);
    emit loadStateChanged();
}

bool LibraryStore::isSuperseded(quint64 read, std::optional<PlaylistSourceId> source) const
{
    if (m_latestCompleteRead > read)
        return true;
    if (!source)
        return false;
    const auto found = m_latestSourceRead.find(*source);
    return found != m_latestSourceRead.end() && found->second > read;
}

void LibraryStore::applyListing(
    quint64 read, std::optional<PlaylistSourceId> source, const QList<PlaylistDTO>& listing)
{
    // Each source shows the playlists of the newest listing that answered for it,
    // so a listing of one source never drops another's, and a complete listing
    // that answers late still fills in the sources no newer listing covered.
    QList<PlaylistSourceId> taken;
    for (const PlaylistSourceId each : kSources) {
        if ((!source || *source == each) && m_shownRead[each] < read)
            taken.append(each);
    }
    if (taken.isEmpty())
        return;
    for (const PlaylistSourceId each : taken)
        m_shownRead[each] = read;
    // A complete listing that is the newest for every source is taken as it is,
    // in the helper's order.
    if (!source && taken.size() == qsizetype(std::size(kSources))) {
        setPlaylists(listing);
        return;
    }
    QList<PlaylistDTO> playlists = m_playlists;
    for (const PlaylistSourceId each : taken) {
        QList<PlaylistDTO> fresh;
        for (const PlaylistDTO& playlist : listing) {
            if (playlist.source == each)
                fresh.append(playlist);
        }
        playlists = withSourceReplaced(playlists, each, fresh);
    }
    setPlaylists(std::move(playlists));
}

void LibraryStore::updateSelectedPlaylistCount()
{
    int count = 0;
    for (const QString& id : std::as_const(m_selection)) {
        const auto found = m_firstIndex.constFind(id);
        if (found != m_firstIndex.cend() && !m_playlists[*found].isFolder)
            ++count;
    }
    if (count == m_selectedPlaylistCount)
        return;
    m_selectedPlaylistCount = count;
    emit selectedPlaylistCountChanged();
}

QCoro::Task<void> LibraryStore::refresh(std::optional<PlaylistSourceId> source)
{
    const QPointer<LibraryStore> self(this);
    const ReadSequence::Ticket ticket = m_reads.begin();
    const quint64 read = ticket.read;
    if (source)
        m_latestSourceRead[*source] = read;
    else
        m_latestCompleteRead = read;
    setLoadState(LoadState::loading());

    std::optional<QList<PlaylistDTO>> playlists;
    QString failure;
    try {
        // A newer read of the same playlists makes this one's fallback request pointless.
        const std::function<bool()> stillWanted
            = [self, read, source] { return self && !self->isSuperseded(read, source); };
        QCoro::Task<QList<PlaylistDTO>> read = readWithFallback(StoreRequests::requireClient(m_client),
            Request::listPlaylists(source), &ListPlaylistsResult::playlists, stillWanted);
        playlists = co_await std::move(read);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (!self)
        co_return;
    if (playlists)
        applyListing(read, source, *playlists);
    // A newer refresh has taken over: it writes the load state.
    if (!m_reads.isCurrent(ticket))
        co_return;
    setLoadState(playlists ? LoadState::loaded() : LoadState::failed(failure));
}

QCoro::Task<bool> LibraryStore::startSync(std::optional<SyncOptions> options)
{
    QList<PlaylistSelection> selection = selectionPayload();
    if (selection.isEmpty())
        co_return false;
    QCoro::Task<void> sent = StoreRequests::requireClient(m_client).send(
        Request::startSync(std::move(selection), std::move(options)), StoreRequests::kTimeout);
    co_await std::move(sent);
    co_return true;
}

std::optional<PlaylistDTO> LibraryStore::playlist(const QString& id) const
{
    const auto found = m_firstIndex.constFind(id);
    if (found == m_firstIndex.cend())
        return std::nullopt;
    return m_playlists[*found];
}

QList<PlaylistDTO> LibraryStore::roots() const
{
    QList<PlaylistDTO> roots;
    for (const PlaylistDTO& playlist : m_playlists) {
        if (!playlist.parentId)
            roots.append(playlist);
    }
    return roots;
}

QList<PlaylistDTO> LibraryStore::children(const QString& id) const
{
    QList<PlaylistDTO> children;
    for (const PlaylistDTO& playlist : m_playlists) {
        if (playlist.parentId == id)
            children.append(playlist);
    }
    return children;
}

QList<PlaylistSelection> LibraryStore::selectionPayload() const
{
    QList<PlaylistSelection> payload;
    if (m_selection.isEmpty())
        return payload;
    for (qsizetype i = 0; i < m_playlists.size(); ++i) {
        const PlaylistDTO& playlist = m_playlists[i];
        // Only an id's first playlist counts, as playlist(id) resolves it.
        if (!m_selection.contains(playlist.id) || m_firstIndex.value(playlist.id) != i || playlist.isFolder)
            continue;
        payload.append(PlaylistSelection { playlist.source, playlist.id, playlist.name });
    }
    return payload;
}

qint64 LibraryStore::selectedTrackCount() const
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 total = 0;
    for (const QString& id : m_selection) {
        const auto found = m_firstIndex.constFind(id);
        if (found == m_firstIndex.cend())
            continue;
        const std::optional<qint64>& count = m_playlists[*found].trackCount;
        // A negative count is no count at all.
        if (!count || *count <= 0)
            continue;
        total = *count > kMax - total ? kMax : total + *count;
    }
    return total;
}

} // namespace mivo
