#include "LineReader.h"

#include <algorithm>
#include <utility>

namespace mivo::standin {

LineReader::LineReader(size_t maxLineBytes, LineHandler line, TooLongHandler tooLong)
    : m_maxLineBytes(std::max<size_t>(maxLineBytes, 1))
    , m_line(std::move(line))
    , m_tooLong(std::move(tooLong))
{
}

void LineReader::feed(std::string_view chunk)
{
    while (!chunk.empty()) {
        const size_t end = chunk.find('\n');
        const std::string_view piece = chunk.substr(0, end);
        chunk = end == std::string_view::npos ? std::string_view() : chunk.substr(end + 1);

        if (!m_skipping && m_buffer.size() + piece.size() > m_maxLineBytes) {
            // Let go at once, not only once the line ends: it may never end.
            std::string().swap(m_buffer);
            m_skipping = true;
            m_tooLong();
        }
        if (m_skipping) {
            if (end != std::string_view::npos)
                m_skipping = false;
            continue;
        }
        if (end == std::string_view::npos) {
            append(piece);
            break;
        }
        if (m_buffer.empty()) {
            m_line(piece);
            continue;
        }
        append(piece);
        const std::string line = std::exchange(m_buffer, {});
        m_line(line);
    }
}

void LineReader::append(std::string_view bytes)
{
    // Near the maximum the buffer grows to exactly the maximum once, instead of
    // doubling past it.
    const size_t needed = m_buffer.size() + bytes.size();
    if (needed > m_buffer.capacity() && needed > m_maxLineBytes / 2)
        m_buffer.reserve(m_maxLineBytes);
    m_buffer.append(bytes);
}

void LineReader::finish()
{
    if (!m_skipping && !m_buffer.empty())
        m_line(std::exchange(m_buffer, {}));
    m_buffer.clear();
    m_skipping = false;
}

} // namespace mivo::standin
