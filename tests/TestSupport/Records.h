#pragma once

#include "Transport/HelperEvent.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/ServerEvent.h"

#include <QSet>
#include <QStringList>
#include <optional>

// Small builders for the records tests feed into stores and views.
namespace mivo::test {

inline PlaylistDTO playlist(const QString& id, PlaylistSourceId source, const QString& name,
    bool isFolder = false, std::optional<QString> parentId = std::nullopt,
    std::optional<qint64> trackCount = std::nullopt)
{
    return { id, source, name, isFolder, std::move(parentId), trackCount, ArtworkRef::none() };
}

// A helper event as it arrives from the helper's event stream.
inline HelperEvent server(ServerEvent::Value value)
{
    return HelperEvent::server(ServerEvent { std::move(value) });
}

inline QSet<QString> idSet(const QStringList& ids)
{
    return { ids.cbegin(), ids.cend() };
}

// Apple: Sets/{Warm Up, Peak, Old/{Jazz Night}}, Jazz Standards, Empty/;
// Spotify: Rock Mix, Gym/{Tempo}.
inline QList<PlaylistDTO> folderLibrary()
{
    using enum PlaylistSourceId;
    return {
        playlist("sets", apple, "Sets", true),
        playlist("warm", apple, "Warm Up", false, "sets"),
        playlist("peak", apple, "Peak", false, "sets"),
        playlist("old", apple, "Old", true, "sets"),
        playlist("jazznight", apple, "Jazz Night", false, "old"),
        playlist("jazz", apple, "Jazz Standards"),
        playlist("empty", apple, "Empty", true),
        playlist("rock", spotify, "Rock Mix"),
        playlist("gym", spotify, "Gym", true),
        playlist("tempo", spotify, "Tempo", false, "gym"),
    };
}

// A candidate of 3:01, titled after its id.
inline CandidateDTO candidate(const QString& id, std::optional<double> confidence)
{
    CandidateDTO c;
    c.id = id;
    c.title = QStringLiteral("Candidate ") + id;
    c.channel = QStringLiteral("Channel");
    c.durationSec = 181;
    c.confidence = confidence;
    return c;
}

} // namespace mivo::test
