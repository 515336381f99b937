#include "core/export/background_paint.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestro {

namespace {

float unit(double v) {
    return static_cast<float>(std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0));
}

std::array<float, 4> premultiplied(const FillColour& c) {
    const float a = unit(c.alpha);
    return {unit(c.red) * a, unit(c.green) * a, unit(c.blue) * a, a};
}

}  // namespace

double gradientPosition(double angleDegrees, int x, int y, double width, double height) {
    const double angle = std::isfinite(angleDegrees) ? angleDegrees : 180.0;
    const double rad = angle * std::numbers::pi / 180;
    // The direction in top-left coordinates: 0 degrees points up, i.e. toward y = 0.
    const double dx = std::sin(rad);
    const double dy = -std::cos(rad);
    const double length = std::abs(width * dx) + std::abs(height * dy);
    if (!(length > 0)) return 0.5;
    const double along = (x + 0.5 - width / 2) * dx + (y + 0.5 - height / 2) * dy;
    return std::clamp(along / length + 0.5, 0.0, 1.0);
}

std::array<float, 4> backgroundAt(const BackgroundFill& fill, int x, int y, double width,
                                  double height) {
    if (fill.isTransparent()) return {0, 0, 0, 0};
    if (const FillColour* colour = fill.asColour()) return premultiplied(*colour);
    const LinearGradient* gradient = fill.asGradient();
    if (!gradient) return {0, 0, 0, 0};
    const std::array<float, 4> start = premultiplied(gradient->from);
    const std::array<float, 4> end = premultiplied(gradient->to);
    const auto t = static_cast<float>(gradientPosition(gradient->angle, x, y, width, height));
    std::array<float, 4> out{};
    for (int i = 0; i < 4; ++i) out[i] = start[i] + t * (end[i] - start[i]);
    return out;
}

CanvasRect coverRect(double imageWidth, double imageHeight, double canvasWidth,
                     double canvasHeight) {
    if (!(imageWidth > 0 && imageHeight > 0)) return {};
    const double s = std::max(canvasWidth / imageWidth, canvasHeight / imageHeight);
    const double w = imageWidth * s;
    const double h = imageHeight * s;
    return {(canvasWidth - w) / 2, (canvasHeight - h) / 2, w, h};
}

}  // namespace kestro
