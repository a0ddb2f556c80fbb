#pragma once

#include "LineWriter.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mivo::standin {

// The helper's configuration, kept as one JSON file in the shape of the getConfig result.
// Secrets are never kept: storing a token only sets the matching connected flag. Not
// thread-safe; the server guards it.
//
// A file that exists but cannot be read (no permission, a folder at that path) is never
// taken for "no file yet": reading and every change fail with the reason, and nothing is
// written over it. A file that is not a JSON object is moved aside next to it
// ("config.json.corrupt-<UTC time>") and the defaults are used; the next reader is told
// once (takeNotice).
//
// What the file holds beyond what this helper uses is kept: a key it does not know, and a
// value it cannot use (its default stands in, and the next reader is told once). A change
// writes only the settings it names, over the file as it was read; every other key and
// value stays as it is.
class ConfigFile {
public:
    explicit ConfigFile(std::string path);

    const std::string& path() const { return m_path; }
    // Why the file could not be read in full at start (empty when it was fine or absent).
    const std::string& loadProblem() const { return m_loadProblem; }

    // The full configuration, keys in their wire order; the defaults while the file
    // cannot be read, and in place of each value that cannot be used.
    const Json& safeConfig() const { return m_config; }

    // Reads the file again when it could not be read before, then throws RequestError
    // (internal) when it still cannot: the configuration is not known.
    void requireReadable();

    // What the user should hear once about the file (it was moved aside), and then never
    // again; empty when there is nothing to say.
    std::string takeNotice();

    // Changes exactly the settings present in the patch; a null value counts as absent and
    // unknown keys are ignored. Either every change is saved or none is made. Throws
    // RequestError (invalid_params for a bad value, internal when the file cannot be written).
    void applyPatch(const nlohmann::json& patch);

    // Records that an account's secret was stored (true) or removed (false). A client id
    // given with a Spotify token becomes the effective client id. Throws RequestError.
    void setAccount(
        std::string_view service, bool connected, const std::optional<std::string>& clientId = {});

    static Json defaults();
    static constexpr const char* kDefaultSpotifyClientId = "mivo-standin-spotify";

private:
    void load();
    // Makes `next` the configuration, writing the settings at `named` (JSON pointers into
    // it) over the file as it was read; nothing is written when no named setting differs.
    void commit(Json next, const std::vector<std::string>& named);
    void save(const Json& config) const;

    std::string m_path;
    std::string m_loadProblem;
    // Why the file cannot be read; empty when it could or there is none.
    std::string m_unreadable;
    std::string m_notice;
    Json m_config;
    // The file's object as it was read or last written, keys in its own order; empty when
    // there is no file yet.
    Json m_stored = Json::object();
};

} // namespace mivo::standin
