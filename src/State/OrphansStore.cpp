#include "State/OrphansStore.h"

#include "State/StoreRequests.h"
#include "Transport/ReadWithFallback.h"
#include "Transport/ResultRecords.h"

#include <functional>

namespace mivo {

OrphansStore::OrphansStore(HelperClienting& client, QObject* parent)
    : QObject(parent)
    , m_client(&client)
{
}

void OrphansStore::setDismissed(bool dismissed)
{
    if (m_dismissed == dismissed)
        return;
    m_dismissed = dismissed;
    emit dismissedChanged();
    updateHasOrphans();
}

void OrphansStore::accumulate(const QList<QString>& paths)
{
    bool added = false;
    for (const QString& path : paths) {
        if (m_known.contains(path))
            continue;
        m_known.insert(path);
        m_paths.append(path);
        added = true;
    }
    if (!added)
        return;
    emit pathsChanged();
    updateHasOrphans();
}

QCoro::Task<void> OrphansStore::trash(QList<QString> paths)
{
    // A second press before the answer would ask for the same files again.
    if (m_isTrashing)
        co_return;
    const QPointer<OrphansStore> self(this);
    setTrashing(true);
    std::optional<QString> failure;
    try {
        QCoro::Task<void> sent = StoreRequests::requireClient(m_client).send(
            Request::trashOrphans(paths), StoreRequests::kTimeout);
        co_await std::move(sent);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (!self)
        co_return;
    self->setTrashing(false);
    if (failure) {
        self->recordFailure(*failure);
        co_return;
    }
    const QSet<QString> trashed(paths.begin(), paths.end());
    QList<QString> remaining;
    for (const QString& path : std::as_const(self->m_paths)) {
        if (!trashed.contains(path))
            remaining.append(path);
    }
    self->setPaths(std::move(remaining));
    self->setLastError(std::nullopt);
}

QCoro::Task<void> OrphansStore::listOrphans(QList<PlaylistSelection> selection)
{
    const QPointer<OrphansStore> self(this);
    const ReadSequence::Ticket ticket = m_reads.begin();
    std::optional<QList<QString>> listed;
    QString failure;
    try {
        // A newer listing makes this one's fallback request pointless.
        const std::function<bool()> stillWanted
            = [self, ticket] { return self && self->m_reads.isCurrent(ticket); };
        QCoro::Task<QList<QString>> read = readWithFallback(StoreRequests::requireClient(m_client),
            Request::listOrphans(selection), &OrphansResult::paths, stillWanted);
        listed = co_await std::move(read);
    } catch (const std::exception& error) {
        failure = StoreRequests::errorText(error);
    }
    if (!self || !self->m_reads.isCurrent(ticket))
        co_return;
    if (!listed) {
        self->recordFailure(failure);
        co_return;
    }
    // The list never holds a path twice, whatever the helper sends.
    QList<QString> unique;
    QSet<QString> seen;
    for (const QString& path : std::as_const(*listed)) {
        if (!seen.contains(path)) {
            seen.insert(path);
            unique.append(path);
        }
    }
    self->setPaths(std::move(unique));
    self->setDismissed(false);
    if (self->m_reads.mayClearError(ticket))
        self->setLastError(std::nullopt);
}

void OrphansStore::reset()
{
    setPaths({});
    setDismissed(false);
}

void OrphansStore::setPaths(QList<QString> paths)
{
    if (m_paths == paths)
        return;
    m_paths = std::move(paths);
    m_known = QSet<QString>(m_paths.begin(), m_paths.end());
    emit pathsChanged();
    updateHasOrphans();
}

void OrphansStore::setLastError(std::optional<QString> text)
{
    if (m_lastError == text)
        return;
    m_lastError = std::move(text);
    emit lastErrorChanged();
}

void OrphansStore::recordFailure(const QString& text)
{
    m_reads.recordFailure();
    setLastError(text);
}

void OrphansStore::setTrashing(bool trashing)
{
    if (m_isTrashing == trashing)
        return;
    m_isTrashing = trashing;
    emit isTrashingChanged();
}

void OrphansStore::updateHasOrphans()
{
    const bool now = hasOrphans();
    if (m_hasOrphans == now)
        return;
    m_hasOrphans = now;
    emit hasOrphansChanged();
}

} // namespace mivo
