#include "ConfigFile.h"

#include "RequestError.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace mivo::standin {

namespace {

const std::set<std::string> kSources { "soulseek", "bandcamp", "soundcloud", "youtube" };
const std::set<std::string> kFloors { "flac", "mp3-320", "any" };
const std::set<std::string> kThemes { "dark", "light" };

bool isBool(const nlohmann::json& v)
{
    return v.is_boolean();
}

// Each reader returns the value in its stored form, or nothing when it does not fit.
std::optional<Json> readSources(const nlohmann::json& v)
{
    if (!v.is_array())
        return std::nullopt;
    Json out = Json::array();
    for (const auto& s : v) {
        if (!s.is_string() || !kSources.contains(s.get<std::string>()))
            return std::nullopt;
        out.push_back(s.get<std::string>());
    }
    return out;
}

std::optional<Json> readBools(const nlohmann::json& v, std::initializer_list<const char*> keys)
{
    if (!v.is_object())
        return std::nullopt;
    Json out = Json::object();
    for (const char* key : keys) {
        const auto it = v.find(key);
        if (it == v.end() || !isBool(*it))
            return std::nullopt;
        out[key] = it->get<bool>();
    }
    return out;
}

std::optional<Json> readQuality(const nlohmann::json& v)
{
    if (!v.is_object())
        return std::nullopt;
    const auto floor = v.find("floor");
    if (floor == v.end() || !floor->is_string() || !kFloors.contains(floor->get<std::string>()))
        return std::nullopt;
    auto flags = readBools(v, { "losslessOnly", "bestQuality", "upgradeEnabled" });
    if (!flags)
        return std::nullopt;
    Json out = Json::object();
    out["floor"] = floor->get<std::string>();
    for (auto& [key, value] : flags->items())
        out[key] = value;
    return out;
}

std::optional<Json> readRun(const nlohmann::json& v)
{
    if (!v.is_object())
        return std::nullopt;
    Json out = Json::object();
    for (const char* key : { "searchCount", "concurrency" }) {
        const auto it = v.find(key);
        if (it == v.end() || !it->is_number_integer())
            return std::nullopt;
        out[key] = it->get<std::int64_t>();
    }
    for (const char* key : { "toleranceSec", "searchTimeoutSec", "cooloffHours" }) {
        const auto it = v.find(key);
        if (it == v.end() || !it->is_number())
            return std::nullopt;
        out[key] = it->get<double>();
    }
    return out;
}

std::optional<Json> readUi(const nlohmann::json& v)
{
    if (!v.is_object())
        return std::nullopt;
    const auto theme = v.find("theme");
    if (theme == v.end() || !theme->is_string() || !kThemes.contains(theme->get<std::string>()))
        return std::nullopt;
    Json out = Json::object();
    out["theme"] = theme->get<std::string>();
    return out;
}

std::optional<Json> readString(const nlohmann::json& v)
{
    if (!v.is_string())
        return std::nullopt;
    return Json(v.get<std::string>());
}

std::optional<Json> readBool(const nlohmann::json& v)
{
    if (!v.is_boolean())
        return std::nullopt;
    return Json(v.get<bool>());
}

std::optional<Json> readField(const std::string& key, const nlohmann::json& v)
{
    if (key == "sources")
        return readSources(v);
    if (key == "quality")
        return readQuality(v);
    if (key == "run")
        return readRun(v);
    if (key == "ui")
        return readUi(v);
    if (key == "identity")
        return readBools(v, { "enabled", "strict" });
    if (key == "proxy")
        return readBools(v, { "enabled", "configured" });
    if (key == "outputDir" || key == "effectiveSpotifyClientId")
        return readString(v);
    return readBool(v);
}

const char* flagOf(std::string_view service)
{
    if (service == "spotify")
        return "spotifyConnected";
    if (service == "soundcloud")
        return "soundcloudConnected";
    if (service == "acoustid")
        return "acoustidConfigured";
    if (service == "applemusic")
        return "appleMusicConnected";
    return nullptr;
}

} // namespace

