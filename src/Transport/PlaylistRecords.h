#pragma once

#include "Transport/WireRecord.h"
#include "Transport/WireVocabulary.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QtGlobal>
#include <optional>
#include <variant>

// The records in which the helper describes playlists, tracks, preview rows,
// review candidates, audio-file facts and artwork.
namespace mivo {

// Where a picture for a playlist or track comes from. Written as an object whose
// "kind" names the case, followed by the case's payload key.
struct ArtworkRef {
    // A picture at a web address. (The first case has no member initialisers, so
    // that the variant below can default-construct it.)
    struct Url {
        QUrl url;
        bool operator==(const Url&) const = default;
    };
    // The artwork of one local library item, by its persistent ID.
    struct AppleMusic {
        QString persistentID {};
        bool operator==(const AppleMusic&) const = default;
    };
    // A composite of the artworks of several local library items.
    struct Mosaic {
        QList<QString> trackIds {};
        bool operator==(const Mosaic&) const = default;
    };
    // No picture.
    struct None {
        bool operator==(const None&) const = default;
    };

    std::variant<Url, AppleMusic, Mosaic, None> value = None {};

    static ArtworkRef none() { return { None {} }; }
    static ArtworkRef url(const QUrl& url) { return { Url { url } }; }
    static ArtworkRef appleMusic(const QString& persistentID) { return { AppleMusic { persistentID } }; }
    static ArtworkRef mosaic(const QList<QString>& trackIds) { return { Mosaic { trackIds } }; }

    bool operator==(const ArtworkRef&) const = default;
};

// One playlist (or folder of playlists) of a source's library.
struct PlaylistDTO {
    QString id {};
    PlaylistSourceId source = PlaylistSourceId::apple;
    QString name {};
    bool isFolder = false; // a folder that only groups other playlists
    std::optional<QString> parentId {}; // id of the folder that holds it
    std::optional<qint64> trackCount {};
    ArtworkRef artwork {};

    bool operator==(const PlaylistDTO&) const = default;
};

// A track of a playlist being synchronised.
struct TrackDTO {
    QString id {};
    QString title {};
    QString artist {};
    std::optional<QString> album {};
    double durationSec = 0;
    ArtworkRef artwork {};

    bool operator==(const TrackDTO&) const = default;
};

// Facts about an audio file, all free text as the helper sent them.
struct TrackMeta {
    std::optional<QString> format {};
    std::optional<QString> bitrate {};
    std::optional<QString> source {}; // a download source's raw name where it names one

    bool operator==(const TrackMeta&) const = default;
};

// A track row of a playlist preview.
struct PreviewTrackDTO {
    using OnDisk = mivo::OnDisk;

    QString id {};
    QString title {};
    QString artist {};
    std::optional<QString> album {};
    double durationSec = 0;
    ArtworkRef artwork {};
    OnDisk onDisk = OnDisk::missing;
    std::optional<TrackMeta> meta {}; // facts of the file already on disk

    // The row as a track (its first six fields).
    TrackDTO track() const { return { id, title, artist, album, durationSec, artwork }; }

    bool operator==(const PreviewTrackDTO&) const = default;
};

// One search result offered for review.
struct CandidateDTO {
    QString id {};
    QString title {};
    QString channel {}; // uploader or channel name
    double durationSec = 0;
    std::optional<QString> source {}; // the download source it was found on
    std::optional<QString> format {};
    std::optional<qint64> bitrateKbps {};
    std::optional<double> confidence {}; // match score from 0 to 1
    std::optional<QString> reason {};
    std::optional<QString> url {};

    bool operator==(const CandidateDTO&) const = default;
};

MIVO_WIRE_RECORD(ArtworkRef);
MIVO_WIRE_RECORD(PlaylistDTO);
MIVO_WIRE_RECORD(TrackDTO);
MIVO_WIRE_RECORD(TrackMeta);
MIVO_WIRE_RECORD(PreviewTrackDTO);
MIVO_WIRE_RECORD(CandidateDTO);

} // namespace mivo
