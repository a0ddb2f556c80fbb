#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

namespace mivo {

// Cuts the helper's standard-output byte stream, which arrives in chunks of any
// size, into complete lines (one JSON document each). Splitting works on raw
// bytes: a line feed cannot occur inside a multi-byte UTF-8 sequence, so no text
// decoding is needed here.
//
// A line is kept only up to a maximum length: once the bytes of one line pass
// it, what was gathered is let go and the bytes up to the next line feed are
// skipped without being kept, so the buffer never holds more than the maximum
// whatever the other side writes. Each such line counts once in
// droppedLineCount(), when it passes the maximum (it may never end).
class NDJSONFramer {
public:
    // Well above the longest real reply (a listing of 100,000 tracks is about
    // 24 MB).
    static constexpr qsizetype kDefaultMaxLineBytes = qsizetype(256) * 1024 * 1024;

    explicit NDJSONFramer(qsizetype maxLineBytes = kDefaultMaxLineBytes);

    // The complete, non-empty lines that this chunk finished, in arrival order;
    // one trailing carriage return is removed from each.
    QList<QByteArray> feed(QByteArrayView chunk);

    // The unterminated rest, or nothing when it is empty (or being skipped);
    // empties the buffer.
    std::optional<QByteArray> flush();

    // Forgets any partial line (the output of a child that has gone).
    void clear()
    {
        m_buffer.clear();
        m_skipping = false;
    }

    qsizetype bufferedSize() const { return m_buffer.size(); }
    qsizetype maxLineBytes() const { return m_maxLineBytes; }
    // How many lines were let go for passing the maximum, in all.
    quint64 droppedLineCount() const { return m_droppedLines; }

private:
    void append(QByteArrayView bytes);
    static QByteArrayView trimCR(QByteArrayView line);

    qsizetype m_maxLineBytes;
    // The start of a line whose line feed has not arrived yet; never holds a
    // line feed, nor more than m_maxLineBytes bytes.
    QByteArray m_buffer;
    // The current line passed the maximum: its bytes are skipped up to its end.
    bool m_skipping = false;
    quint64 m_droppedLines = 0;
};

} // namespace mivo
