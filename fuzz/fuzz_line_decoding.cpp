// One line of helper output, read as a reply and as an event: whatever decodes
// encodes to one line that decodes to an equal value. The records of a reply
// read straight from its text are the records its parsed result gives.
#include "Transport/Response.h"
#include "Transport/ResultRecords.h"
#include "Transport/ServerEvent.h"
#include "Transport/StreamedRecords.h"
#include "Transport/WireCoding.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

template <typename T> void checkRoundTrip(QByteArrayView line)
{
    std::optional<T> first;
    try {
        first = T::decode(line);
    } catch (const mivo::DecodeError&) {
        return;
    }
    // Nothing a decoded value holds may fail to encode or to decode again.
    const QByteArray encoded = first->encodedLine();
    const T second = T::decode(encoded);
    if (encoded.contains('\n') || !(second == *first)) {
        std::fprintf(stderr, "round trip changed the value:\n%s\n", encoded.constData());
        std::abort();
    }
}

// Records read straight from a reply's text are the records its parsed result
// decodes to; the parsed result may refuse only what the text reader leaves alone.
template <typename Parse> void expectSame(const QList<mivo::PreviewTrackDTO>& streamed, Parse parse)
{
    try {
        if (parse() == streamed)
            return;
        std::fprintf(stderr, "the text reader and the parsed result differ\n");
    } catch (const mivo::DecodeError& error) {
        std::fprintf(stderr, "read from the text, refused when parsed: %s\n", error.what());
    }
    std::abort();
}

void checkStreamedReads(QByteArrayView line)
{
    std::optional<mivo::Response> reply;
    try {
        reply = mivo::Response::decode(line);
    } catch (const mivo::DecodeError&) {
        return;
    }
    const mivo::JSONValue result = reply->result.value_or(mivo::JSONValue());
    using Tracks = QList<mivo::PreviewTrackDTO>;
    if (const auto streamed = mivo::StreamedRecords::read<mivo::PreviewTrackDTO>(line, "result", "tracks"))
        expectSame(*streamed, [&] { return mivo::decodeValue<mivo::PreviewTracksResult>(result).tracks; });
    if (const auto streamed = mivo::StreamedRecords::read<mivo::PreviewTrackDTO>(line, "result"))
        expectSame(*streamed, [&] { return mivo::decodeValue<Tracks>(result); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView line(reinterpret_cast<const char*>(data), qsizetype(size));
    checkRoundTrip<mivo::Response>(line);
    checkRoundTrip<mivo::ServerEvent>(line);
    checkStreamedReads(line);
    return 0;
}
