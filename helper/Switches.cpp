#include "Switches.h"

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <unistd.h>

namespace mivo::standin {

namespace {

const std::set<std::string> kNoiseKinds { "nonjson", "badutf8", "crlf", "lonecr", "split", "huge", "empty" };

std::optional<std::string> env(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::vector<std::string> splitOn(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        const std::string_view part = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!part.empty())
            parts.emplace_back(part);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return parts;
}

long parseLong(const std::string& text, const char* variable)
{
    size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < 0)
        throw std::invalid_argument(std::string("bad number in ") + variable + ": " + text);
    return value;
}

std::set<std::string> methodSet(const char* variable)
{
    std::set<std::string> methods;
    if (auto value = env(variable))
        for (auto& method : splitOn(*value, ','))
            methods.insert(method);
    return methods;
}

// "<key>=<value>[;<key>=<value>...]"
std::map<std::string, std::string> pairs(const char* variable)
{
    std::map<std::string, std::string> result;
    if (auto value = env(variable)) {
        for (auto& entry : splitOn(*value, ';')) {
            const size_t eq = entry.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == entry.size())
                throw std::invalid_argument(std::string("bad entry in ") + variable + ": " + entry);
            result[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
    }
    return result;
}

// "<first>[,<how>]" with the default how "exit:3".
std::pair<std::string, CrashHow> withHow(const std::string& text, const char* variable)
{
    const size_t comma = text.find(',');
    if (comma == std::string::npos)
        return { text, CrashHow {} };
    try {
        return { text.substr(0, comma), CrashHow::parse(text.substr(comma + 1)) };
    } catch (const std::invalid_argument& error) {
        throw std::invalid_argument(std::string(variable) + ": " + error.what());
    }
}

std::string defaultConfigPath()
{
    std::string base;
    if (auto xdg = env("XDG_CONFIG_HOME"))
        base = *xdg;
    else if (auto home = env("HOME"))
        base = *home + "/.config";
    else
        base = ".config";
    return base + "/mivo-helper/config.json";
}

} // namespace

CrashHow CrashHow::parse(const std::string& text)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        throw std::invalid_argument("crash mode must be exit:N or signal:N, not " + text);
    const std::string kind = text.substr(0, colon);
    CrashHow how;
    if (kind == "exit")
        how.kind = Kind::exit;
    else if (kind == "signal")
        how.kind = Kind::signal;
    else
        throw std::invalid_argument("crash mode must be exit:N or signal:N, not " + text);
    how.value = static_cast<int>(parseLong(text.substr(colon + 1), "crash mode"));
    return how;
}

void die(const CrashHow& how)
{
    if (how.kind == CrashHow::Kind::signal) {
        std::signal(how.value, SIG_DFL);
        std::raise(how.value);
        // A signal whose default action does not end the process: end it as a shell would report it.
        _exit(128 + how.value);
    }
    _exit(how.value);
}

Switches Switches::fromEnvironment()
{
    Switches s;
    s.configPath = env("MIVO_STANDIN_CONFIG").value_or(defaultConfigPath());

    if (auto value = env("MIVO_STANDIN_CRASH_AT_START"))
        s.crashAtStart = CrashHow::parse(*value);

    if (auto value = env("MIVO_STANDIN_CRASH_AFTER")) {
        auto [count, how] = withHow(*value, "MIVO_STANDIN_CRASH_AFTER");
        s.crashAfter = CrashAfter { parseLong(count, "MIVO_STANDIN_CRASH_AFTER"), how };
    }

    if (auto value = env("MIVO_STANDIN_CRASH_ON")) {
        auto [method, how] = withHow(*value, "MIVO_STANDIN_CRASH_ON");
        s.crashOn = CrashOn { method, how };
    }

    for (auto& [method, ms] : pairs("MIVO_STANDIN_DELAY"))
        s.delay[method] = std::chrono::milliseconds(parseLong(ms, "MIVO_STANDIN_DELAY"));

    s.silent = methodSet("MIVO_STANDIN_SILENT");
    s.doubleReply = methodSet("MIVO_STANDIN_DOUBLE_REPLY");
    s.wrongId = methodSet("MIVO_STANDIN_WRONG_ID");
    s.bare = methodSet("MIVO_STANDIN_BARE");
    s.fail = pairs("MIVO_STANDIN_FAIL");

    if (auto value = env("MIVO_STANDIN_NOISE")) {
        for (auto& kind : splitOn(*value, ',')) {
            if (!kNoiseKinds.contains(kind))
                throw std::invalid_argument("unknown noise kind in MIVO_STANDIN_NOISE: " + kind);
            s.noise.push_back(kind);
        }
    }

    s.stderrDiagnostics = env("MIVO_STANDIN_STDERR").value_or("0") != "0";

    if (auto value = env("MIVO_STANDIN_LIBRARY")) {
        const size_t x = value->find('x');
        if (x == std::string::npos)
            throw std::invalid_argument("MIVO_STANDIN_LIBRARY must be <N>x<M>, not " + *value);
        s.library = Library { parseLong(value->substr(0, x), "MIVO_STANDIN_LIBRARY"),
            parseLong(value->substr(x + 1), "MIVO_STANDIN_LIBRARY") };
    }

    if (auto value = env("MIVO_STANDIN_EVENT_RATE")) {
        size_t used = 0;
        double rate = -1;
        try {
            rate = std::stod(*value, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != value->size() || !(rate >= 0))
            throw std::invalid_argument("bad number in MIVO_STANDIN_EVENT_RATE: " + *value);
        s.eventRate = rate;
    }

    if (auto value = env("MIVO_STANDIN_FLOOD"))
        s.flood = parseLong(*value, "MIVO_STANDIN_FLOOD");

    if (auto value = env("MIVO_STANDIN_MAX_LINE")) {
        const long bytes = parseLong(*value, "MIVO_STANDIN_MAX_LINE");
        if (bytes == 0)
            throw std::invalid_argument("MIVO_STANDIN_MAX_LINE must be at least 1");
        s.maxLineBytes = static_cast<size_t>(bytes);
    }

    return s;
}

std::chrono::microseconds Switches::eventInterval() const
{
    if (eventRate <= 0)
        return std::chrono::microseconds(0);
    return std::chrono::microseconds(static_cast<long long>(1'000'000.0 / eventRate));
}

} // namespace mivo::standin
