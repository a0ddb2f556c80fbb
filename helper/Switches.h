#pragma once

#include "LineReader.h"

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace mivo::standin {

// How the helper dies when a crash switch fires: an exit status or a signal.
struct CrashHow {
    enum class Kind { exit, signal };
    Kind kind = Kind::exit;
    int value = 3;

    bool operator==(const CrashHow&) const = default;

    // Parses "exit:N" or "signal:N"; throws std::invalid_argument.
    static CrashHow parse(const std::string& text);
};

// Ends the process the way `how` says, at once; flushes nothing (output is unbuffered).
[[noreturn]] void die(const CrashHow& how);

// The behaviour switches read from the environment at start.
struct Switches {
    struct CrashAfter {
        long count = 0;
        CrashHow how;
    };
    struct CrashOn {
        std::string method;
        CrashHow how;
    };
    struct Library {
        long playlists = 0;
        long tracksEach = 0;
    };

    std::string configPath;
    std::optional<CrashHow> crashAtStart;
    std::optional<CrashAfter> crashAfter;
    std::optional<CrashOn> crashOn;
    std::map<std::string, std::chrono::milliseconds> delay;
    std::set<std::string> silent;
    std::set<std::string> doubleReply;
    std::set<std::string> wrongId;
    std::set<std::string> bare;
    std::map<std::string, std::string> fail;
    std::vector<std::string> noise;
    bool stderrDiagnostics = false;
    std::optional<Library> library;
    double eventRate = 50.0;
    long flood = 0;
    // The longest request line that is read; a longer one gets bad_request.
    size_t maxLineBytes = LineReader::kDefaultMaxLineBytes;

    // Reads every MIVO_STANDIN_* variable; throws std::invalid_argument naming the bad one.
    static Switches fromEnvironment();

    // The pause between two simulated events (zero when the rate is 0).
    std::chrono::microseconds eventInterval() const;
};

} // namespace mivo::standin
