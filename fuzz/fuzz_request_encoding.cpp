// Requests with arbitrary field values always encode as one JSON object on one
// line, and every string arrives as it was, lone surrogates aside (they become
// U+FFFD, as UTF-8 cannot carry them).
#include "Base/Utf8.h"
#include "Transport/Request.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

using namespace mivo;

namespace {

// Any UTF-16 code units, lone surrogates included.
QString anyText(FuzzedDataProvider& input)
{
    QString text;
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 24);
    for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i)
        text.append(QChar(input.ConsumeIntegral<char16_t>()));
    return text;
}

QString withoutLoneSurrogates(const QString& text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (result[i].isHighSurrogate() && i + 1 < result.size() && result[i + 1].isLowSurrogate())
            ++i;
        else if (result[i].isSurrogate())
            result[i] = QChar::ReplacementCharacter;
    }
    return result;
}

[[noreturn]] void fail(const char* why, const QByteArray& line)
{
    std::fprintf(stderr, "%s:\n%s\n", why, line.constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString id = anyText(input);
    const QString first = anyText(input);
    const QString second = anyText(input);
    Request request;
    const char* firstKey = nullptr;
    switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0:
        request = Request::cancelSync(first);
        firstKey = "runId";
        break;
    case 1:
        request = Request::storeAccountToken(AccountService::soundcloud, first, second);
        firstKey = "token";
        break;
    case 2:
        request = Request::getPlaylistTracks(PlaylistSourceId::spotify, first, second);
        firstKey = "id";
        break;
    case 3:
        request = Request::reviewDecision(second, first, ReviewDecision::url(second));
        firstKey = "trackId";
        break;
    default:
        request = Request::trashOrphans({ first, second });
        break;
    }

    const QByteArray line = request.encodedLine(id);
    if (line.contains('\n'))
        fail("a line feed in the line", line);
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(line.begin(), line.end());
    } catch (const nlohmann::json::exception&) {
        fail("not valid JSON", line);
    }
    if (!json.is_object() || !json.contains("id") || !json["id"].is_string())
        fail("not a request object", line);
    const auto text = [](const nlohmann::json& value) {
        const std::string& utf8 = value.get_ref<const std::string&>();
        return decodeUtf8Exact(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
    };
    if (text(json["id"]) != withoutLoneSurrogates(id))
        fail("the id changed", line);
    if (firstKey && text(json["params"][firstKey]) != withoutLoneSurrogates(first))
        fail("a parameter changed", line);
    return 0;
}
