#include "cli/speed_options.hpp"

#include "core/model/time_map.hpp"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace kestro::cli {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// Digits with at most one '.', nothing else: times and factors are never negative, and "inf",
// hexadecimal or exponents here are typos.
std::optional<double> unsignedDecimal(std::string_view text) {
    text = trimmed(text);
    bool digit = false;
    bool dot = false;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digit = true;
        } else if (c == '.' && !dot) {
            dot = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit) return std::nullopt;
    const std::string terminated(text);
    errno = 0;
    const double value = std::strtod(terminated.c_str(), nullptr);
    if (errno != 0 || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string factorRange() {
    return "0.25 to 16";
}

}  // namespace

Result<SpeedSegment, std::string> parseSpeedSegment(std::string_view text) {
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos)
        return fail(std::string("must be START-END@FACTOR, as in 2-6.5@4"));
    const std::string_view times = text.substr(0, at);
    const std::size_t dash = times.find('-');
    if (dash == std::string_view::npos)
        return fail(std::string("must be START-END@FACTOR, as in 2-6.5@4"));
    const auto start = unsignedDecimal(times.substr(0, dash));
    const auto end = unsignedDecimal(times.substr(dash + 1));
    if (!start || !end) {
        return fail(std::string("needs START and END in seconds of the recording from 0"));
    }
    if (!(*end > *start)) return fail(std::string("needs an END after its START"));
    std::string_view factorText = trimmed(text.substr(at + 1));
    if (!factorText.empty() && (factorText.back() == 'x' || factorText.back() == 'X')) {
        factorText.remove_suffix(1);
    }
    const auto factor = unsignedDecimal(factorText);
    if (!factor) return fail("needs a FACTOR from " + factorRange());
    if (!(*factor >= kMinSpeedFactor && *factor <= kMaxSpeedFactor)) {
        return fail("has a factor outside " + factorRange());
    }
    return SpeedSegment{*start, *end, *factor};
}

Result<SpeedTrack, std::string> parseSpeedTrack(const std::vector<std::string>& values) {
    SpeedTrack track;
    for (const std::string& value : values) {
        auto segment = parseSpeedSegment(value);
        if (!segment) return fail("\"" + value + "\" " + segment.error());
        track.push_back(*segment);
    }
    if (auto problem = speedTrackProblem(track)) return fail(*problem);
    return track;
}

Result<double, std::string> parseShortenStills(std::string_view text) {
    const auto seconds = unsignedDecimal(text);
    if (!seconds || !(*seconds > 0))
        return fail(std::string("must be a number of seconds above 0"));
    return *seconds;
}

}  // namespace kestro::cli
