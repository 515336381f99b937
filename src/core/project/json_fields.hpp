#pragma once
// Reading typed fields out of a JSON document with the path to each kept, so that a wrong value
// is reported by its JSON pointer. Used inside the project readers only: a bad field throws
// ProjectError, which the public read functions catch and return as a value.

#include "core/project/project_error.hpp"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace kestro::json_fields {

// The pointer of a member or an element below `pointer`, escaped as RFC 6901 asks.
inline std::string child(const std::string& pointer, std::string_view key) {
    std::string out = pointer + "/";
    for (char c : key) {
        if (c == '~') out += "~0";
        else if (c == '/') out += "~1";
        else out += c;
    }
    return out;
}
inline std::string child(const std::string& pointer, std::size_t index) {
    return pointer + "/" + std::to_string(index);
}

[[noreturn]] inline void fail(const std::string& pointer, std::string message) {
    throw ProjectError{pointer, std::move(message)};
}

// A view of one JSON object that reads its members by name.
class Fields {
public:
    Fields(const nlohmann::json& value, std::string pointer) : value_(value), pointer_(std::move(pointer)) {
        if (!value_.is_object()) fail(pointer_, "must be an object");
    }

    const std::string& pointer() const { return pointer_; }
    std::string at(std::string_view key) const { return child(pointer_, key); }
    bool has(const char* key) const {
        const auto it = value_.find(key);
        return it != value_.end() && !it->is_null();
    }
    const nlohmann::json& raw(const char* key) const { return value_.at(key); }

    std::optional<double> number(const char* key) const {
        if (!has(key)) return std::nullopt;
        const auto& v = value_.at(key);
        if (!v.is_number() || !std::isfinite(v.get<double>())) fail(at(key), "must be a number");
        return v.get<double>();
    }
    double number(const char* key, double otherwise) const { return number(key).value_or(otherwise); }
    double numberIn(const char* key, double otherwise, double low, double high) const {
        const double v = number(key, otherwise);
        if (v < low || v > high) {
            fail(at(key), "must be from " + shortNumber(low) + " to " + shortNumber(high));
        }
        return v;
    }
    std::optional<std::int64_t> integer(const char* key) const {
        if (!has(key)) return std::nullopt;
        const auto& v = value_.at(key);
        if (!v.is_number_integer()) fail(at(key), "must be a whole number");
        // Above the signed range it would wrap to a negative number; any check of a range
        // refuses the largest one just as well.
        constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
        if (v.is_number_unsigned() && v.get<std::uint64_t>() > std::uint64_t{largest}) {
            return largest;
        }
        return v.get<std::int64_t>();
    }
    std::optional<std::string> string(const char* key) const {
        if (!has(key)) return std::nullopt;
        const auto& v = value_.at(key);
        if (!v.is_string()) fail(at(key), "must be a string");
        return v.get<std::string>();
    }
    std::string requiredString(const char* key) const {
        auto v = string(key);
        if (!v || v->empty()) fail(at(key), "is missing");
        return *v;
    }
    bool boolean(const char* key, bool otherwise) const {
        if (!has(key)) return otherwise;
        const auto& v = value_.at(key);
        if (!v.is_boolean()) fail(at(key), "must be true or false");
        return v.get<bool>();
    }

    static std::string shortNumber(double v) {
        std::string s = std::to_string(v);
        s.erase(s.find_last_not_of('0') + 1);
        if (!s.empty() && s.back() == '.') s.pop_back();
        return s;
    }

private:
    const nlohmann::json& value_;
    std::string pointer_;
};

// An enumeration's value from its raw name, through the model's own `fromRaw`.
template <class Enum, class FromRaw>
Enum enumField(const Fields& fields, const char* key, Enum otherwise, FromRaw fromRaw) {
    const auto text = fields.string(key);
    if (!text) return otherwise;
    const auto value = fromRaw(*text);
    if (!value) fail(fields.at(key), "\"" + *text + "\" is not a known value");
    return *value;
}

}  // namespace kestro::json_fields
