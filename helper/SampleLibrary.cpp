#include "SampleLibrary.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace mivo::standin {

namespace {

constexpr std::array kAdjectives { "Midnight", "Velvet", "Neon", "Hollow", "Golden", "Electric", "Silent",
    "Broken", "Lunar", "Crystal", "Restless", "Amber", "Distant", "Paper", "Solar", "Low", "Fading", "Wild" };
constexpr std::array kNouns { "Signal", "Horizon", "Pulse", "Garden", "Machine", "Mirage", "Tide", "Echo",
    "Circuit", "Voyage", "Harbour", "Orbit", "Lanterns", "Drift", "Cathedral", "Motion", "Rain",
    "Frequency" };
constexpr std::array kArtists { "Nova Kestrel", "Mëlis Varga", "DJ Ørbit", "Kai Lindqvist", "Sól & Máni",
    "The Quiet Engines", "Ayo Bankolé", "Léa Fontaine", "Hiro Tanabe", "Paz Ortega", "MÖBIUS KOLLEKTIV",
    "Ilse Brandt", "Tomasz Wróbel", "Círculo Sur", "Yuki & The Static" };
constexpr std::array kVersions { "", "", "", " (Extended Mix)", " (Dub)", " (Original Mix)", " (Edit)" };

struct SampleEntry {
    const char* id;
    const char* name;
    const char* parent; // nullptr: top level
    int trackCount; // -1: folder
    char artwork; // u url, a appleMusic, m mosaic, n none
};

// The built-in library: both sources, folders nested two deep, an empty playlist and a long one.
constexpr std::array kApple {
    SampleEntry { "apple:pl-dj-sets", "DJ Sets", nullptr, -1, 'n' },
    SampleEntry { "apple:pl-warm-up", "Warm-Up", "apple:pl-dj-sets", -1, 'm' },
    SampleEntry { "apple:pl-opening-hour", "Opening Hour", "apple:pl-warm-up", 24, 'a' },
    SampleEntry { "apple:pl-sunset-deep", "Sunset Deep", "apple:pl-warm-up", 18, 'm' },
    SampleEntry { "apple:pl-peak-time", "Peak Time", "apple:pl-dj-sets", -1, 'n' },
    SampleEntry { "apple:pl-techno-weapons", "Techno Weapons", "apple:pl-peak-time", 32, 'a' },
    SampleEntry { "apple:pl-acid-tools", "Acid Tools", "apple:pl-peak-time", 14, 'a' },
    SampleEntry { "apple:pl-classics", "Classics", "apple:pl-peak-time", -1, 'n' },
    SampleEntry { "apple:pl-rave-92", "Rave '92", "apple:pl-classics", 20, 'm' },
    SampleEntry { "apple:pl-detroit-roots", "Detroit Roots", "apple:pl-classics", 16, 'a' },
    SampleEntry { "apple:pl-closing-tracks", "Closing Tracks", "apple:pl-dj-sets", 12, 'n' },
    SampleEntry { "apple:pl-radio", "Radio", nullptr, -1, 'n' },
    SampleEntry { "apple:pl-weekly-41", "Weekly Show #41", "apple:pl-radio", 22, 'a' },
    SampleEntry { "apple:pl-weekly-42", "Weekly Show #42", "apple:pl-radio", 21, 'a' },
    SampleEntry { "apple:pl-guest-mix", "Guest Mix — Åsa Lind", "apple:pl-radio", 15, 'm' },
    SampleEntry { "apple:pl-crate-digging", "Crate Digging", nullptr, 250, 'm' },
    SampleEntry { "apple:pl-edits-bootlegs", "Edits & Bootlegs", nullptr, 27, 'a' },
    SampleEntry { "apple:pl-vinyl-rips", "Vinyl Rips", nullptr, 9, 'n' },
    SampleEntry { "apple:pl-ambient-pads", "Ambient Pads", nullptr, 11, 'a' },
    SampleEntry { "apple:pl-recently-added", "Recently Added", nullptr, 40, 'm' },
};
constexpr std::array kSpotify {
    SampleEntry { "spotify:pl-gigs", "Gigs", nullptr, -1, 'n' },
    SampleEntry { "spotify:pl-warehouse", "Warehouse 03/14", "spotify:pl-gigs", 28, 'u' },
    SampleEntry { "spotify:pl-rooftop-sundays", "Rooftop Sundays", "spotify:pl-gigs", 19, 'u' },
    SampleEntry { "spotify:pl-festivals", "Festivals", "spotify:pl-gigs", -1, 'n' },
    SampleEntry { "spotify:pl-field-day", "Field Day Set", "spotify:pl-festivals", 26, 'u' },
    SampleEntry { "spotify:pl-basement-prep", "Basement Prep", "spotify:pl-festivals", 17, 'n' },
    SampleEntry { "spotify:pl-discover-weekly", "Discover Weekly", nullptr, 30, 'u' },
    SampleEntry { "spotify:pl-release-radar", "Release Radar", nullptr, 30, 'u' },
    SampleEntry { "spotify:pl-late-night-drive", "Late Night Drive", nullptr, 12, 'u' },
    SampleEntry { "spotify:pl-afro-house", "Afro House Heat", nullptr, 23, 'u' },
    SampleEntry { "spotify:pl-minimal-moods", "Minimal Moods", nullptr, 13, 'n' },
    SampleEntry { "spotify:pl-breaks-beats", "Breaks & Beats", nullptr, 18, 'u' },
    SampleEntry { "spotify:pl-disco-edits", "Disco Edits", nullptr, 25, 'u' },
    SampleEntry { "spotify:pl-liked-songs", "Liked Songs", nullptr, 120, 'u' },
    SampleEntry { "spotify:pl-ideas", "Ideas", nullptr, 0, 'n' },
};

template <class Array> const char* pick(const Array& words, std::uint64_t h)
{
    return words[h % words.size()];
}

std::string persistentId(std::uint64_t h)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(h));
    return text;
}

