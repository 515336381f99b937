#pragma once
// The one way the model's enumerations are described: a constexpr table with a row per value,
// in declaration order, holding its raw value (what preferences, the command line and JSON
// write) and whatever else belongs to the value (its label, its size, ...). The lookups below
// read any such table; a row type needs `value` and `raw` members.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kestro::enum_table {

// Every value once, in declaration order from 0: then a value's row is found by its number,
// and a value missing from the table is caught where the table is defined.
template <class Row, std::size_t N>
constexpr bool inDeclarationOrder(const std::array<Row, N>& table) {
    for (std::size_t i = 0; i < N; ++i)
        if (static_cast<std::size_t>(table[i].value) != i) return false;
    return true;
}

template <class Row, std::size_t N>
constexpr auto values(const std::array<Row, N>& table) {
    std::array<decltype(Row::value), N> all{};
    for (std::size_t i = 0; i < N; ++i) all[i] = table[i].value;
    return all;
}

// The row of a value; the first row for a number outside the enumeration.
template <class Row, std::size_t N>
constexpr const Row& row(const std::array<Row, N>& table, decltype(Row::value) value) {
    const auto i = static_cast<std::size_t>(value);
    return i < N ? table[i] : table[0];
}

// Exact, case-sensitive match on the raw value; anything else is none.
template <class Row, std::size_t N>
constexpr std::optional<decltype(Row::value)> fromRaw(const std::array<Row, N>& table,
                                                      std::string_view raw) {
    for (const Row& r : table)
        if (r.raw == raw) return r.value;
    return std::nullopt;
}

}  // namespace kestro::enum_table
