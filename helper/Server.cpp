#include "Server.h"

#include "RequestError.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace mivo::standin {

namespace {

const std::set<std::string, std::less<>> kPlaylistSources { "apple", "spotify" };
const std::set<std::string, std::less<>> kAccountServices { "spotify", "soundcloud", "acoustid", "applemusic",
    "proxy" };
// The read methods whose result is a one-key wrapper object that the bare switch removes.
const std::map<std::string, std::string, std::less<>> kWrapperKeys { { "getConfig", "config" },
    { "listPlaylists", "playlists" }, { "getPlaylistTracks", "tracks" }, { "listOrphans", "paths" },
    { "runDoctor", "checks" } };

const nlohmann::json& member(const nlohmann::json& params, const char* key)
{
    static const nlohmann::json kNull;
    if (!params.is_object())
        return kNull;
    const auto it = params.find(key);
    return it == params.end() ? kNull : *it;
}

std::string requiredString(const nlohmann::json& params, const char* key)
{
    const auto& value = member(params, key);
    if (!value.is_string())
        throw RequestError::invalidParams(std::string(key) + " must be a string");
    return value.get<std::string>();
}

std::optional<std::string> optionalString(const nlohmann::json& params, const char* key)
{
    const auto& value = member(params, key);
    if (value.is_null())
        return std::nullopt;
    if (!value.is_string())
        throw RequestError::invalidParams(std::string(key) + " must be a string");
    return value.get<std::string>();
}

std::string requiredWord(
    const nlohmann::json& params, const char* key, const std::set<std::string, std::less<>>& words)
{
    std::string value = requiredString(params, key);
    if (!words.contains(value))
        throw RequestError::invalidParams(std::string(key) + " has an unknown value: " + value);
    return value;
}

void checkOptions(const nlohmann::json& options)
{
    if (options.is_null())
        return;
    if (!options.is_object())
        throw RequestError::invalidParams("options must be an object");
    for (const char* key : { "dryRun", "review", "cleanup", "upgrade" }) {
        const auto& v = member(options, key);
        if (!v.is_null() && !v.is_boolean())
            throw RequestError::invalidParams(std::string("options.") + key + " must be a boolean");
    }
    const auto& concurrency = member(options, "concurrency");
    if (!concurrency.is_null() && !concurrency.is_number_integer())
        throw RequestError::invalidParams("options.concurrency must be an integer");
    const auto& floor = member(options, "qualityFloor");
    if (!floor.is_null() && (!floor.is_string() || (floor != "flac" && floor != "mp3-320" && floor != "any")))
        throw RequestError::invalidParams("options.qualityFloor has an unknown value");
}

Json toolStatus(const char* id, const char* detail)
{
    Json tool = Json::object();
    tool["id"] = id;
    tool["name"] = id;
    tool["status"] = "ok";
    tool["detail"] = detail;
    return tool;
}

} // namespace

Server::Server(const Switches& switches, LineWriter& out)
    : m_switches(switches)
    , m_out(out)
    , m_library(switches.library ? SampleLibrary::generated(switches.library->playlists, switches.library->tracksEach)
                                 : SampleLibrary::sample())
    , m_handlers {
        { "getConfig", &Server::getConfig },
        { "setConfig", &Server::setConfig },
        { "storeAccountToken", &Server::storeAccountToken },
        { "getSpotifyAuthParams", &Server::getSpotifyAuthParams },
        { "disconnectAccount", &Server::disconnectAccount },
        { "connectSpotify", &Server::connectSpotify },
        { "listPlaylists", &Server::listPlaylists },
        { "getPlaylistTracks", &Server::getPlaylistTracks },
        { "startSync", &Server::startSync },
        { "listOrphans", &Server::listOrphans },
        { "trashOrphans", &Server::trashOrphans },
        { "runDoctor", &Server::runDoctor },
        { "doctorFix", &Server::doctorFix },
        { "provisionTools", &Server::provisionTools },
        { "testProxy", &Server::testProxy },
        { "proxyInfo", &Server::proxyInfo },
    }
    , m_config(switches.configPath)
{
    if (!m_config.loadProblem().empty())
        diagnostic("configuration " + m_config.path() + ": " + m_config.loadProblem());
}

Server::~Server()
{
    m_scheduler.stop();
    if (m_sync)
        m_sync->cancelAndWait();
}

