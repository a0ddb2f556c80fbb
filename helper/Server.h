#pragma once

#include "ConfigFile.h"
#include "Doctor.h"
#include "LineWriter.h"
#include "SampleLibrary.h"
#include "Scheduler.h"
#include "Switches.h"
#include "SyncRun.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace mivo::standin {

// The `serve` loop: reads one JSON request per line from standard input and answers
// each on standard output, applying the behaviour switches to the answers.
//
// Requests are handled at once, in arrival order; a delay switch holds back only the
// reply. Work that pushes events before it answers (provisionTools, connectSpotify's
// pause) runs on the scheduler, so the loop keeps answering meanwhile.
class Server {
public:
    Server(const Switches& switches, LineWriter& out);
    ~Server();

    // Serves until standard input closes; stops a running sync first. Returns the exit status.
    int run();

    // Handles one line as read (without its line feed).
    void handleLine(std::string_view line);

private:
    struct Reply {
        bool ok = true;
        Json result;
        std::string code;
        std::string message;

        static Reply success(Json result) { return { true, std::move(result), {}, {} }; }
        static Reply failure(std::string code, std::string message)
        {
            return { false, nullptr, std::move(code), std::move(message) };
        }
    };
    using Handler = std::optional<Reply> (Server::*)(const std::string& id, const nlohmann::json& params);

    void handleRequest(const std::string& id, const std::string& method, const nlohmann::json& params);
    // Sends the reply of one request through the switches (silent, delay, wrong id, double, crash after).
    void respond(const std::string& id, const std::string& method, Reply reply);
    void writeReply(const std::string& id, const std::string& method, Reply reply);
    void diagnostic(const std::string& text) const;

    // One per method. A handler returns its reply, or nothing when it answers later itself.
    std::optional<Reply> getConfig(const std::string&, const nlohmann::json&);
    std::optional<Reply> setConfig(const std::string&, const nlohmann::json&);
    std::optional<Reply> storeAccountToken(const std::string&, const nlohmann::json&);
    std::optional<Reply> getSpotifyAuthParams(const std::string&, const nlohmann::json&);
    std::optional<Reply> disconnectAccount(const std::string&, const nlohmann::json&);
    std::optional<Reply> connectSpotify(const std::string&, const nlohmann::json&);
    std::optional<Reply> listPlaylists(const std::string&, const nlohmann::json&);
    std::optional<Reply> getPlaylistTracks(const std::string&, const nlohmann::json&);
    std::optional<Reply> startSync(const std::string&, const nlohmann::json&);
    std::optional<Reply> listOrphans(const std::string&, const nlohmann::json&);
    std::optional<Reply> trashOrphans(const std::string&, const nlohmann::json&);
    std::optional<Reply> runDoctor(const std::string&, const nlohmann::json&);
    std::optional<Reply> doctorFix(const std::string&, const nlohmann::json&);
    std::optional<Reply> provisionTools(const std::string&, const nlohmann::json&);
    std::optional<Reply> testProxy(const std::string&, const nlohmann::json&);
    std::optional<Reply> proxyInfo(const std::string&, const nlohmann::json&);

    // Notifications: never answered.
    void cancelSync(const nlohmann::json& params);
    void reviewDecision(const nlohmann::json& params);

    // The playlists of a selection parameter; throws RequestError for a bad entry.
    std::vector<const PlaylistInfo*> selection(const nlohmann::json& params) const;

    const Switches& m_switches;
    LineWriter& m_out;
    const SampleLibrary m_library;
    const std::map<std::string, Handler, std::less<>> m_handlers;

    std::mutex m_stateMutex; // guards the configuration, the doctor and the trashed paths
    ConfigFile m_config;
    Doctor m_doctor;
    std::set<std::string> m_trashed;

    std::atomic<long> m_answered { 0 };
    std::unique_ptr<SyncRun> m_sync; // touched by the request loop only
    long m_runCounter = 0;
    Scheduler m_scheduler; // last: its thread stops before the rest goes away
};

} // namespace mivo::standin
