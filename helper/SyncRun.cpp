#include "SyncRun.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace mivo::standin {

namespace {

std::string quoted(const std::string& text)
{
    return "‘" + text + "’";
}

std::string formatNumber(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

Json meta(const std::string& format, const std::string& bitrate, const std::string& source)
{
    Json m = Json::object();
    m["format"] = format;
    if (!bitrate.empty())
        m["bitrate"] = bitrate;
    if (!source.empty())
        m["source"] = source;
    return m;
}

bool lossless(const std::string& source)
{
    return source == "soulseek" || source == "bandcamp";
}

// What a source delivers: format and bitrate text.
std::pair<std::string, std::string> deliveredBy(const std::string& source)
{
    if (lossless(source))
        return { "FLAC", "1411" };
    if (source == "soundcloud")
        return { "M4A", "256" };
    return { "OPUS", "160" };
}

std::string sourceOfUrl(const std::string& url)
{
    for (const char* source : { "soulseek", "bandcamp", "soundcloud", "youtube" })
        if (url.find(source) != std::string::npos)
            return source;
    if (url.starts_with("slsk:"))
        return "soulseek";
    return "youtube";
}

} // namespace

SyncRun::SyncRun(LineWriter& out, const SampleLibrary& library, Plan plan, std::chrono::microseconds interval)
    : m_out(out)
    , m_library(library)
    , m_plan(std::move(plan))
    , m_interval(interval)
{
}

SyncRun::~SyncRun()
{
    cancelAndWait();
}

void SyncRun::start()
{
    m_thread = std::thread([this] { run(); });
}

void SyncRun::cancelAndWait()
{
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool SyncRun::decide(const std::string& trackId, const Decision& decision)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled || m_awaiting != trackId || m_decision)
            return false;
        m_decision = decision;
    }
    m_wake.notify_all();
    return true;
}

void SyncRun::run()
{
    try {
        const Json& config = m_plan.config;
        {
            Json data = Json::object();
            data["runId"] = m_plan.runId;
            data["totalPlaylists"] = static_cast<std::int64_t>(m_plan.playlists.size());
            emit("syncStarted", std::move(data));
        }
        std::string sources;
        for (const auto& s : config.value("sources", Json::array()))
            sources += (sources.empty() ? "" : ", ") + s.get<std::string>();
        log("debug",
            "Run " + m_plan.runId + ": sources " + (sources.empty() ? "none" : sources) + ", concurrency "
                + std::to_string(config.value("run", Json::object()).value("concurrency", 1)));
        log("info", "Sync started: " + std::to_string(m_plan.playlists.size()) + " playlist(s)");

        Json tool = Json::object();
        tool["tool"] = "yt-dlp";
        tool["phase"] = "verify";
        tool["detail"] = "Checking for updates";
        emitUncorrelated("toolProgress", tool);
        tool["phase"] = "done";
        tool["percent"] = 100.0;
        tool["detail"] = "Up to date";
        emitUncorrelated("toolProgress", tool);

        Json proxy = Json::object();
        proxy["status"] = "connecting";
        emitUncorrelated("proxyStatus", proxy);
        proxy["status"] = "connected";
        proxy["detail"] = "nl-ams-04";
        emitUncorrelated("proxyStatus", proxy);

        Json error = Json::object();
        error["scope"] = "spotify";
        error["code"] = "spotify_auth_expired";
        error["message"] = "Spotify sign-in has expired. Reconnect Spotify in Settings.";
        emit("error", std::move(error));
        log("warn", "Could not refresh the Spotify token; using the playlists as last fetched");

        for (size_t i = 0; i < m_plan.playlists.size(); ++i)
            runPlaylist(static_cast<std::int64_t>(i), *m_plan.playlists[i]);

        log("info",
            "Sync finished: " + std::to_string(m_summary.ok) + " downloaded, "
                + std::to_string(m_summary.present) + " already present, " + std::to_string(m_summary.flagged)
                + " flagged, " + std::to_string(m_summary.failed) + " failed");
        proxy = Json::object();
        proxy["status"] = "off";
        emitUncorrelated("proxyStatus", proxy);

        Json summary = Json::object();
        summary["present"] = m_summary.present;
        summary["ok"] = m_summary.ok;
        summary["flagged"] = m_summary.flagged;
        summary["failed"] = m_summary.failed;
        summary["skipped"] = m_summary.skipped;
        summary["upgraded"] = m_summary.upgraded;
        summary["removed"] = m_summary.removed;
        Json done = Json::object();
        done["runId"] = m_plan.runId;
        done["summary"] = std::move(summary);
        m_out.event("syncDone", m_plan.runId, std::move(done));
    } catch (const Cancelled&) {
        Json data = Json::object();
        data["level"] = "info";
        data["message"] = "Sync cancelled";
        m_out.event("log", m_plan.runId, std::move(data));
        Json proxy = Json::object();
        proxy["status"] = "off";
        m_out.event("proxyStatus", std::nullopt, std::move(proxy));
    }
    m_finished = true;
}

