#pragma once

#include "Transport/JSONValue.h"
#include "Transport/Vocabulary.h"
#include "Transport/WireRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

// JSON coding of the helper wire protocol.
//
// Rules shared by every record: keys are written in declared order; an optional
// field is omitted when empty (never written as null) and reads as empty when
// its key is missing or null; unknown keys are ignored; a missing or wrongly
// typed required key, or a string outside its vocabulary, fails the whole record.
// Decoding is strict where the JSON library is lenient: a boolean is never a
// number, an integer field rejects fractions and values outside 64 bits, and a
// string field rejects everything that is not a string.
namespace mivo {

// A byte string or JSON value that is not what was expected; what() gives the
// reason, prefixed with the path of the offending key when there is one.
struct DecodeError : std::runtime_error {
    explicit DecodeError(const std::string& reason, const std::string& path = {});

    const std::string& reason() const noexcept { return m_reason; }
    const std::string& path() const noexcept { return m_path; }

    // The same failure, one level further out: inside the given key or array element.
    DecodeError inKey(std::string_view key) const;
    DecodeError atIndex(size_t index) const;

private:
    std::string m_reason;
    std::string m_path;
};

// A value that JSON cannot carry (a non-finite number).
struct EncodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Deeper nesting is refused before parsing, so that no recursive walk over a
// parsed value can exhaust the stack.
inline constexpr int kMaxJsonNestingDepth = 512;

// Parses one line holding one JSON value (surrounding white space allowed).
// Throws DecodeError for anything else: empty input, invalid UTF-8, truncated or
// trailing text, numbers beyond double range, nesting deeper than the limit.
nlohmann::json parseJsonLine(QByteArrayView bytes);

// parseJsonLine, leaving out the value of the object's top-level key `key` when
// that is an array or an object: the key is then missing from the value
// returned, and `leftOut` is set. The same rules and errors as parseJsonLine.
nlohmann::json parseJsonLineWithout(QByteArrayView bytes, std::string_view key, bool& leftOut);

// Compact UTF-8 text; slashes are not escaped.
QByteArray dumpJson(const nlohmann::ordered_json& json);

namespace wire {

template <typename T> inline constexpr bool isList = false;
template <typename T> inline constexpr bool isList<QList<T>> = true;

template <typename T> inline constexpr bool isOptional = false;
template <typename T> inline constexpr bool isOptional<std::optional<T>> = true;

// The kind of a JSON value, for error texts ("a string", "null", ...).
std::string jsonTypeName(const nlohmann::json& json);

[[noreturn]] void throwTypeMismatch(std::string_view expected, const nlohmann::json& found);

QString decodeString(const nlohmann::json& json);
bool decodeBool(const nlohmann::json& json);
qint64 decodeInt(const nlohmann::json& json);
double decodeDouble(const nlohmann::json& json);
nlohmann::ordered_json encodeString(const QString& value);
nlohmann::ordered_json encodeDouble(double value);

// A JSONValue as the parser's JSON type, ready to be decoded; throws EncodeError
// for a non-finite number.
nlohmann::json plainJson(const JSONValue& value);

// The object itself; throws a type mismatch for any other JSON value.
const nlohmann::json& expectObject(const nlohmann::json& json);

std::string_view bareTypeName(std::string_view qualified);

} // namespace wire

template <typename T> T decodeValue(const nlohmann::json& json);
template <typename T> nlohmann::ordered_json encodeValue(const T& value);

template <typename T> QString wireTypeName()
{
    if constexpr (std::is_same_v<T, QString>)
        return QStringLiteral("String");
    else if constexpr (std::is_same_v<T, bool>)
        return QStringLiteral("Bool");
    else if constexpr (std::is_same_v<T, qint64>)
        return QStringLiteral("Int");
    else if constexpr (std::is_same_v<T, double>)
        return QStringLiteral("Double");
    else if constexpr (std::is_same_v<T, JSONValue>)
        return QStringLiteral("JSONValue");
    else if constexpr (wire::isList<T>)
        return QStringLiteral("Array<%1>").arg(wireTypeName<typename T::value_type>());
    else if constexpr (wire::isOptional<T>)
        return QStringLiteral("Optional<%1>").arg(wireTypeName<typename T::value_type>());
    else if constexpr (Vocabulary<T>) {
        const std::string_view name = wire::bareTypeName(vocabularyName<T>());
        return QString::fromUtf8(name.data(), qsizetype(name.size()));
    } else {
        static_assert(WireRecord<T>, "wireTypeName: not a wire type");
        const std::string_view name = wire::bareTypeName(WireRecordTraits<T>::name);
        return QString::fromUtf8(name.data(), qsizetype(name.size()));
    }
}

template <typename T> T decodeValue(const nlohmann::json& json)
{
    if constexpr (std::is_same_v<T, QString>) {
        return wire::decodeString(json);
    } else if constexpr (std::is_same_v<T, bool>) {
        return wire::decodeBool(json);
    } else if constexpr (std::is_same_v<T, qint64>) {
        return wire::decodeInt(json);
    } else if constexpr (std::is_same_v<T, double>) {
        return wire::decodeDouble(json);
    } else if constexpr (std::is_same_v<T, JSONValue>) {
        return JSONValue::fromJson(json);
    } else if constexpr (wire::isOptional<T>) {
        if (json.is_null())
            return std::nullopt;
        return decodeValue<typename T::value_type>(json);
    } else if constexpr (wire::isList<T>) {
        if (!json.is_array())
            wire::throwTypeMismatch("an array", json);
        T list;
        list.reserve(qsizetype(json.size()));
        size_t index = 0;
        for (const auto& element : json) {
            try {
                list.append(decodeValue<typename T::value_type>(element));
            } catch (const DecodeError& error) {
                throw error.atIndex(index);
            }
            ++index;
        }
        return list;
    } else if constexpr (Vocabulary<T>) {
        if (!json.is_string())
            wire::throwTypeMismatch("a string", json);
        const auto& text = json.get_ref<const std::string&>();
        if (const auto value = fromRawValue<T>(text))
            return *value;
        throw DecodeError(
            "\"" + text + "\" is not a " + std::string(wire::bareTypeName(vocabularyName<T>())) + " value");
    } else {
        static_assert(WireRecord<T>, "decodeValue: not a wire type");
        T value {};
        fromJson(json, value);
        return value;
    }
}

// A whole JSONValue read as T (the result of a reply read as a record, for
// example). A tree that JSON cannot carry (a non-finite number) fails as a
// DecodeError too.
template <typename T> T decodeValue(const JSONValue& value)
{
    if (const nlohmann::json* parsed = value.adopted())
        return decodeValue<T>(*parsed);
    nlohmann::json json;
    try {
        json = wire::plainJson(value);
    } catch (const EncodeError& error) {
        throw DecodeError(error.what());
    }
    return decodeValue<T>(json);
}

template <typename T> nlohmann::ordered_json encodeValue(const T& value)
{
    if constexpr (std::is_same_v<T, QString>) {
        return wire::encodeString(value);
    } else if constexpr (std::is_same_v<T, bool>) {
        return nlohmann::ordered_json(value);
    } else if constexpr (std::is_same_v<T, qint64>) {
        return nlohmann::ordered_json(std::int64_t(value));
    } else if constexpr (std::is_same_v<T, double>) {
        return wire::encodeDouble(value);
    } else if constexpr (std::is_same_v<T, JSONValue>) {
        return toJson(value);
    } else if constexpr (wire::isOptional<T>) {
        if (!value)
            return nullptr;
        return encodeValue(*value);
    } else if constexpr (wire::isList<T>) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        array.get_ref<nlohmann::ordered_json::array_t&>().reserve(size_t(value.size()));
        for (const auto& element : value)
            array.push_back(encodeValue(element));
        return array;
    } else if constexpr (Vocabulary<T>) {
        return nlohmann::ordered_json(std::string(rawValue(value)));
    } else {
        static_assert(WireRecord<T>, "encodeValue: not a wire type");
        return toJson(value);
    }
}