Json ConfigFile::defaults()
{
    Json c = Json::object();
    c["sources"] = Json::array({ "soulseek", "bandcamp", "soundcloud", "youtube" });
    c["quality"] = Json::object();
    c["quality"]["floor"] = "mp3-320";
    c["quality"]["losslessOnly"] = false;
    c["quality"]["bestQuality"] = true;
    c["quality"]["upgradeEnabled"] = true;
    c["run"] = Json::object();
    c["run"]["searchCount"] = 5;
    c["run"]["concurrency"] = 4;
    c["run"]["toleranceSec"] = 5.0;
    c["run"]["searchTimeoutSec"] = 30.0;
    c["run"]["cooloffHours"] = 24.0;
    c["ui"] = Json::object();
    c["ui"]["theme"] = "dark";
    c["outputDir"] = "~/Music/DjayImport";
    c["identity"] = Json::object();
    c["identity"]["enabled"] = true;
    c["identity"]["strict"] = false;
    c["proxy"] = Json::object();
    c["proxy"]["enabled"] = false;
    c["proxy"]["configured"] = false;
    c["spotifyConnected"] = false;
    c["soundcloudConnected"] = false;
    c["acoustidConfigured"] = false;
    c["appleMusicConnected"] = false;
    c["effectiveSpotifyClientId"] = kDefaultSpotifyClientId;
    return c;
}

ConfigFile::ConfigFile(std::string path)
    : m_path(std::move(path))
    , m_config(defaults())
{
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return; // no file yet: the defaults
    std::stringstream text;
    text << in.rdbuf();
    const nlohmann::json stored = nlohmann::json::parse(text.str(), nullptr, false);
    if (!stored.is_object()) {
        m_loadProblem = "not a JSON object; using the defaults";
        return;
    }
    for (auto& [key, value] : m_config.items()) {
        const auto it = stored.find(key);
        if (it == stored.end())
            continue;
        if (auto read = readField(key, *it))
            value = std::move(*read);
        else
            m_loadProblem += (m_loadProblem.empty() ? "" : ", ") + std::string("bad ") + key;
    }
}

void ConfigFile::applyPatch(const nlohmann::json& patch)
{
    if (!patch.is_object())
        throw RequestError::invalidParams("patch must be an object");
    Json next = m_config;
    for (const char* key : { "sources", "quality", "run", "ui", "outputDir", "identity" }) {
        const auto it = patch.find(key);
        if (it == patch.end() || it->is_null())
            continue;
        auto read = readField(key, *it);
        if (!read)
            throw RequestError::invalidParams(std::string("patch.") + key + " is not valid");
        next[key] = std::move(*read);
    }
    if (const auto it = patch.find("proxyEnabled"); it != patch.end() && !it->is_null()) {
        if (!it->is_boolean())
            throw RequestError::invalidParams("patch.proxyEnabled must be a boolean");
        next["proxy"]["enabled"] = it->get<bool>();
    }
    if (next == m_config)
        return;
    save(next);
    m_config = std::move(next);
}

void ConfigFile::setAccount(
    std::string_view service, bool connected, const std::optional<std::string>& clientId)
{
    Json next = m_config;
    if (service == "proxy") {
        next["proxy"]["configured"] = connected;
        if (!connected)
            next["proxy"]["enabled"] = false; // no routing without a subscription
    } else if (const char* flag = flagOf(service)) {
        next[flag] = connected;
    } else {
        throw RequestError::invalidParams("unknown service: " + std::string(service));
    }
    if (service == "spotify") {
        if (connected && clientId && !clientId->empty())
            next["effectiveSpotifyClientId"] = *clientId;
        else if (!connected)
            next["effectiveSpotifyClientId"] = kDefaultSpotifyClientId;
    }
    if (next == m_config)
        return;
    save(next);
    m_config = std::move(next);
}

void ConfigFile::save(const Json& config) const
{
    namespace fs = std::filesystem;
    const fs::path target(m_path);
    std::error_code error;
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), error);
    const fs::path temporary = target.string() + ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << config.dump(2) << '\n';
        out.flush();
        if (!out) {
            fs::remove(temporary, error);
            throw RequestError::internal("Could not save the configuration to " + m_path);
        }
    }
    fs::rename(temporary, target, error);
    if (error) {
        const std::string reason = error.message();
        fs::remove(temporary, error);
        throw RequestError::internal("Could not save the configuration to " + m_path + ": " + reason);
    }
}

} // namespace mivo::standin