int Server::run()
{
    LineReader reader(
        m_switches.maxLineBytes, [this](std::string_view line) { handleLine(line); },
        [this] {
            // Nothing of it is kept, not even its id.
            const std::string most = std::to_string(m_switches.maxLineBytes);
            diagnostic("request line longer than " + most + " bytes");
            respond("", "", Reply::failure("bad_request", "The request is longer than " + most + " bytes"));
        });
    char chunk[65536];
    while (true) {
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        reader.feed(std::string_view(chunk, static_cast<size_t>(got)));
    }
    reader.finish();
    diagnostic("standard input closed; stopping");
    m_scheduler.stop();
    if (m_sync)
        m_sync->cancelAndWait();
    return 0;
}

void Server::handleLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos)
        return;
    const nlohmann::json request = nlohmann::json::parse(line, nullptr, false);
    if (request.is_discarded() || !request.is_object()) {
        diagnostic("bad request line");
        respond("", "", Reply::failure("bad_request", "The request is not a JSON object"));
        return;
    }
    const auto id = request.find("id");
    if (id == request.end() || !id->is_string()) {
        respond("", "", Reply::failure("bad_request", "The request has no string id"));
        return;
    }
    const auto method = request.find("method");
    if (method == request.end() || !method->is_string()) {
        respond(*id, "", Reply::failure("bad_request", "The request has no string method"));
        return;
    }
    const auto params = request.find("params");
    handleRequest(*id, *method, params == request.end() ? nlohmann::json() : *params);
}

void Server::handleRequest(const std::string& id, const std::string& method, const nlohmann::json& params)
{
    diagnostic("request " + id + " " + method);
    if (m_switches.crashOn && m_switches.crashOn->method == method)
        die(m_switches.crashOn->how);

    if (method == "cancelSync" || method == "reviewDecision") {
        if (!params.is_null() && !params.is_object()) {
            diagnostic("ignored " + method + ": params is not an object");
            return;
        }
        try {
            method == "cancelSync" ? cancelSync(params) : reviewDecision(params);
        } catch (const RequestError& error) {
            diagnostic("ignored " + method + ": " + error.what());
        }
        return;
    }

    if (const auto fail = m_switches.fail.find(method); fail != m_switches.fail.end()) {
        respond(id, method, Reply::failure(fail->second, "Simulated failure of " + method));
        return;
    }
    const auto handler = m_handlers.find(method);
    if (handler == m_handlers.end()) {
        respond(id, method, Reply::failure("unknown_method", "Unknown method: " + method));
        return;
    }
    if (!params.is_null() && !params.is_object()) {
        respond(id, method, Reply::failure("invalid_params", "params must be an object"));
        return;
    }
    std::optional<Reply> reply;
    try {
        reply = (this->*handler->second)(id, params);
    } catch (const RequestError& error) {
        reply = Reply::failure(error.code, error.what());
    } catch (const std::exception& error) {
        reply = Reply::failure("internal", error.what());
    }
    if (reply)
        respond(id, method, std::move(*reply));
}

void Server::respond(const std::string& id, const std::string& method, Reply reply)
{
    if (m_switches.silent.contains(method)) {
        diagnostic("not answering " + id + " " + method);
        return;
    }
    if (reply.ok && m_switches.bare.contains(method)) {
        if (const auto key = kWrapperKeys.find(method); key != kWrapperKeys.end()) {
            Json bare = std::move(reply.result[key->second]);
            reply.result = std::move(bare);
        }
    }
    const auto delay = m_switches.delay.find(method);
    if (delay != m_switches.delay.end() && delay->second.count() > 0) {
        m_scheduler.after(
            delay->second, [this, id, method, reply = std::move(reply)] { writeReply(id, method, reply); });
        return;
    }
    writeReply(id, method, std::move(reply));
}

void Server::writeReply(const std::string& id, const std::string& method, Reply reply)
{
    Json line = Json::object();
    line["id"] = m_switches.wrongId.contains(method) ? std::string("x-unknown") : id;
    line["ok"] = reply.ok;
    if (reply.ok) {
        line["result"] = std::move(reply.result);
    } else {
        Json error = Json::object();
        error["code"] = reply.code;
        error["message"] = reply.message;
        line["error"] = std::move(error);
    }
    m_out.writeLine(line);
    if (m_switches.doubleReply.contains(method))
        m_out.writeLine(line);
    const long answered = ++m_answered;
    if (m_switches.crashAfter && answered == m_switches.crashAfter->count) {
        diagnostic("crashing after " + std::to_string(answered) + " answers");
        die(m_switches.crashAfter->how);
    }
}

