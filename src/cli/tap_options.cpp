#include "cli/tap_options.hpp"

#include "core/model/touch_file.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace kestro::cli {

namespace {

std::optional<double> number(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    // strtod also reads hexadecimal and "inf"; a percentage is plain digits.
    if (std::any_of(text.begin(), text.end(), [](char c) { return c == 'x' || c == 'X'; }))
        return std::nullopt;
    return value;
}

std::optional<int> hexPair(char a, char b) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    const int hi = digit(a), lo = digit(b);
    if (hi < 0 || lo < 0) return std::nullopt;
    return hi * 16 + lo;
}

std::optional<Rgba> colourNamed(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (text == "white") return Rgba{255, 255, 255, 255};
    if (text == "black") return Rgba{0, 0, 0, 255};
    if ((text.size() != 7 && text.size() != 9) || text.front() != '#') return std::nullopt;
    std::uint8_t parts[4] = {0, 0, 0, 255};
    for (std::size_t i = 0; 1 + 2 * i < text.size(); ++i) {
        const auto value = hexPair(text[1 + 2 * i], text[2 + 2 * i]);
        if (!value) return std::nullopt;
        parts[i] = static_cast<std::uint8_t>(*value);
    }
    return Rgba{parts[0], parts[1], parts[2], parts[3]};
}

TapProblem usage(const std::string& option, const std::string& value, const std::string& rule) {
    return {true, option + " \"" + value + "\": " + rule + "."};
}

}  // namespace

void addTapOptions(CLI::App* command, TapOptions& options) {
    command->add_option("--touches", options.touches,
                        "A touch file (JSON, see the README) whose taps are drawn over the "
                        "recording (default: RECORDING.touches.json beside it, when there is one)");
    command->add_option("--taps", options.taps,
                        "on or off: draw the touches over the recording (default on when there "
                        "are touches)");
    command->add_option("--tap-size", options.size,
                        "The tap circle's diameter in percent of the recording's width, 1 to 40 "
                        "(default 8)");
    command->add_option("--tap-colour,--tap-color", options.colour,
                        "The taps' colour: white (default), black, #RRGGBB or #RRGGBBAA");
    command->add_option("--tap-opacity", options.opacity,
                        "How strongly taps show, percent from 0 to 100 (default 55)");
}

std::variant<TapChoice, TapProblem> resolveTaps(const TapOptions& options,
                                                const std::filesystem::path& recording,
                                                bool touchesNeeded) {
    TapChoice choice;
    if (!options.taps.empty() && options.taps != "on" && options.taps != "off")
        return usage("--taps", options.taps, "must be on or off");
    choice.style.enabled = options.taps != "off";
    if (!options.size.empty()) {
        const auto size = number(options.size);
        if (!size || *size < kMinTapSizePercent || *size > kMaxTapSizePercent)
            return usage("--tap-size", options.size,
                         "must be a percentage of the recording's width from 1 to 40");
        choice.style.sizePercent = *size;
    }
    if (!options.colour.empty()) {
        const auto colour = colourNamed(options.colour);
        if (!colour)
            return usage("--tap-colour", options.colour,
                         "must be white, black, #RRGGBB or #RRGGBBAA");
        choice.style.colour = *colour;
    }
    if (!options.opacity.empty()) {
        const auto opacity = number(options.opacity);
        if (!opacity || *opacity < 0 || *opacity > 100)
            return usage("--tap-opacity", options.opacity, "must be a percentage from 0 to 100");
        choice.style.opacity = *opacity / 100;
    }
    // Nothing drawn and nothing zoomed on: nothing is read.
    if (!choice.style.enabled && !touchesNeeded) return choice;

    if (!options.touches.empty()) {
        auto track = readTouchFile(options.touches);
        if (!track) return usage("--touches", options.touches, track.error());
        choice.touches = std::move(*track);
        return choice;
    }
    auto beside = readTouchFileBeside(recording);
    if (!beside)
        return TapProblem{
            false, "The touch file beside the recording (" + touchFilePath(recording).string() +
                       ") cannot be used: " + beside.error() + ". Correct it, or pass " +
                       (choice.style.enabled ? "--taps off." : "no --auto-zoom.")};
    if (*beside) choice.touches = std::move(**beside);
    return choice;
}

}  // namespace kestro::cli
