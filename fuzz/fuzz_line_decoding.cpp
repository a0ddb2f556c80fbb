// One line of helper output, read as a reply and as an event: whatever decodes
// encodes to one line that decodes to an equal value.
#include "Transport/Response.h"
#include "Transport/ServerEvent.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView line(reinterpret_cast<const char*>(data), qsizetype(size));
    checkRoundTrip<mivo::Response>(line);
    checkRoundTrip<mivo::ServerEvent>(line);
    return 0;
}