void Server::diagnostic(const std::string& text) const
{
    if (!m_switches.stderrDiagnostics)
        return;
    const std::string line = "mivo stand-in[" + std::to_string(::getpid()) + "]: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

// MARK: configuration and accounts

std::optional<Server::Reply> Server::getConfig(const std::string&, const nlohmann::json&)
{
    std::lock_guard lock(m_stateMutex);
    m_config.requireReadable();
    // Said once, before the reply, as a warning the application shows in its log.
    if (const std::string notice = m_config.takeNotice(); !notice.empty()) {
        Json data = Json::object();
        data["level"] = "warn";
        data["message"] = notice;
        m_out.event("log", std::nullopt, std::move(data));
    }
    Json result = Json::object();
    result["config"] = m_config.safeConfig();
    return Reply::success(std::move(result));
}

std::optional<Server::Reply> Server::setConfig(const std::string&, const nlohmann::json& params)
{
    const auto& patch = member(params, "patch");
    if (!patch.is_object())
        throw RequestError::invalidParams("patch must be an object");
    std::lock_guard lock(m_stateMutex);
    m_config.applyPatch(patch);
    return Reply::success(Json::object());
}

std::optional<Server::Reply> Server::storeAccountToken(const std::string&, const nlohmann::json& params)
{
    const std::string service = requiredWord(params, "service", kAccountServices);
    const std::string token = requiredString(params, "token");
    const auto clientId = optionalString(params, "clientId");
    if (token.empty())
        throw RequestError::invalidParams("token must not be empty");
    std::lock_guard lock(m_stateMutex);
    m_config.setAccount(service, true, clientId);
    return Reply::success(Json::object());
}

std::optional<Server::Reply> Server::getSpotifyAuthParams(const std::string&, const nlohmann::json&)
{
    std::lock_guard lock(m_stateMutex);
    Json result = Json::object();
    result["clientId"] = m_config.safeConfig().value("effectiveSpotifyClientId", "");
    result["redirectUri"] = "http://127.0.0.1:43821/callback";
    result["scopes"]
        = Json::array({ "playlist-read-private", "playlist-read-collaborative", "user-library-read" });
    result["authorizeUrl"] = "https://accounts.spotify.invalid/authorize";
    return Reply::success(std::move(result));
}

std::optional<Server::Reply> Server::disconnectAccount(const std::string&, const nlohmann::json& params)
{
    const std::string service = requiredWord(params, "service", kAccountServices);
    std::lock_guard lock(m_stateMutex);
    m_config.setAccount(service, false);
    return Reply::success(Json::object());
}

std::optional<Server::Reply> Server::connectSpotify(const std::string& id, const nlohmann::json&)
{
    // The browser sign-in takes a moment; then the account counts as connected.
    const auto pause
        = m_switches.eventRate > 0 ? std::chrono::milliseconds(400) : std::chrono::milliseconds(0);
    m_scheduler.after(pause, [this, id] {
        Reply reply = Reply::success(Json::object());
        try {
            std::lock_guard lock(m_stateMutex);
            m_config.setAccount("spotify", true);
        } catch (const RequestError& error) {
            reply = Reply::failure(error.code, error.what());
        }
        respond(id, "connectSpotify", std::move(reply));
    });
    return std::nullopt;
}

// MARK: library

std::optional<Server::Reply> Server::listPlaylists(const std::string&, const nlohmann::json& params)
{
    std::optional<std::string> source;
    if (!member(params, "source").is_null())
        source = requiredWord(params, "source", kPlaylistSources);
    Json playlists = Json::array();
    for (const auto& playlist : m_library.playlists())
        if (!source || playlist.source == *source)
            playlists.push_back(SampleLibrary::playlistJson(playlist));
    Json result = Json::object();
    result["playlists"] = std::move(playlists);
    return Reply::success(std::move(result));
}

std::optional<Server::Reply> Server::getPlaylistTracks(const std::string&, const nlohmann::json& params)
{
    const std::string source = requiredWord(params, "source", kPlaylistSources);
    const std::string id = requiredString(params, "id");
    optionalString(params, "name");
    const PlaylistInfo* playlist = m_library.find(id);
    if (!playlist || playlist->source != source)
        throw RequestError::invalidParams("No " + source + " playlist with the id " + id);
    Json tracks = Json::array();
    for (std::int64_t row = 0; row < playlist->trackCount; ++row)
        tracks.push_back(SampleLibrary::previewTrackJson(m_library.track(*playlist, row)));
    Json result = Json::object();
    result["tracks"] = std::move(tracks);
    return Reply::success(std::move(result));
}

std::vector<const PlaylistInfo*> Server::selection(const nlohmann::json& params) const
{
    const auto& list = member(params, "selection");
    if (!list.is_array())
        throw RequestError::invalidParams("selection must be an array");
    std::vector<const PlaylistInfo*> playlists;
    for (const auto& entry : list) {
        if (!entry.is_object())
            throw RequestError::invalidParams("selection entries must be objects");
        const std::string source = requiredWord(entry, "source", kPlaylistSources);
        const std::string id = requiredString(entry, "id");
        optionalString(entry, "name");
        const PlaylistInfo* playlist = m_library.find(id);
        if (!playlist || playlist->source != source)
            throw RequestError::invalidParams("No " + source + " playlist with the id " + id);
        if (playlist->isFolder)
            throw RequestError::invalidParams(id + " is a folder, not a playlist");
        playlists.push_back(playlist);
    }
    return playlists;
}

// MARK: sync

std::optional<Server::Reply> Server::startSync(const std::string& id, const nlohmann::json& params)
{
    if (m_sync && !m_sync->isFinished())
        return Reply::failure("sync_in_progress", "A sync is already running");
    SyncRun::Plan plan;
    plan.playlists = selection(params);
    if (plan.playlists.empty())
        throw RequestError::invalidParams("selection is empty");
    checkOptions(member(params, "options"));
    {
        std::lock_guard lock(m_stateMutex);
        plan.config = m_config.safeConfig();
        plan.trashed = m_trashed;
    }
    const auto stamp = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch())
                           .count();
    char runId[48];
    std::snprintf(runId, sizeof runId, "run-%llx-%ld", static_cast<long long>(stamp), ++m_runCounter);
    plan.runId = runId;

    if (m_sync)
        m_sync->cancelAndWait(); // joins the finished thread
    m_sync = std::make_unique<SyncRun>(m_out, m_library, std::move(plan), m_switches.eventInterval());
    Json result = Json::object();
    result["runId"] = m_sync->runId();
    // The reply goes out before the run's first event (unless a delay holds it back).
    respond(id, "startSync", Reply::success(std::move(result)));
    m_sync->start();
    return std::nullopt;
}

