#include "Transport/NDJSONFramer.h"

#include <utility>

namespace mivo {

QList<QByteArray> NDJSONFramer::feed(QByteArrayView chunk)
{
    if (chunk.isEmpty())
        return {};
    m_buffer.append(chunk);
    return drainCompleteLines();
}

QList<QByteArray> NDJSONFramer::drainCompleteLines()
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    qsizetype searchFrom = m_scanned;
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n', searchFrom);
        if (end < 0)
            break;
        if (start == 0 && end == m_buffer.size() - 1) {
            // The buffer holds exactly one line (a long one usually ends its last
            // chunk): hand it over instead of copying it.
            QByteArray line = std::exchange(m_buffer, {});
            line.chop(line.endsWith("\r\n") ? 2 : 1);
            if (!line.isEmpty())
                lines.append(std::move(line));
            m_scanned = 0;
            return lines;
        }
        const QByteArrayView line = trimCR(QByteArrayView(m_buffer).sliced(start, end - start));
        if (!line.isEmpty())
            lines.append(line.toByteArray());
        start = end + 1;
        searchFrom = start;
    }
    // Remove the consumed bytes once, so that a chunk holding many lines costs
    // one move of the remainder rather than one per line.
    if (start > 0)
        m_buffer.remove(0, start);
    m_scanned = m_buffer.size();
    return lines;
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
