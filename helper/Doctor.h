#pragma once

#include "LineWriter.h"

#include <string>

namespace mivo::standin {

// The helper's self-check: a handful of checks, some of which it can repair. The state
// of the repairable ones lives only as long as the process. Not thread-safe; the server
// guards it.
class Doctor {
public:
    // The checks as of now, given the current configuration.
    Json checks(const Json& config) const;

    // Repairs one check; a check that is already fine stays fine. Throws RequestError
    // (invalid_params) for an unknown check or one that cannot be repaired.
    void fix(const std::string& checkId);

    // The tools were installed by provisionTools.
    void toolsInstalled();

private:
    bool m_ytDlpInstalled = false;
    bool m_ffmpegCurrent = false;
    bool m_cacheTrimmed = false;
};

} // namespace mivo::standin