void Server::cancelSync(const nlohmann::json& params)
{
    const auto runId = optionalString(params, "runId");
    if (!m_sync || m_sync->isFinished()) {
        diagnostic("cancelSync: no sync is running");
        return;
    }
    if (runId && *runId != m_sync->runId()) {
        diagnostic("cancelSync: run " + *runId + " is not the running one");
        return;
    }
    m_sync->cancelAndWait();
}

void Server::reviewDecision(const nlohmann::json& params)
{
    const auto runId = optionalString(params, "runId");
    const std::string trackId = requiredString(params, "trackId");
    const auto& decision = member(params, "decision");
    if (!decision.is_object())
        throw RequestError::invalidParams("decision must be an object");
    SyncRun::Decision d;
    d.kind = requiredString(decision, "kind");
    if (d.kind == "candidate")
        d.value = requiredString(decision, "candidateId");
    else if (d.kind == "url")
        d.value = requiredString(decision, "url");
    else if (d.kind != "accept" && d.kind != "skip")
        throw RequestError::invalidParams("Unknown ReviewDecision kind: " + d.kind);
    if (!m_sync || (runId && *runId != m_sync->runId()) || !m_sync->decide(trackId, d))
        diagnostic("reviewDecision: no track waits under " + trackId);
}

// MARK: orphans

