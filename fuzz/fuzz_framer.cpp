// Bytes cut into chunks of any size, under a line maximum of any size: the
// framer's lines hold no line feed, are never empty, and together with the rest
// give back every line of the stream no longer than the maximum, less the line
// feeds and one carriage return before each; every longer line counts once as
// dropped, and the buffer never holds more than the maximum.
#include "Transport/NDJSONFramer.h"

#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const qsizetype maxLineBytes = input.ConsumeIntegralInRange<qsizetype>(1, 80);
    mivo::NDJSONFramer framer(maxLineBytes);
    QByteArray stream;
    QList<QByteArray> lines;
    while (input.remaining_bytes() > 0) {
        const std::string chunk = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 64));
        stream.append(chunk.data(), qsizetype(chunk.size()));
        lines += framer.feed(QByteArrayView(chunk.data(), qsizetype(chunk.size())));
        if (framer.bufferedSize() > maxLineBytes)
            std::abort();
    }

    QList<QByteArray> expected;
    quint64 dropped = 0;
    const QList<QByteArray> pieces = stream.split('\n');
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        QByteArray line = pieces[i];
        if (line.size() > maxLineBytes) {
            ++dropped;
            continue;
        }
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            expected.append(line);
    }
    for (const QByteArray& line : lines) {
        if (line.isEmpty() || line.contains('\n'))
            std::abort();
    }
    if (lines != expected)
        std::abort();

    QByteArray rest = pieces.last();
    if (rest.size() > maxLineBytes) {
        ++dropped;
        rest.clear();
    }
    if (framer.droppedLineCount() != dropped)
        std::abort();
    if (rest.endsWith('\r'))
        rest.chop(1);
    const std::optional<QByteArray> flushed = framer.flush();
    if (flushed.value_or(QByteArray()) != rest || (flushed && flushed->isEmpty()) || framer.bufferedSize() != 0)
        std::abort();
    return 0;
}
