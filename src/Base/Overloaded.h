#pragma once

namespace mivo {

// One callable made of several lambdas, for std::visit over a variant.
template <class... Ts> struct Overloaded : Ts... {
    using Ts::operator()...;
};
// Spelled out for compilers that do not deduce an aggregate's arguments yet.
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace mivo
