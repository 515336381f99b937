#pragma once
// The export verb's speed options: --speed START-END@FACTOR (repeatable) and
// --shorten-stills SECONDS. Each failure says what is wrong in words that follow the option's
// name and value in the usage message.

#include "core/model/speed_segment.hpp"
#include "core/result.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace kestro::cli {

// "START-END@FACTOR": seconds of the recording from 0, END after START, and a factor from
// kMinSpeedFactor to kMaxSpeedFactor (an "x" after it is allowed: "1-4@2x").
Result<SpeedSegment, std::string> parseSpeedSegment(std::string_view text);

// Every --speed value; the failure names the value at fault, or the two that overlap.
Result<SpeedTrack, std::string> parseSpeedTrack(const std::vector<std::string>& values);

// The longest a still stretch may last after shortening: a number of seconds above 0.
Result<double, std::string> parseShortenStills(std::string_view text);

}  // namespace kestro::cli
