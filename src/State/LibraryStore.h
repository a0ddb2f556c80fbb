#pragma once

#include "State/CoalescedNotifier.h"
#include "State/ReadSequence.h"
#include "Transport/HelperClienting.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/SyncRecords.h"
#include "Transport/WireVocabulary.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <map>
#include <optional>

namespace mivo {

// The user's streaming playlists as the helper lists them, the load state of that
// list and the playlists selected in the sidebar; turns the selection into the
// startSync request.
class LibraryStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<mivo::PlaylistDTO> playlists READ playlists NOTIFY playlistsChanged)
    Q_PROPERTY(mivo::LibraryStore::LoadState loadState READ loadState NOTIFY loadStateChanged)
    Q_PROPERTY(QSet<QString> selection READ selection WRITE setSelection NOTIFY selectionChanged)
    Q_PROPERTY(QList<mivo::PlaylistDTO> roots READ roots NOTIFY changed)
    Q_PROPERTY(qint64 selectedTrackCount READ selectedTrackCount NOTIFY changed)
    Q_PROPERTY(int selectedPlaylistCount READ selectedPlaylistCount NOTIFY selectedPlaylistCountChanged)

public:
    // Progress of the last refresh; two failed states are equal when their
    // messages are.
    struct LoadState {
        enum class Kind { failed, idle, loading, loaded };
        Kind kind = Kind::idle;
        QString message; // the failure's text; empty for the other kinds

        static LoadState failed(QString message) { return { Kind::failed, std::move(message) }; }
        static LoadState idle() { return { Kind::idle, {} }; }
        static LoadState loading() { return { Kind::loading, {} }; }
        static LoadState loaded() { return { Kind::loaded, {} }; }
        bool operator==(const LoadState&) const = default;
    };

    explicit LibraryStore(HelperClienting& client, QObject* parent = nullptr);

    const QList<PlaylistDTO>& playlists() const { return m_playlists; }
    LoadState loadState() const { return m_loadState; }
    const QSet<QString>& selection() const { return m_selection; }
    void setSelection(const QSet<QString>& selection);

    // Lists the playlists of one source, or of all sources without one. The answer
    // replaces the playlists of the sources it covers and keeps the others; a
    // source's playlists are never replaced by those of a listing begun before the
    // one they came from. The selection is kept. Never throws: a failure shows as
    // the failed load state, and the earlier playlists stay.
    QCoro::Task<void> refresh(std::optional<PlaylistSourceId> source = std::nullopt);

    // Sends startSync with the selected playlists and waits for the reply.
    // Returns false without sending anything when no playlist is selected.
    // Throws the request's error.
    QCoro::Task<bool> startSync(std::optional<SyncOptions> options = std::nullopt);

    // The first playlist with that id.
    std::optional<PlaylistDTO> playlist(const QString& id) const;
    // The playlists without a parent, in library order.
    QList<PlaylistDTO> roots() const;
    // The playlists held by the folder `id`, in library order.
    QList<PlaylistDTO> children(const QString& id) const;
    // The selected playlists in library order: ids without a playlist and
    // folders are skipped, so the same selection always makes the same request.
    QList<PlaylistSelection> selectionPayload() const;
    // The track counts of the selected playlists (folders included when they
    // carry one) added up; stops at the largest qint64.
    qint64 selectedTrackCount() const;
    // How many selected ids name a playlist that is not a folder (ids without a
    // playlist are not counted).
    int selectedPlaylistCount() const { return m_selectedPlaylistCount; }

signals:
    void playlistsChanged();
    void loadStateChanged();
    void selectionChanged();
    void selectedPlaylistCountChanged();
    // Once per event-loop turn after the playlists or the selection changed.
    void changed();

private:
    void setPlaylists(QList<PlaylistDTO> playlists);
    void setLoadState(LoadState state);
    // Whether a read begun later covers every source that `read` covers.
    bool isSuperseded(quint64 read, std::optional<PlaylistSourceId> source) const;
    void applyListing(quint64 read, std::optional<PlaylistSourceId> source, const QList<PlaylistDTO>& listing);
    void updateSelectedPlaylistCount();

    QPointer<HelperClienting> m_client;
    QList<PlaylistDTO> m_playlists;
    QHash<QString, qsizetype> m_firstIndex; // id → index of its first playlist
    LoadState m_loadState;
    QSet<QString> m_selection;
    int m_selectedPlaylistCount = 0;
    ReadSequence m_reads;
    // The newest read begun for all sources, and for each single source.
    quint64 m_latestCompleteRead = 0;
    std::map<PlaylistSourceId, quint64> m_latestSourceRead;
    // For each source, the read whose playlists of that source are shown.
    std::map<PlaylistSourceId, quint64> m_shownRead;
    CoalescedNotifier m_changed;
};

} // namespace mivo
