#include "core/export/camera_view.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

double axisOffset(double scale, double focus, double size) {
    const double wanted = std::round(scale * focus - size / 2);
    const double room = std::floor((scale - 1) * size);
    return std::clamp(wanted, 0.0, std::max(0.0, room));
}

}  // namespace

CanvasView canvasView(const CameraState& camera, const Placement& placement, int width,
                      int height) {
    const double scale = std::isfinite(camera.scale)
                             ? std::clamp(camera.scale, kMinZoomScale, kMaxZoomScale)
                             : kMinZoomScale;
    if (scale <= 1 || width <= 0 || height <= 0) return {};
    const double fx = std::isfinite(camera.focusX) ? std::clamp(camera.focusX, 0.0, 1.0) : 0.5;
    const double fy = std::isfinite(camera.focusY) ? std::clamp(camera.focusY, 0.0, 1.0) : 0.5;
    // The focus on the canvas; a placement gone wrong falls back to the canvas's middle.
    double cx = placement.tx + fx * placement.width;
    double cy = placement.ty + fy * placement.height;
    if (!std::isfinite(cx)) cx = width / 2.0;
    if (!std::isfinite(cy)) cy = height / 2.0;
    return {scale, axisOffset(scale, cx, width), axisOffset(scale, cy, height)};
}

}  // namespace kestro
