#pragma once

#include "Transport/JSONValue.h"

#include <QByteArrayView>
#include <QString>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace mivo {

// The helper's reply to one request: {"id", "ok", "result", "error"}.
struct Response {
    // Why a request failed. The code is normally one of EngineErrorCode's raw
    // values but is kept as the helper sent it, so any code decodes.
    struct EngineErrorPayload {
        QString code {};
        QString message {}; // shown to the user as the error's text
        std::optional<JSONValue> data {};

        bool operator==(const EngineErrorPayload&) const = default;
    };

    QString id {}; // id of the request answered
    bool ok = false;
    std::optional<JSONValue> result {}; // an absent key and null both mean no result
    std::optional<EngineErrorPayload> error {};

    // Throws DecodeError when the line is not a reply: not a JSON object, no
    // string "id", no boolean "ok", or an "error" without string code and message.
    static Response decode(QByteArrayView line);
    // The same, for a line already parsed (see parseJsonLine).
    static Response fromJson(const nlohmann::json& json);
    // The same, taking the result over instead of converting it (see
    // JSONValue::adopt); the value is left as it was when the line is no reply.
    static Response fromJson(nlohmann::json&& json);
    // The same without the cost of an exception for lines that are plainly no
    // replies (events): nothing when the line is not a reply.
    static std::optional<Response> tryFromJson(const nlohmann::json& json);
    // The reply as one line (no line feed) that decodes to an equal reply.
    // Throws EncodeError for a value JSON cannot carry.
    QByteArray encodedLine() const;

    bool operator==(const Response&) const = default;
};

} // namespace mivo
