#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

namespace mivo {

// Cuts the helper's standard-output byte stream, which arrives in chunks of any
// size, into complete lines (one JSON document each). Splitting works on raw
// bytes: a line feed cannot occur inside a multi-byte UTF-8 sequence, so no text
// decoding is needed here. The buffer has no maximum length.
class NDJSONFramer {
public:
    // The complete, non-empty lines that this chunk finished, in arrival order;
    // one trailing carriage return is removed from each.
    QList<QByteArray> feed(QByteArrayView chunk);

    // The unterminated rest, or nothing when it is empty; empties the buffer.
    std::optional<QByteArray> flush();

    // Forgets any partial line (the output of a child that has gone).
    void clear()
    {
        m_buffer.clear();
        m_scanned = 0;
    }

    qsizetype bufferedSize() const { return m_buffer.size(); }

private:
    QList<QByteArray> drainCompleteLines();
    static QByteArrayView trimCR(QByteArrayView line);

    QByteArray m_buffer;
    // Leading bytes of the buffer already known to hold no line feed, so that a
    // long line arriving in many chunks is scanned once, not once per chunk.
    qsizetype m_scanned = 0;
};

} // namespace mivo
