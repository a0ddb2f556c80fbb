#pragma once

#include "Transport/JSONValue.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/SyncRecords.h"
#include "Transport/WireRecord.h"
#include "Transport/WireVocabulary.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <variant>

namespace mivo {

// An event that the helper pushes without being asked: {"event", "correlationId",
// "data"}. Each known kind carries its data's fields; the run events carry the
// correlation id as a string (empty when the helper sent none), "log" and "error"
// keep it optional, and the tool and proxy events drop it.
struct ServerEvent {
    // The helper's best match for a track waiting for review.
    struct ReviewBest {
        double confidence = 0;
        QString title {};
        QString url {};
        bool operator==(const ReviewBest&) const = default;
    };

    // The first case has no member initialisers: std::variant decides whether it
    // can default-construct while this struct is still being defined, and member
    // initialisers of a nested struct are not usable before then.
    struct SyncStarted {
        QString correlationId;
        QString runId;
        qint64 totalPlaylists;
        bool operator==(const SyncStarted&) const = default;
    };
    struct PlaylistStarted {
        QString correlationId {};
        QString playlistId {};
        qint64 index = 0;
        QString name {};
        QList<TrackDTO> tracks {};
        bool operator==(const PlaylistStarted&) const = default;
    };
    struct TrackStarted {
        QString correlationId {};
        QString trackId {};
        qint64 index = 0;
        QString label {};
        bool operator==(const TrackStarted&) const = default;
    };
    struct DiskCheck {
        QString correlationId {};
        QString trackId {};
        DiskCheckResult result = DiskCheckResult::missing;
        std::optional<TrackMeta> meta {};
        bool operator==(const DiskCheck&) const = default;
    };
    struct Step {
        QString correlationId {};
        QString trackId {};
        mivo::Phase phase = mivo::Phase::searching;
        std::optional<QString> detail {};
        bool operator==(const Step&) const = default;
    };
    struct DownloadProgress {
        QString correlationId {};
        QString trackId {};
        double percent = 0; // 0 to 100
        std::optional<QString> sizeText {};
        std::optional<QString> speedText {};
        bool operator==(const DownloadProgress&) const = default;
    };
    struct NeedsReview {
        QString correlationId {};
        QString trackId {};
        QString label {};
        std::optional<ReviewBest> best {};
        QList<CandidateDTO> candidates {};
        bool operator==(const NeedsReview&) const = default;
    };
    struct TrackFinished {
        QString correlationId {};
        QString trackId {};
        Finish status = Finish::ok;
        std::optional<QString> detail {};
        std::optional<TrackFinishKind> kind {};
        std::optional<TrackMeta> meta {};
        bool operator==(const TrackFinished&) const = default;
    };
    struct PlaylistFinished {
        QString correlationId {};
        QString playlistId {};
        Finish status = Finish::ok;
        bool operator==(const PlaylistFinished&) const = default;
    };
    struct OrphansFound {
        QString correlationId {};
        std::optional<QString> playlistId {};
        QList<QString> paths {};
        bool operator==(const OrphansFound&) const = default;
    };
    struct Log {
        std::optional<QString> correlationId {};
        LogLevel level = LogLevel::info;
        QString message {};
        bool operator==(const Log&) const = default;
    };
    struct SyncDone {
        QString correlationId {};
        QString runId {};
        SyncSummary summary {};
        bool operator==(const SyncDone&) const = default;
    };
    struct ToolProgress {
        QString tool {};
        ToolPhase phase = ToolPhase::download;
        std::optional<double> percent {}; // 0 to 100
        std::optional<QString> detail {};
        bool operator==(const ToolProgress&) const = default;
    };
    struct ProxyStatus {
        ProxyStatusValue status = ProxyStatusValue::off;
        std::optional<QString> detail {};
        bool operator==(const ProxyStatus&) const = default;
    };
    struct Error {
        std::optional<QString> correlationId {};
        std::optional<QString> scope {};
        std::optional<QString> code {};
        QString message {};
        bool operator==(const Error&) const = default;
    };
    // Any other event name, with its whole data (null when absent).
    struct Unknown {
        QString type {};
        JSONValue raw {};
        bool operator==(const Unknown&) const = default;
    };

    using Value = std::variant<SyncStarted, PlaylistStarted, TrackStarted, DiskCheck, Step, DownloadProgress,
        NeedsReview, TrackFinished, PlaylistFinished, OrphansFound, Log, SyncDone, ToolProgress, ProxyStatus,
        Error, Unknown>;

    Value value;

    // Throws DecodeError when the line is not an event: not a JSON object, no
    // string "event", a "correlationId" that is not a string, or a known kind
    // whose data is missing or malformed. Unknown kinds never fail on their data.
    static ServerEvent decode(QByteArrayView line);
    // The same, for a line already parsed (see parseJsonLine).
    static ServerEvent fromJson(const nlohmann::json& json);
    // The event as one line (no line feed) that decodes to an equal event.
    // Throws EncodeError for a value JSON cannot carry.
    QByteArray encodedLine() const;

    bool operator==(const ServerEvent&) const = default;
};

MIVO_WIRE_RECORD(ServerEvent::ReviewBest);

} // namespace mivo
