#include "Transport/WireCoding.h"

#include "Base/Utf8.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace mivo {

namespace {

// Integers up to this magnitude are exact in a double.
constexpr double kMaxExactInteger = 9007199254740992.0; // 2^53
constexpr double kInt64Bound = 9223372036854775808.0; // 2^63

std::string describe(const nlohmann::json& json)
{
    switch (json.type()) {
    case nlohmann::json::value_t::null:
        return "null";
    case nlohmann::json::value_t::boolean:
        return "a boolean";
    case nlohmann::json::value_t::string:
        return "a string";
    case nlohmann::json::value_t::array:
        return "an array";
    case nlohmann::json::value_t::object:
        return "an object";
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
    case nlohmann::json::value_t::number_float:
        return "a number";
    case nlohmann::json::value_t::binary:
        return "binary data";
    case nlohmann::json::value_t::discarded:
        break;
    }
    return "a discarded value";
}

// The library's messages start with an internal tag such as
// "[json.exception.parse_error.101] "; the rest is the useful part.
std::string withoutLibraryTag(const char* message)
{
    std::string text(message);
    if (!text.empty() && text.front() == '[') {
        const auto end = text.find("] ");
        if (end != std::string::npos)
            text.erase(0, end + 2);
    }
    return text;
}

// Depth of [ and { outside strings never exceeds the limit. Malformed text is
// left to the parser, which rejects it with a precise reason.
void checkNestingDepth(QByteArrayView bytes)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : bytes) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonNestingDepth)
                throw DecodeError("nesting deeper than " + std::to_string(kMaxJsonNestingDepth) + " levels");
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
}

void checkLine(QByteArrayView bytes)
{
    if (bytes.trimmed().isEmpty())
        throw DecodeError("empty line");
    checkNestingDepth(bytes);
}

} // namespace

DecodeError::DecodeError(const std::string& reason, const std::string& path)
    : std::runtime_error(path.empty() ? reason : "at " + path + ": " + reason)
    , m_reason(reason)
    , m_path(path)
{
}

DecodeError DecodeError::inKey(std::string_view key) const
{
    std::string path(key);
    if (!m_path.empty()) {
        if (m_path.front() != '[')
            path += '.';
        path += m_path;
    }
    return DecodeError(m_reason, path);
}

DecodeError DecodeError::atIndex(size_t index) const
{
    std::string path = "[" + std::to_string(index) + "]";
    if (!m_path.empty()) {
        if (m_path.front() != '[')
            path += '.';
        path += m_path;
    }
    return DecodeError(m_reason, path);
}

nlohmann::json parseJsonLine(QByteArrayView bytes)
{
    checkLine(bytes);
    try {
        return nlohmann::json::parse(bytes.begin(), bytes.end());
    } catch (const nlohmann::json::exception& error) {
        throw DecodeError(withoutLibraryTag(error.what()));
    }
}

nlohmann::json parseJsonLineWithout(QByteArrayView bytes, std::string_view key, bool& leftOut)
{
    checkLine(bytes);
    leftOut = false;
    // Depth 1 holds the top-level keys and the containers that are their values.
    bool atKey = false;
    const nlohmann::json::parser_callback_t leaveOut
        = [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
              if (depth != 1)
                  return true;
              switch (event) {
              case nlohmann::json::parse_event_t::key:
                  atKey = parsed.get_ref<const std::string&>() == key;
                  return true;
              case nlohmann::json::parse_event_t::object_start:
              case nlohmann::json::parse_event_t::array_start:
                  if (std::exchange(atKey, false)) {
                      leftOut = true;
                      return false;
                  }
                  return true;
              default:
                  atKey = false;
                  return true;
              }
          };
    try {
        return nlohmann::json::parse(bytes.begin(), bytes.end(), leaveOut);
    } catch (const nlohmann::json::exception& error) {
        throw DecodeError(withoutLibraryTag(error.what()));
    }
}

QByteArray dumpJson(const nlohmann::ordered_json& json)
{
    try {
        return QByteArray::fromStdString(
            json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    } catch (const nlohmann::json::exception& error) {
        throw EncodeError(withoutLibraryTag(error.what()));
    }
}

namespace wire {

std::string jsonTypeName(const nlohmann::json& json)
{
    return describe(json);
}

void throwTypeMismatch(std::string_view expected, const nlohmann::json& found)
{
    throw DecodeError("expected " + std::string(expected) + ", found " + describe(found));
}

QString decodeString(const nlohmann::json& json)
{
    const auto* text = json.get_ptr<const nlohmann::json::string_t*>();
    if (!text)
        throwTypeMismatch("a string", json);
    return decodeUtf8Exact(QByteArrayView(text->data(), qsizetype(text->size())));
}

bool decodeBool(const nlohmann::json& json)
{
    const auto* value = json.get_ptr<const nlohmann::json::boolean_t*>();
    if (!value)
        throwTypeMismatch("a boolean", json);
    return *value;
}

qint64 decodeInt(const nlohmann::json& json)
{
    // The unsigned case first: the library also hands out an unsigned number
    // through the signed pointer, reinterpreting values above 2^63 - 1.
    if (const auto* value = json.get_ptr<const nlohmann::json::number_unsigned_t*>()) {
        if (*value <= std::uint64_t(std::numeric_limits<qint64>::max()))
            return qint64(*value);
    } else if (const auto* value = json.get_ptr<const nlohmann::json::number_integer_t*>()) {
        return *value;
    } else if (const auto* value = json.get_ptr<const nlohmann::json::number_float_t*>()) {
        // 1.0 and 1e2 are whole numbers and read as integers; 1.5 is not. Both
        // bounds are exclusive: an integer just outside 64 bits arrives here
        // rounded onto the bound (-2^63 - 1 reads as -2^63).
        if (std::trunc(*value) == *value && *value > -kInt64Bound && *value < kInt64Bound)
            return qint64(*value);
    } else {
        throwTypeMismatch("an integer", json);
    }
    throw DecodeError("number " + json.dump() + " does not fit in Int");
}

double decodeDouble(const nlohmann::json& json)
{
    if (const auto* value = json.get_ptr<const nlohmann::json::number_float_t*>())
        return *value;
    if (const auto* value = json.get_ptr<const nlohmann::json::number_unsigned_t*>())
        return double(*value);
    if (const auto* value = json.get_ptr<const nlohmann::json::number_integer_t*>())
        return double(*value);
    throwTypeMismatch("a number", json);
}

nlohmann::ordered_json encodeString(const QString& value)
{
    return nlohmann::ordered_json(encodeUtf8Exact(value).toStdString());
}

nlohmann::ordered_json encodeDouble(double value)
{
    if (!std::isfinite(value))
        throw EncodeError("cannot encode the non-finite number " + std::to_string(value));
    // Whole numbers are written without a fraction (2, not 2.0).
    if (std::trunc(value) == value && std::fabs(value) <= kMaxExactInteger)
        return nlohmann::ordered_json(std::int64_t(value));
    return nlohmann::ordered_json(value);
}

const nlohmann::json& expectObject(const nlohmann::json& json)
{
    if (!json.is_object())
        throwTypeMismatch("an object", json);
    return json;
}

std::string_view bareTypeName(std::string_view qualified)
{
    const auto separator = qualified.rfind("::");
    return separator == std::string_view::npos ? qualified : qualified.substr(separator + 2);
}

} // namespace wire

} // namespace mivo
