// Counting the fields of a plain aggregate at compile time, so a table that must name every
// field can check that it does.
#pragma once

#include <cstddef>
#include <utility>

namespace caniparc {
namespace detail {

// Converts to any field type, so `T{AnyField{}, ...}` compiles for up to as many fields as T has.
struct AnyField {
    template <typename T> constexpr operator T() const; // never called, only named in requires
};

template <typename T, std::size_t... I> constexpr bool BraceInitializableWith(std::index_sequence<I...>) {
    return requires {
        T{(static_cast<void>(I), AnyField{})...};
    };
}

} // namespace detail

// The number of fields of the aggregate T (whose fields are not aggregates themselves).
template <typename T, std::size_t N = 0> constexpr std::size_t AggregateFieldCount() {
    if constexpr (!detail::BraceInitializableWith<T>(std::make_index_sequence<N + 1>{}))
        return N;
    else
        return AggregateFieldCount<T, N + 1>();
}

} // namespace caniparc
