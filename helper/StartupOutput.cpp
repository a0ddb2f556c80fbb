#include "StartupOutput.h"

#include <array>

namespace mivo::standin {

namespace {

Json logEvent(const std::string& level, const std::string& message)
{
    Json line = Json::object();
    line["event"] = "log";
    line["data"] = Json::object();
    line["data"]["level"] = level;
    line["data"]["message"] = message;
    return line;
}

constexpr size_t kHugeMessageBytes = 4 * 1024 * 1024;

} // namespace

void writeNoise(LineWriter& out, const std::vector<std::string>& kinds)
{
    for (const auto& kind : kinds) {
        if (kind == "nonjson") {
            out.writeRaw("mivo helper starting (this line is not JSON)\n");
        } else if (kind == "badutf8") {
            out.writeRaw(
                "{\"event\":\"log\",\"data\":{\"level\":\"info\",\"message\":\"bad \xff\xfe utf-8\"}}\n");
        } else if (kind == "crlf") {
            out.writeRaw(dumpJson(logEvent("info", "crlf noise")) + "\r\n");
        } else if (kind == "lonecr") {
            out.writeRaw("\r\n");
        } else if (kind == "split") {
            const std::string line = dumpJson(logEvent("info", "split noise")) + "\n";
            const size_t half = line.size() / 2;
            out.writeSplit(std::string_view(line).substr(0, half), std::string_view(line).substr(half),
                std::chrono::milliseconds(50));
        } else if (kind == "huge") {
            out.writeLine(logEvent("debug", "huge noise " + std::string(kHugeMessageBytes, 'x')));
        } else if (kind == "empty") {
            out.writeRaw("\n");
        }
    }
}

void writeFlood(LineWriter& out, long count)
{
    if (count <= 0)
        return;
    static constexpr std::array kPhases { "searching", "downloading", "converting", "tagging", "verifying" };
    const std::string correlationId = "flood";
    for (long i = 0; i < count; ++i) {
        const std::string trackId = "spotify:pl-flood#" + std::to_string(i / 3);
        Json data = Json::object();
        switch (i % 3) {
        case 0:
            data["trackId"] = trackId;
            data["percent"] = static_cast<double>(i % 101);
            data["sizeText"] = "9.8 MB";
            data["speedText"] = "3.1 MB/s";
            out.event("downloadProgress", correlationId, std::move(data));
            break;
        case 1:
            data["trackId"] = trackId;
            data["phase"] = kPhases[static_cast<size_t>(i / 3) % kPhases.size()];
            out.event("step", correlationId, std::move(data));
            break;
        default:
            data["level"] = "debug";
            data["message"] = "flood " + std::to_string(i);
            out.event("log", correlationId, std::move(data));
        }
    }
    out.writeLine(logEvent("info", "flood done"));
}

} // namespace mivo::standin
