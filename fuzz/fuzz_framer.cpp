// Bytes cut into chunks of any size: the framer's lines hold no line feed, are
// never empty, and together with the rest give back every byte of the stream,
// less the line feeds and one carriage return before each.
#include "Transport/NDJSONFramer.h"

#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    mivo::NDJSONFramer framer;
    QByteArray stream;
    QList<QByteArray> lines;
    while (input.remaining_bytes() > 0) {
        const std::string chunk = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 64));
        stream.append(chunk.data(), qsizetype(chunk.size()));
        lines += framer.feed(QByteArrayView(chunk.data(), qsizetype(chunk.size())));
    }

    QList<QByteArray> expected;
    const QList<QByteArray> pieces = stream.split('\n');
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        QByteArray line = pieces[i];
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
    if (rest.endsWith('\r'))
        rest.chop(1);
    const std::optional<QByteArray> flushed = framer.flush();
    if (flushed.value_or(QByteArray()) != rest || (flushed && flushed->isEmpty()) || framer.bufferedSize() != 0)
        std::abort();
    return 0;
}
