#include "ConfigFile.h"

#include "RequestError.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

// The whole file, or nothing when there is none; throws the reason when one exists that
// cannot be read.
std::optional<std::string> readWhole(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw std::runtime_error(std::strerror(errno));
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer { fd };
    struct stat status { };
    if (::fstat(fd, &status) != 0)
        throw std::runtime_error(std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw std::runtime_error("not a regular file");
    std::string text;
    char chunk[65536];
    while (true) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw std::runtime_error(std::strerror(errno));
        if (got == 0)
            return text;
        text.append(chunk, static_cast<size_t>(got));
    }
}

// A value as the log quotes it: its compact text, cut short when long.
std::string quoted(const Json& value)
{
    constexpr size_t kMost = 80;
    std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (text.size() <= kMost)
        return text;
    // Cut between two characters, never inside one.
    size_t cut = kMost;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "…";
}

// Writes `value`, the setting at `pointer` of the configuration `next`, into `file`. The
// sub-keys of a record are written one by one, so that the record keeps its other keys; a
// record the file holds in some other shape is written whole.
void writeInto(Json& file, const Json& next, const std::string& pointer)
{
    const Json::json_pointer at(pointer);
    const Json::json_pointer record = at.parent_pointer();
    if (!record.empty()) {
        Json& stored = file[record];
        if (!stored.is_object()) {
            stored = next.at(record);
            return;
        }
        stored[at.back()] = next.at(at);
        return;
    }
    const Json& value = next.at(at);
    Json& stored = file[at];
    if (!value.is_object() || !stored.is_object()) {
        stored = value;
        return;
    }
    for (const auto& [key, part] : value.items())
        stored[key] = part;
}

// A free name next to `path` for a file that is kept aside: "<path>.corrupt-<UTC time>",
// with "-2", "-3", … when that is taken.
std::string asideName(const std::string& path)
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    ::gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    const std::string base = path + ".corrupt-" + stamp;
    std::string name = base;
    std::error_code error;
    for (int n = 2;
         std::filesystem::symlink_status(name, error).type() != std::filesystem::file_type::not_found; ++n)
        name = base + "-" + std::to_string(n);
    return name;
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
    load();
}

void ConfigFile::load()
{
    m_unreadable.clear();
    m_loadProblem.clear();
    m_config = defaults();
    m_stored = Json::object();
    std::optional<std::string> text;
    try {
        text = readWhole(m_path);
    } catch (const std::exception& error) {
        m_unreadable = "Could not read the configuration " + m_path + ": " + error.what();
        m_loadProblem = m_unreadable;
        return;
    }
    if (!text)
        return; // no file yet: the defaults
    Json stored = Json::parse(*text, nullptr, false);
    if (!stored.is_object()) {
        // Kept, never written over: the user may want what is in it.
        const std::string aside = asideName(m_path);
        std::error_code error;
        std::filesystem::rename(m_path, aside, error);
        if (error) {
            m_unreadable = "The configuration " + m_path
                + " is not a JSON object and could not be moved aside: " + error.message();
            m_loadProblem = m_unreadable;
            return;
        }
        m_loadProblem = "not a JSON object; kept as " + aside + ", using the defaults";
        m_notice = "The configuration " + m_path + " could not be read and was kept as " + aside
            + "; the default settings are used.";
        return;
    }
    std::string unusable;
    for (auto& [key, value] : m_config.items()) {
        const auto it = stored.find(key);
        if (it == stored.end())
            continue;
        if (auto read = readField(key, nlohmann::json(*it))) {
            value = std::move(*read);
            continue;
        }
        // The default stands in; the file keeps the value until a change names it.
        m_loadProblem += (m_loadProblem.empty() ? "" : ", ") + std::string("bad ") + key;
        unusable += (unusable.empty() ? "" : ", ") + key + " (" + quoted(*it) + ")";
    }
    if (!unusable.empty())
        m_notice = "The configuration " + m_path
            + " has settings that cannot be used, so their defaults stand in (the file keeps them as "
              "they are): "
            + unusable;
    m_stored = std::move(stored);
}

void ConfigFile::requireReadable()
{
    if (m_unreadable.empty())
        return;
    load();
    if (!m_unreadable.empty())
        throw RequestError::internal(m_unreadable);
}

std::string ConfigFile::takeNotice()
{
    return std::exchange(m_notice, {});
}

void ConfigFile::applyPatch(const nlohmann::json& patch)
{
    if (!patch.is_object())
        throw RequestError::invalidParams("patch must be an object");
    requireReadable();
    Json next = m_config;
    std::vector<std::string> named;
    for (const char* key : { "sources", "quality", "run", "ui", "outputDir", "identity" }) {
        const auto it = patch.find(key);
        if (it == patch.end() || it->is_null())
            continue;
        auto read = readField(key, *it);
        if (!read)
            throw RequestError::invalidParams(std::string("patch.") + key + " is not valid");
        next[key] = std::move(*read);
        named.push_back(std::string("/") + key);
    }
    if (const auto it = patch.find("proxyEnabled"); it != patch.end() && !it->is_null()) {
        if (!it->is_boolean())
            throw RequestError::invalidParams("patch.proxyEnabled must be a boolean");
        next["proxy"]["enabled"] = it->get<bool>();
        named.emplace_back("/proxy/enabled");
    }
    commit(std::move(next), named);
}

void ConfigFile::setAccount(
    std::string_view service, bool connected, const std::optional<std::string>& clientId)
{
    requireReadable();
    Json next = m_config;
    std::vector<std::string> named;
    if (service == "proxy") {
        next["proxy"]["configured"] = connected;
        named.emplace_back("/proxy/configured");
        if (!connected) {
            next["proxy"]["enabled"] = false; // no routing without a subscription
            named.emplace_back("/proxy/enabled");
        }
    } else if (const char* flag = flagOf(service)) {
        next[flag] = connected;
        named.push_back(std::string("/") + flag);
    } else {
        throw RequestError::invalidParams("unknown service: " + std::string(service));
    }
    if (service == "spotify") {
        if (connected && clientId && !clientId->empty())
            next["effectiveSpotifyClientId"] = *clientId;
        else if (!connected)
            next["effectiveSpotifyClientId"] = kDefaultSpotifyClientId;
        named.emplace_back("/effectiveSpotifyClientId");
    }
    commit(std::move(next), named);
}

void ConfigFile::commit(Json next, const std::vector<std::string>& named)
{
    // A named setting the file holds in a form this helper could not use is written too,
    // even when the value in use stays the same: the user has now chosen it.
    bool differs = next != m_config;
    for (const std::string& pointer : named) {
        const Json::json_pointer at(pointer);
        differs = differs || (m_stored.contains(at) && m_stored.at(at) != next.at(at));
    }
    if (!differs)
        return;
    Json file = m_stored;
    for (const std::string& pointer : named)
        writeInto(file, next, pointer);
    // A setting the file does not hold yet is written as it is in use.
    for (const auto& [key, value] : next.items())
        if (!file.contains(key))
            file[key] = value;
    save(file);
    m_stored = std::move(file);
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
