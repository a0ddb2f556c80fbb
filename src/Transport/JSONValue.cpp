#include "Transport/JSONValue.h"

#include "Base/Utf8.h"
#include "Transport/WireCoding.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <nlohmann/json.hpp>

namespace mivo {

struct JSONValue::Adopted {
    explicit Adopted(nlohmann::json&& parsed)
        : json(std::move(parsed))
    {
    }
    explicit Adopted(Unparsed text)
        : source(std::move(text))
    {
    }

    const nlohmann::json& parsed()
    {
        std::call_once(parsedOnce, [this] {
            if (!source)
                return;
            // The line parsed once already, when the reply around it was read;
            // should it fail now all the same, the value reads as null.
            try {
                nlohmann::json whole = parseJsonLine(source->line);
                const auto member = whole.find(source->key);
                if (member != whole.end())
                    json = std::move(*member);
            } catch (const DecodeError&) {
            }
        });
        return json;
    }

    const std::optional<Unparsed> source;
    nlohmann::json json;
    std::once_flag parsedOnce;
    std::once_flag converted;
    Variant value;
};

JSONValue::JSONValue(const QString& value)
    : m_value(value)
{
}

JSONValue::JSONValue(const char* utf8)
    : m_value(QString::fromUtf8(utf8))
{
}

JSONValue::JSONValue(double value)
    : m_value(value)
{
}

JSONValue::JSONValue(int value)
    : m_value(double(value))
{
}

JSONValue::JSONValue(bool value)
    : m_value(value)
{
}

JSONValue::JSONValue(const Array& value)
    : m_value(std::make_shared<const Array>(value))
{
}

JSONValue::JSONValue(const Object& value)
    : m_value(std::make_shared<const Object>(value))
{
}

JSONValue JSONValue::adopt(nlohmann::json&& json)
{
    JSONValue value;
    value.m_adopted = std::make_shared<Adopted>(std::move(json));
    return value;
}

JSONValue JSONValue::unparsedMember(QByteArray line, std::string key)
{
    JSONValue value;
    value.m_adopted = std::make_shared<Adopted>(Unparsed { std::move(line), std::move(key) });
    return value;
}

const nlohmann::json* JSONValue::adopted() const
{
    return m_adopted ? &m_adopted->parsed() : nullptr;
}

const JSONValue::Unparsed* JSONValue::unparsed() const
{
    return m_adopted && m_adopted->source ? &*m_adopted->source : nullptr;
}

const JSONValue::Variant& JSONValue::cases() const
{
    if (!m_adopted)
        return m_value;
    Adopted& adopted = *m_adopted;
    std::call_once(adopted.converted, [&adopted] { adopted.value = fromJson(adopted.parsed()).m_value; });
    return adopted.value;
}

QString JSONValue::toString() const
{
    const auto* value = std::get_if<QString>(&cases());
    return value ? *value : QString();
}

double JSONValue::toDouble() const
{
    const auto* value = std::get_if<double>(&cases());
    return value ? *value : 0.0;
}

bool JSONValue::toBool() const
{
    const auto* value = std::get_if<bool>(&cases());
    return value ? *value : false;
}

const JSONValue::Array& JSONValue::toArray() const
{
    static const Array empty;
    const auto* value = std::get_if<std::shared_ptr<const Array>>(&cases());
    return value ? **value : empty;
}

const JSONValue::Object& JSONValue::toObject() const
{
    static const Object empty;
    const auto* value = std::get_if<std::shared_ptr<const Object>>(&cases());
    return value ? **value : empty;
}

JSONValue JSONValue::value(const QString& key) const
{
    return toObject().value(key);
}

bool JSONValue::operator==(const JSONValue& other) const
{
    if (kind() != other.kind())
        return false;
    switch (kind()) {
    case Kind::string:
        return toString() == other.toString();
    case Kind::number:
        return toDouble() == other.toDouble();
    case Kind::boolean:
        return toBool() == other.toBool();
    case Kind::array: {
        // Element by element, without the container's shortcut for shared data:
        // an array holding a NaN is not equal even to itself.
        const Array& lhs = toArray();
        const Array& rhs = other.toArray();
        if (lhs.size() != rhs.size())
            return false;
        for (qsizetype i = 0; i < lhs.size(); ++i) {
            if (!(lhs[i] == rhs[i]))
                return false;
        }
        return true;
    }
    case Kind::object: {
        const Object& lhs = toObject();
        const Object& rhs = other.toObject();
        if (lhs.size() != rhs.size())
            return false;
        for (auto l = lhs.cbegin(), r = rhs.cbegin(); l != lhs.cend(); ++l, ++r) {
            if (l.key() != r.key() || !(l.value() == r.value()))
                return false;
        }
        return true;
    }
    case Kind::null:
        return true;
    }
    return false;
}

JSONValue JSONValue::fromJson(const nlohmann::json& json)
{
    switch (json.type()) {
    case nlohmann::json::value_t::null:
        return JSONValue();
    case nlohmann::json::value_t::boolean:
        return JSONValue(json.get<bool>());
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
    case nlohmann::json::value_t::number_float:
        return JSONValue(wire::decodeDouble(json));
    case nlohmann::json::value_t::string:
        return JSONValue(wire::decodeString(json));
    case nlohmann::json::value_t::array: {
        Array array;
        array.reserve(qsizetype(json.size()));
        for (const auto& element : json)
            array.append(fromJson(element));
        return JSONValue(array);
    }
    case nlohmann::json::value_t::object: {
        Object object;
        for (const auto& [key, member] : json.items())
            object.insert(decodeUtf8Exact(QByteArrayView(key.data(), qsizetype(key.size()))), fromJson(member));
        return JSONValue(object);
    }
    case nlohmann::json::value_t::binary:
    case nlohmann::json::value_t::discarded:
        break;
    }
    throw DecodeError("Unsupported JSON value");
}

namespace {

// The tree as either flavour of the library's JSON type.
template <typename Json> Json convert(const JSONValue& value)
{
    switch (value.kind()) {
    case JSONValue::Kind::string:
        return Json(encodeUtf8Exact(value.toString()).toStdString());
    case JSONValue::Kind::number: {
        const nlohmann::ordered_json number = wire::encodeDouble(value.toDouble());
        if (number.is_number_integer())
            return Json(number.get<std::int64_t>());
        return Json(number.get<double>());
    }
    case JSONValue::Kind::boolean:
        return Json(value.toBool());
    case JSONValue::Kind::array: {
        Json array = Json::array();
        const JSONValue::Array& elements = value.toArray();
        array.template get_ref<typename Json::array_t&>().reserve(size_t(elements.size()));
        for (const JSONValue& element : elements)
            array.push_back(convert<Json>(element));
        return array;
    }
    case JSONValue::Kind::object: {
        Json object = Json::object();
        const JSONValue::Object& members = value.toObject();
        for (auto it = members.cbegin(); it != members.cend(); ++it)
            object.emplace(encodeUtf8Exact(it.key()).toStdString(), convert<Json>(it.value()));
        return object;
    }
    case JSONValue::Kind::null:
        break;
    }
    return nullptr;
}

} // namespace

nlohmann::ordered_json toJson(const JSONValue& value)
{
    return convert<nlohmann::ordered_json>(value);
}

nlohmann::json wire::plainJson(const JSONValue& value)
{
    return convert<nlohmann::json>(value);
}

} // namespace mivo