std::string slugOf(const std::string& id)
{
    const size_t colon = id.find(':');
    return colon == std::string::npos ? id : id.substr(colon + 1);
}

Json artworkFor(char kind, const std::string& source, const std::string& id, std::uint64_t seed)
{
    Json art = Json::object();
    switch (kind) {
    case 'u':
        art["kind"] = "url";
        art["url"] = "https://artwork.mivo.invalid/" + source + "/" + slugOf(id) + ".jpg";
        break;
    case 'a':
        art["kind"] = "appleMusic";
        art["persistentID"] = persistentId(mix(seed, 1));
        break;
    case 'm': {
        art["kind"] = "mosaic";
        Json ids = Json::array();
        for (std::uint64_t i = 0; i < 4; ++i)
            ids.push_back(persistentId(mix(seed, 100 + i)));
        art["trackIds"] = std::move(ids);
        break;
    }
    default:
        art["kind"] = "none";
    }
    return art;
}

std::uint64_t seedOf(std::string_view id)
{
    std::uint64_t h = 1469598103934665603ULL; // FNV-1a
    for (const char c : id)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return h;
}

TrackFate fateOf(std::int64_t row, std::uint64_t h)
{
    // The first rows of every playlist show each outcome once; the rest follow a
    // plausible mix in which most tracks are already on disk.
    static constexpr std::array kFirstRows { TrackFate::present, TrackFate::review, TrackFate::verified,
        TrackFate::downloaded, TrackFate::lowConfidence, TrackFate::broken, TrackFate::failed,
        TrackFate::skipped, TrackFate::upgrade };
    if (row < static_cast<std::int64_t>(kFirstRows.size()))
        return kFirstRows[static_cast<size_t>(row)];
    const auto roll = h % 100;
    if (roll < 45)
        return TrackFate::present;
    if (roll < 70)
        return TrackFate::verified;
    if (roll < 80)
        return TrackFate::downloaded;
    if (roll < 88)
        return TrackFate::lowConfidence;
    if (roll < 94)
        return TrackFate::failed;
    if (roll < 97)
        return TrackFate::skipped;
    return TrackFate::upgrade;
}

std::string expandHome(const std::string& path)
{
    if (path == "~" || path.starts_with("~/")) {
        const char* home = std::getenv("HOME");
        if (home && *home)
            return std::string(home) + path.substr(1);
    }
    return path;
}

Json meta(const char* format, const char* bitrate, const char* source)
{
    Json m = Json::object();
    m["format"] = format;
    if (bitrate)
        m["bitrate"] = bitrate;
    if (source)
        m["source"] = source;
    return m;
}

} // namespace

