#pragma once

#include "LineWriter.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace mivo::standin {

// The helper's configuration, kept as one JSON file in the shape of the getConfig result.
// Secrets are never kept: storing a token only sets the matching connected flag. Not
// thread-safe; the server guards it.
class ConfigFile {
public:
    explicit ConfigFile(std::string path);

    const std::string& path() const { return m_path; }
    // Why the file could not be read in full at start (empty when it was fine or absent).
    const std::string& loadProblem() const { return m_loadProblem; }

    // The full configuration, keys in their wire order.
    const Json& safeConfig() const { return m_config; }

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
    void save(const Json& config) const;

    std::string m_path;
    std::string m_loadProblem;
    Json m_config;
};

} // namespace mivo::standin