// Reads one key of an object into a field. A missing key fails unless the field
// is optional; a null reads as empty for an optional field and fails otherwise.
template <typename T> void readKey(const nlohmann::json& object, const char* key, T& field)
{
    const auto it = object.find(key);
    if (it == object.end()) {
        if constexpr (wire::isOptional<T>) {
            field.reset();
            return;
        } else {
            throw DecodeError(std::string("missing key \"") + key + "\"");
        }
    }
    try {
        field = decodeValue<T>(*it);
    } catch (const DecodeError& error) {
        throw error.inKey(key);
    }
}

// Writes one field under its key; an empty optional writes nothing.
template <typename T> void writeKey(nlohmann::ordered_json& object, const char* key, const T& field)
{
    if constexpr (wire::isOptional<T>) {
        if (!field)
            return;
    }
    try {
        object.emplace(key, encodeValue(field));
    } catch (const EncodeError& error) {
        throw EncodeError(std::string("\"") + key + "\": " + error.what());
    }
}

// One field of a record: its key and the member that holds it.
template <typename Record, typename T> struct WireField {
    const char* key;
    T Record::*member;
};

template <typename Record, typename T>
constexpr WireField<Record, T> wireField(const char* key, T Record::*member)
{
    return { key, member };
}

// Field-by-field coding of a record from a tuple of WireFields in declared order.
template <typename Record, typename... Fields>
nlohmann::ordered_json encodeFields(const Record& record, const std::tuple<Fields...>& fields)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    std::apply(
        [&](const auto&... field) { (writeKey(object, field.key, record.*(field.member)), ...); }, fields);
    return object;
}

template <typename Record, typename... Fields>
void decodeFields(const nlohmann::json& json, Record& record, const std::tuple<Fields...>& fields)
{
    const nlohmann::json& object = wire::expectObject(json);
    std::apply(
        [&](const auto&... field) { (readKey(object, field.key, record.*(field.member)), ...); }, fields);
}

} // namespace mivo

// Defines the encoder and decoder of a record declared with MIVO_WIRE_RECORD
// from its field list. Use inside namespace mivo, in the record's source file.
#define MIVO_FIELD_CODEC(Type, fields)                                                                      \
    nlohmann::ordered_json toJson(const Type& value)                                                         \
    {                                                                                                        \
        return encodeFields(value, fields);                                                                  \
    }                                                                                                        \
    void fromJson(const nlohmann::json& json, Type& value)                                                   \
    {                                                                                                        \
        decodeFields(json, value, fields);                                                                   \
    }
