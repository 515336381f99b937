#pragma once
// Coverage of canvas pixels by a rounded rectangle, as the export draws the screen opening's
// corners: the signed distance from a pixel's centre to the edge, turned into a one-pixel-wide
// ramp (the anti-aliasing a vector renderer would give). Top-left origin.

#include "core/export/render_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

struct RoundedRect {
    double cx, cy, hx, hy, radius;

    // The rectangle `r` (top-left origin) with the screen's corner radius, limited so that it
    // never exceeds half the shorter side.
    static RoundedRect screen(const CanvasRect& r,
                              std::optional<double> openingFraction = std::nullopt) {
        return {r.midX(), r.midY(), std::max(r.w, 0.0) / 2, std::max(r.h, 0.0) / 2,
                std::clamp(screenCornerRadius(r, openingFraction), 0.0,
                           std::max(0.0, std::min(r.w, r.h) / 2))};
    }

    float coverage(int x, int y) const {
        const double px = std::abs(x + 0.5 - cx) - (hx - radius);
        const double py = std::abs(y + 0.5 - cy) - (hy - radius);
        const double outside = std::hypot(std::max(px, 0.0), std::max(py, 0.0));
        const double inside = std::min(std::max(px, py), 0.0);
        const double d = outside + inside - radius;
        return static_cast<float>(std::clamp(0.5 - d, 0.0, 1.0));
    }
};

}  // namespace kestro
