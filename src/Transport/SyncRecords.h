#pragma once

#include "Transport/WireRecord.h"
#include "Transport/WireVocabulary.h"

#include <QString>
#include <QtGlobal>
#include <optional>
#include <variant>

// The small value records of a sync run.
namespace mivo {

// One playlist to sync or to scan for leftover files.
struct PlaylistSelection {
    PlaylistSourceId source = PlaylistSourceId::apple;
    QString id {};
    std::optional<QString> name {};

    bool operator==(const PlaylistSelection&) const = default;
};

// Run options of a sync; only the options that are set are written.
struct SyncOptions {
    std::optional<bool> dryRun {};
    std::optional<bool> review {};
    std::optional<qint64> concurrency {};
    std::optional<bool> cleanup {};
    std::optional<bool> upgrade {};
    std::optional<QualityFloor> qualityFloor {};

    bool operator==(const SyncOptions&) const = default;
};

// The end-of-run counts.
struct SyncSummary {
    qint64 present = 0;
    qint64 ok = 0;
    qint64 flagged = 0;
    qint64 failed = 0;
    qint64 skipped = 0;
    qint64 upgraded = 0;
    qint64 removed = 0;

    bool operator==(const SyncSummary&) const = default;
};

// The user's answer to a track waiting for review. Written as an object whose
// "kind" names the case, followed by the case's payload key.
struct ReviewDecision {
    // Use this direct address. (The first case has no member initialisers, so
    // that the variant below can default-construct it.)
    struct Url {
        QString url;
        bool operator==(const Url&) const = default;
    };
    // Use the candidate with this id.
    struct Candidate {
        QString candidateId {};
        bool operator==(const Candidate&) const = default;
    };
    // Use the helper's best match.
    struct Accept {
        bool operator==(const Accept&) const = default;
    };
    // Skip the track.
    struct Skip {
        bool operator==(const Skip&) const = default;
    };

    std::variant<Url, Candidate, Accept, Skip> value;

    static ReviewDecision url(const QString& url) { return { Url { url } }; }
    static ReviewDecision candidate(const QString& candidateId) { return { Candidate { candidateId } }; }
    static ReviewDecision accept() { return { Accept {} }; }
    static ReviewDecision skip() { return { Skip {} }; }

    bool operator==(const ReviewDecision&) const = default;
};

// A notice for the main window's top banner (never on the wire).
struct SyncBanner {
    enum class Kind { info, warning, error };

    Kind kind = Kind::info;
    QString message {};
    std::optional<QString> code {}; // an engine or event error code, such as "spotify_auth_expired"

    // Whether the banner asks the user to act (an expired Spotify sign-in, with its
    // Reconnect), rather than only reporting something that happened.
    bool asksToAct() const;

    bool operator==(const SyncBanner&) const = default;
};

namespace WireProtocol {
// The id of a playlist's track: the playlist id, "#", and the row in decimal.
QString trackId(const QString& playlistId, qint64 row);
} // namespace WireProtocol

MIVO_WIRE_RECORD(PlaylistSelection);
MIVO_WIRE_RECORD(SyncOptions);
MIVO_WIRE_RECORD(SyncSummary);
MIVO_WIRE_RECORD(ReviewDecision);

} // namespace mivo
