#include "LineWriter.h"

#include <cerrno>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace mivo::standin {

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
    std::string line = dumpJson(value);
    line.push_back('\n');
    std::lock_guard lock(m_mutex);
    writeAll(line);
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
