#pragma once
// The export verb's options for the touches Kestro draws: which touch file, whether to draw
// them, and how they look. Values arrive as text and are checked here, so every bad one is
// refused naming the option and the value before anything is read or written.

#include "core/model/touch_track.hpp"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace kestro::cli {

struct TapOptions {
    std::string touches;  // a touch file; empty: the one beside the recording, if any
    std::string taps;     // "on", "off"; empty: on when there are touches
    std::string size;     // percent of the recording's width
    std::string colour;   // white, black, #RRGGBB[AA]
    std::string opacity;  // percent

    bool anyGiven() const {
        return !touches.empty() || !taps.empty() || !size.empty() || !colour.empty() ||
               !opacity.empty();
    }
};

void addTapOptions(CLI::App* command, TapOptions& options);

// The touches to draw over `recording` and their style, or why not.
struct TapChoice {
    TouchTrack touches;
    TapStyle style;
};
struct TapProblem {
    bool usage = false;  // a bad option value (exit 2) rather than a file that cannot be used
    std::string message;
};
// Reads the touch file (the one given, else the one beside the recording when there is one);
// with --taps off nothing is read, unless `touchesNeeded` (zoom on taps follows the touches
// whether they are drawn or not).
std::variant<TapChoice, TapProblem> resolveTaps(const TapOptions& options,
                                                const std::filesystem::path& recording,
                                                bool touchesNeeded = false);

}  // namespace kestro::cli
