#pragma once
// What of the composed canvas the output shows when the camera is in: the canvas magnified by
// the camera's scale about the focus point, and moved back where the focus would put a canvas
// edge inside the picture. The focus is a point of the recording, so it reaches the canvas
// through the video's placement; the whole canvas (background, device and video) is magnified
// together.

#include "core/export/camera_path.hpp"
#include "core/export/render_geometry.hpp"

namespace kestro {

// Output pixel (X, Y) shows the point ((X + x) / scale, (Y + y) / scale) of the canvas, top-left
// origin. The offsets are whole pixels of the magnified canvas, within [0, (scale - 1) * size],
// so the canvas always covers the output.
struct CanvasView {
    double scale = 1;
    double x = 0;
    double y = 0;

    bool identity() const { return scale == 1 && x == 0 && y == 0; }
    bool operator==(const CanvasView&) const = default;

    // A canvas rectangle (top-left origin) as the output shows it.
    CanvasRect apply(const CanvasRect& r) const {
        return {r.x * scale - x, r.y * scale - y, r.w * scale, r.h * scale};
    }
    Placement apply(const Placement& p) const {
        return {p.tx * scale - x, p.ty * scale - y, p.width * scale,
                p.height * scale, p.scaleX * scale, p.scaleY * scale};
    }
};

// The view of a `width` x `height` canvas for a camera over a video placed at `placement`
// (top-left origin): the focus point of the recording goes to the output's centre, unless that
// would show past the canvas's edge.
CanvasView canvasView(const CameraState& camera, const Placement& placement, int width, int height);

}  // namespace kestro
