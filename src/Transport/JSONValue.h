#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <cstddef>
#include <memory>
#include <string>
#include <nlohmann/json_fwd.hpp>
#include <variant>

namespace mivo {

// A free-form JSON tree: the parts of a message whose shape is not fixed (reply
// results, error data, the data of unknown events). Six cases; every JSON number
// is a double. A plain value: copies are independent (the tree is immutable and
// shared internally).
class JSONValue {
public:
    enum class Kind { string, number, boolean, array, object, null };
    using Array = QList<JSONValue>;
    using Object = QMap<QString, JSONValue>; // keys unordered for equality, unique

    JSONValue() = default; // null
    JSONValue(std::nullptr_t) { }
    JSONValue(const QString& value);
    JSONValue(const char* utf8);
    JSONValue(double value);
    JSONValue(int value);
    JSONValue(bool value);
    JSONValue(const Array& value);
    JSONValue(const Object& value);

    Kind kind() const { return Kind(cases().index()); }
    bool isString() const { return kind() == Kind::string; }
    bool isNumber() const { return kind() == Kind::number; }
    bool isBool() const { return kind() == Kind::boolean; }
    bool isArray() const { return kind() == Kind::array; }
    bool isObject() const { return kind() == Kind::object; }
    bool isNull() const { return kind() == Kind::null; }

    // The payload of the matching case; an empty value for any other case.
    QString toString() const;
    double toDouble() const;
    bool toBool() const;
    const Array& toArray() const;
    const Object& toObject() const;

    // Member of an object; null when this is not an object or lacks the key.
    JSONValue value(const QString& key) const;

    // Different cases are never equal (a bool is not a number); numbers compare as
    // doubles (a NaN equals nothing); arrays in order; objects whatever the order.
    bool operator==(const JSONValue& other) const;

    // Any JSON value except binary data (DecodeError "Unsupported JSON value").
    static JSONValue fromJson(const nlohmann::json& json);
    // The same, taking the parsed value over instead of converting it now: it is
    // converted on first look, and a record decoded from it (decodeValue) is read
    // from the parsed value directly. Copies may be looked at from any thread.
    static JSONValue adopt(nlohmann::json&& json);

    // The value of the top-level key `key` of a JSON object line that has
    // parsed without errors, left unparsed: it is parsed on first look.
    // Readers that can take their records straight from the text find it in
    // unparsed().
    static JSONValue unparsedMember(QByteArray line, std::string key);

    // The parsed value taken over by adopt() or parsed by unparsedMember(), or
    // nothing.
    const nlohmann::json* adopted() const;

    struct Unparsed {
        QByteArray line;
        std::string key;
    };
    // The line and key given to unparsedMember(), or nothing.
    const Unparsed* unparsed() const;

private:
    using Variant = std::variant<QString, double, bool, std::shared_ptr<const Array>,
        std::shared_ptr<const Object>, std::monostate>;
    struct Adopted;

    const Variant& cases() const;

    Variant m_value { std::monostate {} };
    std::shared_ptr<Adopted> m_adopted;
};

// Throws EncodeError for a non-finite number anywhere in the tree.
nlohmann::ordered_json toJson(const JSONValue& value);

} // namespace mivo
