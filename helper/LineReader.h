#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace mivo::standin {

// Cuts the bytes read from standard input into lines, keeping at most `maxLineBytes` of
// one line (its carriage return counted, its line feed not), as the application does with
// this helper's output. A line that grows past the maximum is reported once, as soon as it
// does; what was gathered of it is let go and the rest of it, up to the next line feed, is
// skipped without being kept. The buffer never holds more than the maximum.
class LineReader {
public:
    // The application's own maximum for one line.
    static constexpr size_t kDefaultMaxLineBytes = size_t(256) * 1024 * 1024;

    using LineHandler = std::function<void(std::string_view line)>;
    using TooLongHandler = std::function<void()>;

    LineReader(size_t maxLineBytes, LineHandler line, TooLongHandler tooLong);

    // Hands over every line this chunk completes (without its line feed), in order.
    void feed(std::string_view chunk);
    // Hands over the unterminated rest, if any; called once the input has ended.
    void finish();

    size_t maxLineBytes() const { return m_maxLineBytes; }

private:
    void append(std::string_view bytes);

    const size_t m_maxLineBytes;
    LineHandler m_line;
    TooLongHandler m_tooLong;
    // The start of a line whose line feed has not come yet; never holds a line feed.
    std::string m_buffer;
    // The current line passed the maximum: its bytes are skipped up to its end.
    bool m_skipping = false;
};

} // namespace mivo::standin
