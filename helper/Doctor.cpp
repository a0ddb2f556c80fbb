#include "Doctor.h"

#include "RequestError.h"

namespace mivo::standin {

namespace {

Json check(const char* id, const char* title, const char* status, const std::string& detail,
    std::optional<bool> fixable)
{
    Json c = Json::object();
    c["id"] = id;
    c["title"] = title;
    c["status"] = status;
    if (!detail.empty())
        c["detail"] = detail;
    if (fixable)
        c["fixable"] = *fixable;
    return c;
}

} // namespace

Json Doctor::checks(const Json& config) const
{
    Json list = Json::array();
    list.push_back(check("output-folder", "Output folder", "ok",
        config.value("outputDir", std::string()) + " is set as the output folder", std::nullopt));
    list.push_back(m_ytDlpInstalled ? check("yt-dlp", "yt-dlp", "ok", "yt-dlp 2024.08.06 is installed", false)
                                    : check("yt-dlp", "yt-dlp", "fail", "yt-dlp is not installed", true));
    list.push_back(m_ffmpegCurrent
            ? check("ffmpeg", "ffmpeg", "ok", "ffmpeg 6.1 is installed", false)
            : check("ffmpeg", "ffmpeg", "warn", "ffmpeg 4.4 is older than the recommended 6.0", true));
    list.push_back(config.value("acoustidConfigured", false)
            ? check("acoustid", "AcoustID key", "ok", "Matches are verified with AcoustID", std::nullopt)
            : check("acoustid", "AcoustID key", "warn",
                "No AcoustID key is stored: matches are checked by title and duration only", false));
    list.push_back(config.value("spotifyConnected", false)
            ? check("spotify", "Spotify sign-in", "ok", "Signed in", std::nullopt)
            : check("spotify", "Spotify sign-in", "warn", "Not signed in to Spotify", false));
    const Json proxy = config.value("proxy", Json::object());
    const bool enabled = proxy.value("enabled", false);
    const bool configured = proxy.value("configured", false);
    if (enabled && !configured)
        list.push_back(
            check("proxy", "Corvane VPN", "fail", "Routing is on but no subscription is stored", false));
    else
        list.push_back(check("proxy", "Corvane VPN", "ok",
            enabled ? "Soulseek traffic is routed" : "Not in use", std::nullopt));
    list.push_back(m_cacheTrimmed
            ? check("search-cache", "Search cache", "ok", "The search cache holds 12 MB", false)
            : check("search-cache", "Search cache", "warn", "The search cache holds 1.2 GB", true));
    return list;
}

void Doctor::fix(const std::string& checkId)
{
    if (checkId == "yt-dlp")
        m_ytDlpInstalled = true;
    else if (checkId == "ffmpeg")
        m_ffmpegCurrent = true;
    else if (checkId == "search-cache")
        m_cacheTrimmed = true;
    else if (checkId == "output-folder" || checkId == "acoustid" || checkId == "spotify"
        || checkId == "proxy")
        throw RequestError::invalidParams("The check " + checkId + " cannot be fixed automatically");
    else
        throw RequestError::invalidParams("Unknown check: " + checkId);
}

void Doctor::toolsInstalled()
{
    m_ytDlpInstalled = true;
    m_ffmpegCurrent = true;
}

} // namespace mivo::standin
