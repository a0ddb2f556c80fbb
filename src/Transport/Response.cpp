#include "Transport/Response.h"

#include "Transport/WireCoding.h"

#include <utility>

namespace mivo {

namespace {

const std::tuple kResponseFields { wireField("id", &Response::id), wireField("ok", &Response::ok),
    wireField("result", &Response::result) };

const std::tuple kEngineErrorFields { wireField("code", &Response::EngineErrorPayload::code),
    wireField("message", &Response::EngineErrorPayload::message),
    wireField("data", &Response::EngineErrorPayload::data) };

} // namespace

Response Response::decode(QByteArrayView line)
{
    return fromJson(parseJsonLine(line));
}

Response Response::fromJson(const nlohmann::json& json)
{
    Response response;
    decodeFields(json, response, kResponseFields);
    const auto error = json.find("error");
    if (error != json.end() && !error->is_null()) {
        EngineErrorPayload payload;
        try {
            decodeFields(*error, payload, kEngineErrorFields);
        } catch (const DecodeError& failure) {
            throw failure.inKey("error");
        }
        response.error = payload;
    }
    return response;
}

Response Response::fromJson(nlohmann::json&& json)
{
    const auto result = json.is_object() ? json.find("result") : json.end();
    if (result == json.end() || result->is_null())
        return fromJson(std::as_const(json));
    nlohmann::json taken = std::exchange(*result, nullptr);
    Response response;
    try {
        response = fromJson(std::as_const(json));
    } catch (const DecodeError&) {
        *result = std::move(taken);
        throw;
    }
    response.result = JSONValue::adopt(std::move(taken));
    return response;
}

QByteArray Response::encodedLine() const
{
    nlohmann::ordered_json line = encodeFields(*this, kResponseFields);
    if (error)
        line.emplace("error", encodeFields(*error, kEngineErrorFields));
    return dumpJson(line);
}

std::optional<Response> Response::tryFromJson(const nlohmann::json& json)
{
    if (!json.is_object())
        return std::nullopt;
    const auto id = json.find("id");
    const auto ok = json.find("ok");
    if (id == json.end() || !id->is_string() || ok == json.end() || !ok->is_boolean())
        return std::nullopt;
    try {
        return fromJson(json);
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

} // namespace mivo
