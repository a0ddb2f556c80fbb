#pragma once

#include "State/ReadSequence.h"
#include "Transport/SyncRecords.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <optional>

namespace mivo {

class HelperClienting;

// Leftover audio files in the output folder that no longer belong to any
// synced playlist, as the helper reports them during syncs. The main window's
// orphans banner shows them while `hasOrphans`; the user keeps them (which
// sets `dismissed` and hides the banner) or has the helper move them to the
// trash.
class OrphansStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<QString> paths READ paths NOTIFY pathsChanged)
    Q_PROPERTY(bool dismissed READ dismissed WRITE setDismissed NOTIFY dismissedChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool hasOrphans READ hasOrphans NOTIFY hasOrphansChanged)
    Q_PROPERTY(bool isTrashing READ isTrashing NOTIFY isTrashingChanged)

public:
    // A client that is gone counts as an unavailable helper.
    explicit OrphansStore(HelperClienting& client, QObject* parent = nullptr);

    // The orphan paths without duplicates, in order of first arrival.
    const QList<QString>& paths() const { return m_paths; }
    // The user chose to keep the orphans; hides the banner, also for orphans
    // that arrive afterwards.
    bool dismissed() const { return m_dismissed; }
    void setDismissed(bool dismissed);
    // The text of the last failed helper request, until one succeeds.
    const std::optional<QString>& lastError() const { return m_lastError; }
    // There are paths and the user has not dismissed them.
    bool hasOrphans() const { return !m_paths.isEmpty() && !m_dismissed; }

    // A trash request is out and has not been answered yet.
    bool isTrashing() const { return m_isTrashing; }

    // Appends each path that is not listed yet, in order.
    void accumulate(const QList<QString>& paths);
    // Has the helper move the files to the trash. On success exactly those
    // paths leave the list (paths added meanwhile stay); on failure the list
    // is kept and the error's text is kept in `lastError`. While a trash request
    // is out, another one sends nothing and changes nothing. Never throws.
    QCoro::Task<void> trash(QList<QString> paths);
    // Replaces the list with the helper's orphans of the given playlists and
    // shows the banner again. On failure the list is kept and the error's
    // text is kept in `lastError`. A listing started later supersedes this
    // one's answer. Never throws.
    QCoro::Task<void> listOrphans(QList<PlaylistSelection> selection);
    // Empties the list and shows the banner again for new orphans.
    void reset();

signals:
    void pathsChanged();
    void dismissedChanged();
    void lastErrorChanged();
    void hasOrphansChanged();
    void isTrashingChanged();

private:
    void setPaths(QList<QString> paths);
    void setLastError(std::optional<QString> text);
    void recordFailure(const QString& text);
    void setTrashing(bool trashing);
    // Emits hasOrphansChanged when the derived value moved.
    void updateHasOrphans();

    QPointer<HelperClienting> m_client;
    QList<QString> m_paths;
    QSet<QString> m_known;
    bool m_dismissed = false;
    std::optional<QString> m_lastError;
    bool m_hasOrphans = false;
    bool m_isTrashing = false;
    ReadSequence m_reads;
};

} // namespace mivo