void SyncRun::runPlaylist(std::int64_t index, const PlaylistInfo& playlist)
{
    std::vector<TrackInfo> tracks;
    tracks.reserve(static_cast<size_t>(playlist.trackCount));
    Json trackList = Json::array();
    for (std::int64_t row = 0; row < playlist.trackCount; ++row) {
        tracks.push_back(m_library.track(playlist, row));
        trackList.push_back(SampleLibrary::trackJson(tracks.back()));
    }
    {
        Json data = Json::object();
        data["playlistId"] = playlist.id;
        data["index"] = index;
        data["name"] = playlist.name;
        data["tracks"] = std::move(trackList);
        emit("playlistStarted", std::move(data));
    }

    bool anyFailed = false, anyFlagged = false, allSkipped = !tracks.empty();
    for (const auto& track : tracks) {
        const Outcome outcome = runTrack(track);
        switch (outcome) {
        case Outcome::present:
            ++m_summary.present;
            break;
        case Outcome::ok:
            ++m_summary.ok;
            break;
        case Outcome::flagged:
            ++m_summary.flagged;
            break;
        case Outcome::failed:
            ++m_summary.failed;
            break;
        case Outcome::skipped:
            ++m_summary.skipped;
            break;
        case Outcome::upgraded:
            ++m_summary.upgraded;
            break;
        }
        anyFailed = anyFailed || outcome == Outcome::failed;
        anyFlagged = anyFlagged || outcome == Outcome::flagged;
        allSkipped = allSkipped && outcome == Outcome::skipped;
    }

    Json paths = Json::array();
    for (auto& path : m_library.orphanPaths(playlist, m_plan.config.value("outputDir", std::string())))
        if (!m_plan.trashed.contains(path))
            paths.push_back(std::move(path));
    if (!paths.empty()) {
        Json data = Json::object();
        data["playlistId"] = playlist.id;
        data["paths"] = std::move(paths);
        emit("orphansFound", std::move(data));
    }

    Json data = Json::object();
    data["playlistId"] = playlist.id;
    data["status"] = anyFailed ? "failed" : anyFlagged ? "low-confidence" : allSkipped ? "skipped" : "ok";
    emit("playlistFinished", std::move(data));
}