std::uint64_t mix(std::uint64_t a, std::uint64_t b)
{
    // splitmix64 over the combination
    std::uint64_t z = a + 0x9E3779B97F4A7C15ULL * (b + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::string trackId(const std::string& playlistId, std::int64_t row)
{
    return playlistId + "#" + std::to_string(row);
}

std::string TrackInfo::label() const
{
    return artist + " — " + title;
}

bool TrackInfo::onDisk() const
{
    return fate == TrackFate::present || fate == TrackFate::upgrade || fate == TrackFate::broken;
}

std::optional<Json> TrackInfo::diskMeta() const
{
    if (fate == TrackFate::upgrade)
        return meta("MP3", "320", "youtube");
    if (fate != TrackFate::present)
        return std::nullopt;
    switch (hash % 5) {
    case 0:
        return meta("FLAC", "1411", "soulseek");
    case 1:
        return meta("AIFF", "1411", "bandcamp");
    case 2:
        return meta("MP3", "320", "soulseek");
    case 3:
        return meta("ALAC", nullptr, nullptr);
    default:
        return meta("M4A", "256", "soundcloud");
    }
}

SampleLibrary SampleLibrary::sample()
{
    SampleLibrary library;
    auto addAll = [&library](const auto& entries, const std::string& source) {
        for (const auto& entry : entries) {
            PlaylistInfo p;
            p.id = entry.id;
            p.source = source;
            p.name = entry.name;
            p.isFolder = entry.trackCount < 0;
            if (entry.parent)
                p.parentId = entry.parent;
            p.trackCount = p.isFolder ? 0 : entry.trackCount;
            p.seed = seedOf(p.id);
            p.artwork = artworkFor(entry.artwork, source, p.id, p.seed);
            library.add(std::move(p));
        }
    };
    addAll(kApple, "apple");
    addAll(kSpotify, "spotify");
    return library;
}

SampleLibrary SampleLibrary::generated(long playlists, long tracksEach)
{
    SampleLibrary library;
    library.m_playlists.reserve(static_cast<size_t>(playlists));
    for (long i = 0; i < playlists; ++i) {
        PlaylistInfo p;
        p.source = i % 2 == 0 ? "spotify" : "apple";
        p.id = p.source + ":pl-gen-" + std::to_string(i + 1);
        p.name = "Generated " + std::to_string(i + 1);
        p.trackCount = tracksEach;
        p.seed = seedOf(p.id);
        p.artwork = artworkFor(p.source == "spotify" ? 'u' : 'm', p.source, p.id, p.seed);
        library.add(std::move(p));
    }
    return library;
}

void SampleLibrary::add(PlaylistInfo playlist)
{
    m_index.emplace(playlist.id, m_playlists.size());
    m_playlists.push_back(std::move(playlist));
}

const PlaylistInfo* SampleLibrary::find(std::string_view id) const
{
    const auto it = m_index.find(std::string(id));
    return it == m_index.end() ? nullptr : &m_playlists[it->second];
}

TrackInfo SampleLibrary::track(const PlaylistInfo& playlist, std::int64_t row) const
{
    TrackInfo t;
    t.row = row;
    t.id = trackId(playlist.id, row);
    t.hash = mix(playlist.seed, static_cast<std::uint64_t>(row));
    const std::uint64_t h = t.hash;
    t.artist = pick(kArtists, h >> 8);
    t.title
        = std::string(pick(kAdjectives, h >> 16)) + " " + pick(kNouns, h >> 24) + pick(kVersions, h >> 32);
    if ((h >> 40) % 4 != 0)
        t.album = (h >> 44) % 2 == 0 ? std::string(pick(kNouns, h >> 48)) + " EP"
                                     : std::string(pick(kAdjectives, h >> 48)) + " Nights";
    t.durationSec
        = 150.0 + static_cast<double>((h >> 4) % 420) + static_cast<double>((h >> 12) % 100) / 100.0;
    if (row % 7 == 6)
        t.artwork = artworkFor('n', playlist.source, t.id, h);
    else if (playlist.source == "apple")
        t.artwork = artworkFor('a', playlist.source, t.id, h);
    else {
        t.artwork = Json::object();
        t.artwork["kind"] = "url";
        t.artwork["url"] = "https://artwork.mivo.invalid/track/" + persistentId(h) + ".jpg";
    }
    t.fate = fateOf(row, h);
    return t;
}

std::vector<std::string> SampleLibrary::orphanPaths(
    const PlaylistInfo& playlist, const std::string& outputDir) const
{
    std::vector<std::string> paths;
    if (playlist.isFolder || playlist.trackCount == 0)
        return paths;
    std::string folder = playlist.name;
    for (char& c : folder)
        if (c == '/')
            c = '-';
    const std::string base = expandHome(outputDir) + "/" + folder + "/";
    const std::uint64_t count = 11 + playlist.seed % 3;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t h = mix(playlist.seed, 10'000 + i);
        paths.push_back(base + pick(kArtists, h) + " - " + pick(kAdjectives, h >> 8) + " "
            + pick(kNouns, h >> 16) + " (Old Edit " + std::to_string(i + 1) + ")"
            + (h % 3 == 0 ? ".mp3" : ".aiff"));
    }
    return paths;
}

Json SampleLibrary::playlistJson(const PlaylistInfo& p)
{
    Json j = Json::object();
    j["id"] = p.id;
    j["source"] = p.source;
    j["name"] = p.name;
    j["isFolder"] = p.isFolder;
    if (p.parentId)
        j["parentId"] = *p.parentId;
    if (!p.isFolder)
        j["trackCount"] = p.trackCount;
    j["artwork"] = p.artwork;
    return j;
}

Json SampleLibrary::trackJson(const TrackInfo& t)
{
    Json j = Json::object();
    j["id"] = t.id;
    j["title"] = t.title;
    j["artist"] = t.artist;
    if (t.album)
        j["album"] = *t.album;
    j["durationSec"] = t.durationSec;
    j["artwork"] = t.artwork;
    return j;
}

Json SampleLibrary::previewTrackJson(const TrackInfo& t)
{
    Json j = trackJson(t);
    j["onDisk"] = t.onDisk() ? "present" : "missing";
    if (auto m = t.diskMeta())
        j["meta"] = *m;
    return j;
}

} // namespace mivo::standin
