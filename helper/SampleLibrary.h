#pragma once

#include "LineWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mivo::standin {

// What a simulated sync does with one track. The preview's on-disk flag agrees with it.
enum class TrackFate {
    present, // already on disk and fine
    upgrade, // on disk as a lossy file; a lossless copy replaces it
    broken, // on disk but unreadable; downloaded again
    verified, // downloaded and verified against the identity services
    downloaded, // downloaded without verification
    review, // no confident match: waits for the user's decision
    lowConfidence, // downloaded, but the best match scored low
    failed, // no match on any source
    skipped, // in cool-off after an earlier failure
};

struct PlaylistInfo {
    std::string id;
    std::string source; // "apple" or "spotify"
    std::string name;
    bool isFolder = false;
    std::optional<std::string> parentId;
    std::int64_t trackCount = 0;
    Json artwork;
    std::uint64_t seed = 0;
};

struct TrackInfo {
    std::int64_t row = 0;
    std::string id;
    std::string title;
    std::string artist;
    std::optional<std::string> album;
    double durationSec = 0;
    Json artwork;
    TrackFate fate = TrackFate::present;
    std::uint64_t hash = 0;

    // "Artist — Title", the label of trackStarted and needsReview.
    std::string label() const;
    // The file on disk before the sync (present, upgrade and broken fates).
    bool onDisk() const;
    // Facts of the file on disk before the sync (present and upgrade fates).
    std::optional<Json> diskMeta() const;
};

// The playlists the helper serves: the built-in sample library of both sources with
// nested folders, or a generated one of N playlists with M tracks each. Tracks are made
// on demand from the playlist's seed and the row, so a large library costs nothing until
// it is asked for. Immutable after construction, so any thread may read it.
class SampleLibrary {
public:
    static SampleLibrary sample();
    static SampleLibrary generated(long playlists, long tracksEach);

    const std::vector<PlaylistInfo>& playlists() const { return m_playlists; }
    const PlaylistInfo* find(std::string_view id) const;

    TrackInfo track(const PlaylistInfo& playlist, std::int64_t row) const;

    // Files in the output folder that belong to no track of the playlist any more.
    std::vector<std::string> orphanPaths(const PlaylistInfo& playlist, const std::string& outputDir) const;

    static Json playlistJson(const PlaylistInfo& playlist);
    static Json trackJson(const TrackInfo& track);
    static Json previewTrackJson(const TrackInfo& track);

private:
    void add(PlaylistInfo playlist);

    std::vector<PlaylistInfo> m_playlists;
    std::unordered_map<std::string, size_t> m_index;
};

// The rule of track ids: the playlist id, "#", the row in decimal.
std::string trackId(const std::string& playlistId, std::int64_t row);

// A stable 64-bit mix of two values.
std::uint64_t mix(std::uint64_t a, std::uint64_t b);

} // namespace mivo::standin
