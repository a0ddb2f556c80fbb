#include "Transport/NDJSONFramer.h"

#include <algorithm>
#include <utility>

namespace mivo {

NDJSONFramer::NDJSONFramer(qsizetype maxLineBytes)
    : m_maxLineBytes(std::max<qsizetype>(maxLineBytes, 1))
{
}

QList<QByteArray> NDJSONFramer::feed(QByteArrayView chunk)
{
    // Every byte of the chunk is looked at once: the buffer holds no line feed,
    // so only the chunk is searched.
    QList<QByteArray> lines;
    while (!chunk.isEmpty()) {
        const qsizetype end = chunk.indexOf('\n');
        const QByteArrayView piece = end < 0 ? chunk : chunk.first(end);
        chunk = end < 0 ? QByteArrayView() : chunk.sliced(end + 1);

        if (!m_skipping && m_buffer.size() + piece.size() > m_maxLineBytes) {
            m_buffer = QByteArray();
            m_skipping = true;
            ++m_droppedLines;
        }
        if (m_skipping) {
            if (end >= 0)
                m_skipping = false;
            continue;
        }
        if (end < 0) {
            append(piece);
            break;
        }
        if (m_buffer.isEmpty()) {
            const QByteArrayView line = trimCR(piece);
            if (!line.isEmpty())
                lines.append(line.toByteArray());
            continue;
        }
        // The end of a line that began in an earlier chunk (a long one usually
        // ends in its last chunk): the buffer is handed over, not copied.
        append(piece);
        QByteArray line = std::exchange(m_buffer, {});
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(std::move(line));
    }
    return lines;
}

void NDJSONFramer::append(QByteArrayView bytes)
{
    const qsizetype needed = m_buffer.size() + bytes.size();
    // Near the maximum the buffer grows to exactly the maximum once, instead of
    // doubling past it.
    if (needed > m_buffer.capacity() && needed > m_maxLineBytes / 2)
        m_buffer.reserve(m_maxLineBytes);
    m_buffer.append(bytes);
}

std::optional<QByteArray> NDJSONFramer::flush()
{
    const QByteArray rest = trimCR(m_buffer).toByteArray();
    clear();
    if (rest.isEmpty())
        return std::nullopt;
    return rest;
}

QByteArrayView NDJSONFramer::trimCR(QByteArrayView line)
{
    if (!line.isEmpty() && line.back() == '\r')
        return line.chopped(1);
    return line;
}

} // namespace mivo
