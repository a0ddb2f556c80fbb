#pragma once

#include "State/StatusRole.h"
#include "State/TrackState.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/WireVocabulary.h"

#include <QObject>
#include <QString>
#include <optional>

namespace mivo {

class PlaylistGroup;

// One observable track row of a preview or a sync run. Rows are shared
// (std::shared_ptr, no QObject parent): a view that holds one sees every later
// change and never dangles when its group is replaced.
class TrackModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString id READ id CONSTANT)
    Q_PROPERTY(mivo::TrackDTO dto READ dto CONSTANT)
    Q_PROPERTY(mivo::TrackState state READ state WRITE setState NOTIFY stateChanged)
    Q_PROPERTY(double downloadFraction READ downloadFraction WRITE setDownloadFraction NOTIFY
            downloadFractionChanged)
    Q_PROPERTY(std::optional<QString> progressDetail READ progressDetail WRITE setProgressDetail NOTIFY
            progressDetailChanged)
    Q_PROPERTY(std::optional<mivo::DiskCheckResult> diskResult READ diskResult WRITE setDiskResult NOTIFY
            diskResultChanged)
    Q_PROPERTY(bool isFinished READ isFinished NOTIFY stateChanged)
    Q_PROPERTY(std::optional<double> progressFraction READ progressFraction NOTIFY changed)
    Q_PROPERTY(mivo::StatusRole statusRole READ statusRole NOTIFY stateChanged)
    Q_PROPERTY(std::optional<mivo::TrackMeta> displayMeta READ displayMeta NOTIFY stateChanged)

public:
    // A queued row of a playlist being synchronised.
    explicit TrackModel(TrackDTO dto);
    // A preview row: present (with the preview's meta) when its file is on disk, queued otherwise.
    explicit TrackModel(const PreviewTrackDTO& preview);
    // A queued row without album or artwork.
    TrackModel(const QString& id, const QString& title, const QString& artist, double durationSec);

    QString id() const { return m_dto.id; }
    const TrackDTO& dto() const { return m_dto; }

    const TrackState& state() const { return m_state; }
    void setState(TrackState state);

    // 0...1, written by download progress.
    double downloadFraction() const { return m_downloadFraction; }
    void setDownloadFraction(double fraction);

    const std::optional<QString>& progressDetail() const { return m_progressDetail; }
    void setProgressDetail(std::optional<QString> detail);

    std::optional<DiskCheckResult> diskResult() const { return m_diskResult; }
    void setDiskResult(std::optional<DiskCheckResult> result);

    bool isFinished() const { return m_state.isFinished(); }
    // present and done: 1; downloading: the download fraction; queued: 0; otherwise nothing.
    std::optional<double> progressFraction() const;
    StatusRole statusRole() const { return m_state.statusRole(); }
    std::optional<TrackMeta> displayMeta() const { return m_state.displayMeta(); }

signals:
    void stateChanged();
    void downloadFractionChanged();
    void progressDetailChanged();
    void diskResultChanged();
    // The state was replaced; emitted before stateChanged so that counts kept from it
    // are current when observers of stateChanged read them.
    void stateReplaced(const mivo::TrackState& previous, const mivo::TrackState& current);
    // Anything shown by the row changed (once per changed field).
    void changed();

private:
    friend class PlaylistGroup;
    // Tells the group that holds the row (if any) that something it shows changed.
    void touched();

    TrackDTO m_dto;
    TrackState m_state;
    double m_downloadFraction = 0;
    std::optional<QString> m_progressDetail;
    std::optional<DiskCheckResult> m_diskResult;
    // The group that holds the row and the row's position in it, set by the group.
    // A group tells its rows directly instead of keeping one connection per row.
    PlaylistGroup* m_group = nullptr;
    qsizetype m_row = -1;
};

} // namespace mivo
