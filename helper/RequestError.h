#pragma once

#include <stdexcept>
#include <string>

namespace mivo::standin {

// A request that cannot be carried out; becomes a reply with ok false and this code.
struct RequestError : std::runtime_error {
    RequestError(std::string code, const std::string& message)
        : std::runtime_error(message)
        , code(std::move(code))
    {
    }

    static RequestError invalidParams(const std::string& message) { return { "invalid_params", message }; }
    static RequestError internal(const std::string& message) { return { "internal", message }; }

    std::string code;
};

} // namespace mivo::standin
