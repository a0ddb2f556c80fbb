#pragma once

#include "Transport/ServerEvent.h"

#include <variant>

namespace mivo {

// What the helper link's event stream carries.
struct HelperEvent {
    // One event line pushed by the helper.
    struct Server {
        ServerEvent event;
        bool operator==(const Server&) const = default;
    };
    // The helper ended abnormally (non-zero exit, signal or unknown reason);
    // delivered before any relaunch.
    struct HelperCrashed {
        bool operator==(const HelperCrashed&) const = default;
    };
    // The helper was launched: the first start and every relaunch.
    struct HelperReady {
        bool operator==(const HelperReady&) const = default;
    };

    using Value = std::variant<Server, HelperCrashed, HelperReady>;
    Value value;

    static HelperEvent server(ServerEvent event) { return { Server { std::move(event) } }; }
    static HelperEvent helperCrashed() { return { HelperCrashed {} }; }
    static HelperEvent helperReady() { return { HelperReady {} }; }

    // The server event, when this is one.
    const ServerEvent* serverEvent() const
    {
        const auto* server = std::get_if<Server>(&value);
        return server ? &server->event : nullptr;
    }
    bool isHelperCrashed() const { return std::holds_alternative<HelperCrashed>(value); }
    bool isHelperReady() const { return std::holds_alternative<HelperReady>(value); }

    bool operator==(const HelperEvent&) const = default;
};

} // namespace mivo