std::optional<Server::Reply> Server::listOrphans(const std::string&, const nlohmann::json& params)
{
    const auto playlists = selection(params);
    std::lock_guard lock(m_stateMutex);
    const std::string outputDir = m_config.safeConfig().value("outputDir", "");
    Json paths = Json::array();
    for (const auto* playlist : playlists)
        for (auto& path : m_library.orphanPaths(*playlist, outputDir))
            if (!m_trashed.contains(path))
                paths.push_back(std::move(path));
    Json result = Json::object();
    result["paths"] = std::move(paths);
    return Reply::success(std::move(result));
}

std::optional<Server::Reply> Server::trashOrphans(const std::string&, const nlohmann::json& params)
{
    const auto& paths = member(params, "paths");
    if (!paths.is_array())
        throw RequestError::invalidParams("paths must be an array");
    for (const auto& path : paths)
        if (!path.is_string())
            throw RequestError::invalidParams("paths must hold strings");
    // Nothing on disk is touched: the paths are only remembered as gone.
    std::lock_guard lock(m_stateMutex);
    for (const auto& path : paths)
        m_trashed.insert(path.get<std::string>());
    Json result = Json::object();
    result["trashed"] = static_cast<std::int64_t>(paths.size());
    return Reply::success(std::move(result));
}

// MARK: doctor and tools

std::optional<Server::Reply> Server::runDoctor(const std::string&, const nlohmann::json&)
{
    std::lock_guard lock(m_stateMutex);
    Json result = Json::object();
    result["checks"] = m_doctor.checks(m_config.safeConfig());
    return Reply::success(std::move(result));
}

std::optional<Server::Reply> Server::doctorFix(const std::string&, const nlohmann::json& params)
{
    const std::string checkId = requiredString(params, "checkId");
    std::lock_guard lock(m_stateMutex);
    m_doctor.fix(checkId);
    return Reply::success(Json::object());
}

std::optional<Server::Reply> Server::provisionTools(const std::string& id, const nlohmann::json&)
{
    // Each tool goes through download (with percent), verify, install and done; the
    // answer follows the last event.
    const auto interval = m_switches.eventInterval();
    auto due = Scheduler::Clock::now();
    auto push = [&](Json data) {
        m_scheduler.at(
            due, [this, data = std::move(data)] { m_out.event("toolProgress", std::nullopt, data); });
        due += interval;
    };
    for (const char* tool : { "yt-dlp", "ffmpeg" }) {
        for (const double percent : { 0.0, 18.5, 42.0, 67.5, 91.0, 100.0 }) {
            Json data = Json::object();
            data["tool"] = tool;
            data["phase"] = "download";
            data["percent"] = percent;
            data["detail"] = std::string("Downloading ") + tool;
            push(std::move(data));
        }
        for (const char* phase : { "verify", "install", "done" }) {
            Json data = Json::object();
            data["tool"] = tool;
            data["phase"] = phase;
            if (std::string_view(phase) == "done")
                data["percent"] = 100.0;
            data["detail"] = std::string_view(phase) == "verify" ? "Checking the signature"
                : std::string_view(phase) == "install"           ? "Installing"
                                                                 : "Ready";
            push(std::move(data));
        }
    }
    m_scheduler.at(due, [this, id] {
        {
            std::lock_guard lock(m_stateMutex);
            m_doctor.toolsInstalled();
        }
        Json result = Json::object();
        result["ok"] = true;
        result["tools"] = Json::array({ toolStatus("yt-dlp", "yt-dlp 2024.08.06 installed"),
            toolStatus("ffmpeg", "ffmpeg 6.1 installed") });
        respond(id, "provisionTools", Reply::success(std::move(result)));
    });
    return std::nullopt;
}

std::optional<Server::Reply> Server::testProxy(const std::string&, const nlohmann::json&)
{
    std::lock_guard lock(m_stateMutex);
    const bool configured = m_config.safeConfig().at("proxy").value("configured", false);
    Json result = Json::object();
    result["ok"] = configured;
    result["detail"] = configured ? "Connected through nl-ams-04 in 84 ms" : "No VPN subscription is stored";
    return Reply::success(std::move(result));
}

std::optional<Server::Reply> Server::proxyInfo(const std::string&, const nlohmann::json&)
{
    std::lock_guard lock(m_stateMutex);
    const bool configured = m_config.safeConfig().at("proxy").value("configured", false);
    Json result = Json::object();
    result["ok"] = configured;
    result["nodeCount"] = configured ? 12 : 0;
    return Reply::success(std::move(result));
}

} // namespace mivo::standin
