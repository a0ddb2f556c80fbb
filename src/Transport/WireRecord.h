#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string_view>

namespace mivo {

// A record of the helper wire protocol: a plain struct with a JSON encoder and
// decoder next to it. Declare one with MIVO_WIRE_RECORD(Type) after the struct;
// the coding machinery of WireCoding.h then works for it, for lists of it and
// for optionals of it.
template <typename T> struct WireRecordTraits;

template <typename T>
concept WireRecord = requires
{
    WireRecordTraits<T>::name;
};

} // namespace mivo

// Declares the encoder and decoder of a wire record and registers its type name.
// Use at namespace mivo scope, after the struct is complete.
#define MIVO_WIRE_RECORD(Type)                                                                               \
    template <> struct WireRecordTraits<Type> {                                                              \
        static constexpr std::string_view name = #Type;                                                      \
    };                                                                                                       \
    nlohmann::ordered_json toJson(const Type& value);                                                        \
    void fromJson(const nlohmann::json& json, Type& value)
