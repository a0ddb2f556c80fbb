#pragma once

#include "State/TrackCounts.h"
#include "State/TrackModel.h"
#include "Transport/WireVocabulary.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace mivo {

// One observable playlist of a preview or a sync run with its track rows. Shared
// like its rows (std::shared_ptr, no QObject parent).
//
// The counts are kept up to date as rows change state, so reading them costs
// nothing however many rows the group has. The group also gathers which rows
// changed and announces them together once per event-loop turn (rowsChanged), so
// a view needs one connection per group rather than one per row.
//
// A row belongs to one group at a time: the last group built with it.
class PlaylistGroup : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString id READ id CONSTANT)
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(qint64 index READ index CONSTANT)
    Q_PROPERTY(QList<std::shared_ptr<mivo::TrackModel>> tracks READ tracks CONSTANT)
    Q_PROPERTY(std::optional<mivo::Finish> status READ status WRITE setStatus NOTIFY statusChanged)
    Q_PROPERTY(QList<QString> orphanPaths READ orphanPaths WRITE setOrphanPaths NOTIFY orphanPathsChanged)
    Q_PROPERTY(bool isCollapsed READ isCollapsed WRITE setCollapsed NOTIFY isCollapsedChanged)
    Q_PROPERTY(bool loadFailed READ loadFailed CONSTANT)
    Q_PROPERTY(qint64 total READ total CONSTANT)
    Q_PROPERTY(qint64 completed READ completed NOTIFY countsChanged)
    Q_PROPERTY(double fraction READ fraction NOTIFY countsChanged)
    Q_PROPERTY(qint64 activeCount READ activeCount NOTIFY countsChanged)
    Q_PROPERTY(qint64 reviewCount READ reviewCount NOTIFY countsChanged)
    Q_PROPERTY(qint64 failedCount READ failedCount NOTIFY countsChanged)

public:
    PlaylistGroup(QString id, QString name, qint64 index, QList<std::shared_ptr<TrackModel>> tracks);
    ~PlaylistGroup() override;

    QString id() const { return m_id; }
    QString name() const { return m_name; }
    // Position of the playlist in the run (event index) or in the preview.
    qint64 index() const { return m_index; }
    // Rows in playlist order.
    const QList<std::shared_ptr<TrackModel>>& tracks() const { return m_tracks; }

    std::optional<Finish> status() const { return m_status; }
    void setStatus(std::optional<Finish> status);

    const QList<QString>& orphanPaths() const { return m_orphanPaths; }
    void setOrphanPaths(QList<QString> paths);

    bool isCollapsed() const { return m_isCollapsed; }
    void setCollapsed(bool collapsed);

    // A preview group whose playlist's tracks could not be fetched: it keeps the
    // playlist's place without rows, and says so instead of looking empty. Set
    // before the group is handed out.
    bool loadFailed() const { return m_loadFailed; }
    void setLoadFailed(bool failed) { m_loadFailed = failed; }

    qint64 total() const { return m_counts.total; }
    qint64 completed() const { return m_counts.completed; }
    double fraction() const { return m_counts.fraction(); }
    qint64 activeCount() const { return m_counts.active; }
    qint64 reviewCount() const { return m_counts.review; }
    qint64 failedCount() const { return m_counts.failed; }
    const TrackCounts& counts() const { return m_counts; }

signals:
    void statusChanged();
    void orphanPathsChanged();
    void isCollapsedChanged();
    // A row changed state in a way that changed a count; emitted synchronously.
    void countsChanged();
    // These rows (positions in `tracks`, ascending, each once) changed something they
    // show since the last emission. Emitted at most once per event-loop turn.
    void rowsChanged(const QList<qsizetype>& rows);

private:
    friend class TrackModel;
    void rowStateReplaced(const TrackState& previous, const TrackState& current);
    void rowTouched(qsizetype row);
    void flushChangedRows();

    QString m_id;
    QString m_name;
    qint64 m_index;
    QList<std::shared_ptr<TrackModel>> m_tracks;
    std::optional<Finish> m_status;
    QList<QString> m_orphanPaths;
    bool m_isCollapsed = false;
    bool m_loadFailed = false;
    TrackCounts m_counts;
    // Rows changed since the last rowsChanged, and a flag per row so each is listed once.
    QList<qsizetype> m_changedRows;
    std::vector<bool> m_rowChangePending;
};

} // namespace mivo
