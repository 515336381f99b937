#pragma once
// Touches on the device's screen during a recording: recorded from Android's input events, or
// added by hand in the editor. Times are seconds from the recording's first picture; positions
// are pixels of the recording's upright picture.

#include "core/model/image.hpp"

#include <vector>

namespace kestro {

enum class TouchPhase { down, move, up };

struct TouchPoint {
    double t = 0;  // seconds of the recording
    double x = 0;  // recording pixels from the left edge
    double y = 0;  // recording pixels from the top edge
    TouchPhase phase = TouchPhase::down;
    int id = 0;  // the finger: a down, its moves and its up share it

    bool operator==(const TouchPoint&) const = default;
};

struct TouchTrack {
    std::vector<TouchPoint> touches;  // in time order

    bool empty() const { return touches.empty(); }
    bool operator==(const TouchTrack&) const = default;
};

// The tap circle's diameter the front ends accept, in percent of the recording's width: smaller
// is lost at export sizes, larger hides the screen it points at.
inline constexpr double kMinTapSizePercent = 1;
inline constexpr double kMaxTapSizePercent = 40;

// How Kestro draws the touches over the recording.
struct TapStyle {
    bool enabled = true;        // drawn when a touch track exists, unless turned off
    double sizePercent = 8;     // the circle's diameter in percent of the recording's width
    Rgba colour{255, 255, 255, 255};
    double opacity = 0.55;      // 0..1

    bool operator==(const TapStyle&) const = default;
};

}  // namespace kestro
