#pragma once
// The camera track: stretches of the movie where the camera moves in on a point of the
// recording. Times are seconds of the recording (the same clock as the trim and the touches);
// the focus is a fraction of the recording's upright picture, 0,0 at the top-left corner.

#include <vector>

namespace kestro {

inline constexpr double kMinZoomScale = 1;
inline constexpr double kMaxZoomScale = 4;
inline constexpr double kDefaultZoomEase = 0.35;  // seconds, each way
// Two segments closer than this pan from one focus to the next without returning to 1x.
inline constexpr double kZoomPanGap = 0.6;

struct ZoomSegment {
    double start = 0;  // seconds of the recording; the camera is fully in on [start+easeIn, end-easeOut]
    double end = 0;
    double focusX = 0.5;  // 0..1 across the recording
    double focusY = 0.5;  // 0..1 down the recording
    double scale = 2;     // kMinZoomScale..kMaxZoomScale
    double easeIn = kDefaultZoomEase;
    double easeOut = kDefaultZoomEase;

    bool operator==(const ZoomSegment&) const = default;
};

using CameraTrack = std::vector<ZoomSegment>;

}  // namespace kestro
