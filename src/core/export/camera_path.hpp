#pragma once
// Where the camera looks at a moment of the recording: the zoom segments turned into a scale and
// a focus point that change smoothly over time.
//
// Inside a segment the camera eases in from 1x to the segment's scale over its ease-in, holds,
// and eases back out over its ease-out (a smooth cubic, so it starts and stops without a jolt).
// Outside every segment it stays at 1x. When one segment ends less than kZoomPanGap before the
// next starts, the camera does not go back to 1x between them: it pans and rescales from the
// first segment's held view straight to the second's.
//
// Segments that overlap (a project file or an older track may hold them) are laid over each
// other in the order they start: one that starts inside another takes over with a pan as long
// as its ease-in, and when it ends inside the other, the camera pans back to the other's view.

#include "core/model/zoom_segment.hpp"

namespace kestro {

struct CameraState {
    double scale = 1;     // kMinZoomScale..kMaxZoomScale
    double focusX = 0.5;  // fractions of the recording's upright picture
    double focusY = 0.5;

    bool zoomed() const { return scale > 1; }
    bool operator==(const CameraState&) const = default;
};

// The smooth cubic ease on 0..1: 0 and 1 at the ends, flat at both.
double smoothEase(double u);

// The segment with its numbers made usable: times ordered, the scale and the focus in range,
// the eases neither negative nor longer together than the segment.
ZoomSegment sanitizedSegment(const ZoomSegment& segment);

// The camera at `t` seconds of the recording. Segments may come in any order.
CameraState cameraAt(const CameraTrack& track, double t);

}  // namespace kestro
