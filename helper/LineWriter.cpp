#include "LineWriter.h"

#include <cerrno>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace mivo::standin {

namespace {

// How much of a line is gathered before it is written out.
constexpr size_t kBlockBytes = 64 * 1024;

} // namespace

std::string dumpJson(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

LineWriter::LineWriter()
{
    // A reader that goes away must not kill the helper; writes then fail with EPIPE.
    std::signal(SIGPIPE, SIG_IGN);
}

void LineWriter::writeLine(const Json& value)
{
    std::lock_guard lock(m_mutex);
    std::string pending;
    appendStreamed(value, 0, pending);
    pending.push_back('\n');
    writeAll(pending);
}

void LineWriter::appendStreamed(const Json& value, int depth, std::string& pending)
{
    // Arrays are taken element by element, and the objects of the two outer levels
    // (the line, its result) member by member; anything else is written whole.
    if (value.is_array()) {
        pending.push_back('[');
        for (auto element = value.begin(); element != value.end(); ++element) {
            if (element != value.begin())
                pending.push_back(',');
            appendStreamed(*element, depth + 1, pending);
        }
        pending.push_back(']');
    } else if (value.is_object() && depth < 2) {
        pending.push_back('{');
        for (auto member = value.begin(); member != value.end(); ++member) {
            if (member != value.begin())
                pending.push_back(',');
            pending += dumpJson(member.key());
            pending.push_back(':');
            appendStreamed(member.value(), depth + 1, pending);
        }
        pending.push_back('}');
    } else {
        pending += dumpJson(value);
    }
    if (pending.size() >= kBlockBytes) {
        writeAll(pending);
        pending.clear();
    }
}

void LineWriter::writeRaw(std::string_view bytes)
{
    std::lock_guard lock(m_mutex);
    writeAll(bytes);
}

void LineWriter::writeSplit(std::string_view first, std::string_view second, std::chrono::milliseconds pause)
{
    std::lock_guard lock(m_mutex);
    writeAll(first);
    std::this_thread::sleep_for(pause);
    writeAll(second);
}

void LineWriter::event(std::string_view kind, const std::optional<std::string>& correlationId, Json data)
{
    Json line = Json::object();
    line["event"] = kind;
    if (correlationId)
        line["correlationId"] = *correlationId;
    line["data"] = std::move(data);
    writeLine(line);
}

void LineWriter::writeAll(std::string_view bytes)
{
    while (!m_closed && !bytes.empty()) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            m_closed = true;
            return;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

} // namespace mivo::standin
