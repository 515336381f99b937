#pragma once
// Waits in a recording (a loading screen, a pause before the next tap) found as stretches in
// which the picture does not change, and the speed segments that shorten each to at most a
// given length. Pure functions: the measuring (packet times, picture differences) lives in
// core/export/still_finder.hpp.

#include "core/model/speed_segment.hpp"

#include <vector>

namespace kestro {

struct StillStretch {
    double start = 0;  // seconds of the recording
    double end = 0;
    bool operator==(const StillStretch&) const = default;
};

struct StillSearch {
    // A stretch counts as a wait from this many seconds on: shorter pauses are the rhythm of
    // using the app, which a viewer needs to follow it.
    double shortestStill = 1.0;
    // Two pictures are the same when their mean luma difference (0..255, on small copies of
    // the pictures, without the encoder's noise of a level or two per pixel) stays under this:
    // a blinking text cursor on a phone screen lies just above it.
    double sameBelow = 0.6;
};

// One measured picture: its time and how much it differs from the picture before it (the first
// one of a range: +infinity).
struct PictureChange {
    double time = 0;
    double difference = 0;
};

// Stretches of at least search.shortestStill in which every picture is the same as the one
// before, from a changed picture to the next changed one (or to `end`). Pictures in time order.
std::vector<StillStretch> stillsFromChanges(const std::vector<PictureChange>& pictures, double end,
                                            const StillSearch& search);

// A variable-rate recording writes a picture only when the screen changes: every gap between
// picture times (sorted) of at least search.shortestStill is a still stretch, and so is the
// last picture's hold up to `end`.
std::vector<StillStretch> stillsFromPictureTimes(const std::vector<double>& times, double end,
                                                 const StillSearch& search);

// `track` with a segment added for every part of a stretch longer than `maxSeconds` that no
// segment of `track` already covers, sped to last `maxSeconds` (or as near as
// kMaxSpeedFactor allows). The user's own segments always win. Sorted by start.
SpeedTrack shortenStills(const std::vector<StillStretch>& stills, double maxSeconds,
                         const SpeedTrack& track);

}  // namespace kestro