SyncRun::Outcome SyncRun::runTrack(const TrackInfo& track)
{
    {
        Json data = Json::object();
        data["trackId"] = track.id;
        data["index"] = track.row;
        data["label"] = track.label();
        emit("trackStarted", std::move(data));
    }
    Json disk = Json::object();
    disk["trackId"] = track.id;
    disk["result"] = track.fate == TrackFate::broken ? "broken" : track.onDisk() ? "present" : "missing";
    if (auto m = track.diskMeta())
        disk["meta"] = *m;
    emit("diskCheck", std::move(disk));

    switch (track.fate) {
    case TrackFate::present:
        finish(track, "ok", {}, "verified", track.diskMeta());
        return Outcome::present;
    case TrackFate::upgrade:
        step(track, "searching", "Looking for a lossless copy");
        download(track, "soulseek", true);
        log("info", "Upgraded " + quoted(track.label()) + " from MP3 320 to lossless");
        finish(track, "ok", {}, "verified", meta("AIFF", "1411", "soulseek"));
        return Outcome::upgraded;
    case TrackFate::broken:
        log("warn", "The file of " + quoted(track.label()) + " is unreadable; downloading it again");
        step(track, "searching");
        download(track, "bandcamp", true);
        finish(track, "ok", {}, "verified", meta("AIFF", "1411", "bandcamp"));
        return Outcome::ok;
    case TrackFate::verified:
        step(track, "searching");
        download(track, "soulseek", true);
        finish(track, "ok", {}, "verified", meta("AIFF", "1411", "soulseek"));
        return Outcome::ok;
    case TrackFate::downloaded:
        step(track, "searching");
        download(track, "soundcloud", false);
        finish(track, "ok", {}, "downloaded", meta("M4A", "256", "soundcloud"));
        return Outcome::ok;
    case TrackFate::review:
        step(track, "searching");
        return review(track);
    case TrackFate::lowConfidence:
        step(track, "searching");
        log("warn", "Best match for " + quoted(track.label()) + " scored 0.61");
        download(track, "youtube", false);
        finish(track, "low-confidence", "Best match scored 0.61 (duration differs by 9 s)", "downloaded",
            meta("OPUS", "160", "youtube"));
        return Outcome::flagged;
    case TrackFate::failed:
        step(track, "searching");
        log("error", "No match for " + quoted(track.label()) + " on any source");
        finish(track, "failed", "No match on any source", nullptr, std::nullopt);
        return Outcome::failed;
    case TrackFate::skipped: {
        const double hours = m_plan.config.value("run", Json::object()).value("cooloffHours", 24.0);
        log("info", "Skipping " + quoted(track.label()) + ": it failed recently");
        finish(track, "skipped", "In cool-off for " + formatNumber(hours, 0) + " h after a failed attempt",
            nullptr, std::nullopt);
        return Outcome::skipped;
    }
    }
    return Outcome::failed;
}

SyncRun::Outcome SyncRun::review(const TrackInfo& track)
{
    const std::uint64_t h = track.hash;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));

    Json candidates = Json::array();
    Json c1 = Json::object();
    c1["id"] = "c1";
    c1["title"] = track.title + " (Extended Mix)";
    c1["channel"] = "crate_runner";
    c1["durationSec"] = track.durationSec + 12.0;
    c1["source"] = "soulseek";
    c1["format"] = "FLAC";
    c1["bitrateKbps"] = 987;
    c1["confidence"] = 0.64;
    c1["reason"] = "Duration differs by 12 s";
    c1["url"] = std::string("slsk://crate_runner/") + hex + ".flac";
    Json c2 = Json::object();
    c2["id"] = "c2";
    c2["title"] = track.artist + " - " + track.title + " [Official Audio]";
    c2["channel"] = track.artist;
    c2["durationSec"] = track.durationSec;
    c2["source"] = "youtube";
    c2["format"] = "OPUS";
    c2["bitrateKbps"] = 160;
    c2["confidence"] = 0.58;
    c2["reason"] = "Lossy source";
    c2["url"] = std::string("https://video.mivo.invalid/watch?v=") + (hex + 5);
    Json c3 = Json::object(); // only the keys every candidate has
    c3["id"] = "c3";
    c3["title"] = track.title + " (Bootleg)";
    c3["channel"] = "bootleg_archive";
    c3["durationSec"] = track.durationSec - 30.0;
    candidates.push_back(c1);
    candidates.push_back(c2);
    candidates.push_back(c3);

    Json best = Json::object();
    best["confidence"] = c1["confidence"];
    best["title"] = c1["title"];
    best["url"] = c1["url"];
    Json data = Json::object();
    data["trackId"] = track.id;
    data["label"] = track.label();
    data["best"] = std::move(best);
    data["candidates"] = candidates;
    {
        // Open the review before the event goes out, so that an answer can never be early.
        std::lock_guard lock(m_mutex);
        m_awaiting = track.id;
        m_decision.reset();
    }
    emit("needsReview", std::move(data));

    Decision decision;
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_cancelled || m_decision.has_value(); });
        if (m_cancelled)
            throw Cancelled {};
        decision = *m_decision;
        m_awaiting.reset();
        m_decision.reset();
    }

    if (decision.kind == "skip") {
        finish(track, "skipped", "Skipped in review", nullptr, std::nullopt);
        return Outcome::skipped;
    }
    std::string source;
    if (decision.kind == "accept") {
        source = "soulseek";
    } else if (decision.kind == "candidate") {
        for (const auto& c : candidates)
            if (c["id"] == decision.value)
                source = c.value("source", std::string("youtube"));
        if (source.empty()) {
            finish(track, "failed", "Unknown candidate: " + decision.value, nullptr, std::nullopt);
            return Outcome::failed;
        }
    } else {
        source = sourceOfUrl(decision.value);
    }
    download(track, source, false);
    const auto [format, bitrate] = deliveredBy(source);
    finish(track, "ok", {}, "downloaded",
        lossless(source) ? meta("AIFF", bitrate, source) : meta(format, bitrate, source));
    return Outcome::ok;
}

