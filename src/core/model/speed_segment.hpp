#pragma once
// Speed changes: stretches of the recording played faster or slower. Times are seconds of the
// recording (the trim's clock); segments never overlap.

#include <vector>

namespace kestro {

inline constexpr double kMinSpeedFactor = 0.25;
inline constexpr double kMaxSpeedFactor = 16;

struct SpeedSegment {
    double start = 0;  // seconds of the recording
    double end = 0;
    double factor = 2;  // kMinSpeedFactor..kMaxSpeedFactor; 2 plays twice as fast

    bool operator==(const SpeedSegment&) const = default;
};

using SpeedTrack = std::vector<SpeedSegment>;

}  // namespace kestro
