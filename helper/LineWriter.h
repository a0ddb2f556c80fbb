#pragma once

#include <chrono>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace mivo::standin {

using Json = nlohmann::ordered_json;

// Compact UTF-8 text of a JSON value (slashes are not escaped).
std::string dumpJson(const Json& value);

// The helper's standard output. Every write is one whole line under one lock, so the
// request loop, the scheduler and a running sync never interleave their lines. Once the
// reader has gone away (a broken pipe) further output is dropped.
class LineWriter {
public:
    LineWriter();

    void writeLine(const Json& value);
    // Writes the bytes as they are; the caller supplies any line terminator.
    void writeRaw(std::string_view bytes);
    // Writes `first`, waits `pause`, then writes `second`, holding the lock throughout.
    void writeSplit(std::string_view first, std::string_view second, std::chrono::milliseconds pause);

    void event(std::string_view kind, const std::optional<std::string>& correlationId, Json data);

private:
    // Appends the compact text of `value` (as dumpJson writes it) to `pending`, and
    // writes out what is pending whenever it has grown to a block: a long line (a
    // playlist of thousands of tracks) goes out while the rest is still being written.
    void appendStreamed(const Json& value, int depth, std::string& pending);
    void writeAll(std::string_view bytes);

    std::mutex m_mutex;
    bool m_closed = false;
};

} // namespace mivo::standin