void SyncRun::download(const TrackInfo& track, const std::string& source, bool verify)
{
    const auto [format, bitrate] = deliveredBy(source);
    step(track, "downloading", source + " · " + format);
    const double megabytesPerMinute = lossless(source) ? 10.1 : 1.9;
    const std::string size = formatNumber(track.durationSec / 60.0 * megabytesPerMinute, 1) + " MB";
    static constexpr std::array kPercents { 4.2, 23.5, 51.0, 78.6, 100.0 };
    for (size_t i = 0; i < kPercents.size(); ++i) {
        Json data = Json::object();
        data["trackId"] = track.id;
        data["percent"] = kPercents[i];
        data["sizeText"] = size;
        data["speedText"]
            = formatNumber(1.2 + static_cast<double>((track.hash >> (i * 4)) % 30) / 10.0, 1) + " MB/s";
        emit("downloadProgress", std::move(data));
    }
    if (lossless(source))
        step(track, "converting", format + " → AIFF");
    step(track, "tagging", "Title, artist, album and artwork");
    if (verify)
        step(track, "verifying", "MusicBrainz + AcoustID");
}

void SyncRun::emit(std::string_view kind, Json data)
{
    checkCancelled();
    m_out.event(kind, m_plan.runId, std::move(data));
    pace();
}

void SyncRun::emitUncorrelated(std::string_view kind, Json data)
{
    checkCancelled();
    m_out.event(kind, std::nullopt, std::move(data));
    pace();
}

void SyncRun::log(const char* level, const std::string& message)
{
    Json data = Json::object();
    data["level"] = level;
    data["message"] = message;
    emit("log", std::move(data));
}

void SyncRun::step(const TrackInfo& track, const char* phase, const std::string& detail)
{
    Json data = Json::object();
    data["trackId"] = track.id;
    data["phase"] = phase;
    if (!detail.empty())
        data["detail"] = detail;
    emit("step", std::move(data));
}

void SyncRun::finish(const TrackInfo& track, const char* status, const std::string& detail, const char* kind,
    std::optional<Json> meta)
{
    Json data = Json::object();
    data["trackId"] = track.id;
    data["status"] = status;
    if (!detail.empty())
        data["detail"] = detail;
    if (kind)
        data["kind"] = kind;
    if (meta)
        data["meta"] = std::move(*meta);
    emit("trackFinished", std::move(data));
}

void SyncRun::pace()
{
    std::unique_lock lock(m_mutex);
    if (m_interval.count() > 0)
        m_wake.wait_for(lock, m_interval, [this] { return m_cancelled; });
    if (m_cancelled)
        throw Cancelled {};
}

void SyncRun::checkCancelled()
{
    std::lock_guard lock(m_mutex);
    if (m_cancelled)
        throw Cancelled {};
}

} // namespace mivo::standin
