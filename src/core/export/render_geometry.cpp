#include "core/export/render_geometry.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestro {

Result<TrimRange, ExportError> clampTrimRange(double trimStart, double trimEnd,
                                              double sourceDuration) {
    const double d = std::isfinite(sourceDuration) ? std::max(sourceDuration, 0.0) : 0.0;
    auto clamp = [d](double t) {
        if (std::isnan(t)) t = 0;
        // Upper bound first, then lower: +inf becomes the duration, -inf becomes 0.
        return std::max(std::min(t, d), 0.0);
    };
    const TrimRange range{clamp(trimStart), clamp(trimEnd)};
    if (!(range.start < range.end)) return fail(ExportError::invalidTrimRange());
    return range;
}

CanvasRect grownScreenRect(const ScreenRect& screen, double canvasWidth, double canvasHeight) {
    const CanvasRect r{screen.x / 100 * canvasWidth, screen.y / 100 * canvasHeight,
                       screen.w / 100 * canvasWidth, screen.h / 100 * canvasHeight};
    return {r.x - kScreenGrowth, r.y - kScreenGrowth, r.w + 2 * kScreenGrowth,
            r.h + 2 * kScreenGrowth};
}

CanvasRect toTopLeftOrigin(const CanvasRect& rect, double canvasHeight) {
    return {rect.x, canvasHeight - rect.y - rect.h, rect.w, rect.h};
}

VideoSize uprightSize(VideoSize stored, double rotationDegrees) {
    if (!std::isfinite(rotationDegrees)) return stored;
    const double turns = rotationDegrees / 90;
    const double nearest = std::round(turns);
    if (std::abs(turns - nearest) < 1e-9) {
        const bool quarter = static_cast<long long>(std::fmod(std::abs(nearest), 2.0)) == 1;
        return quarter ? VideoSize{stored.height, stored.width} : stored;
    }
    const double rad = rotationDegrees * std::numbers::pi / 180;
    const double c = std::cos(rad);
    const double s = std::sin(rad);
    return {std::abs(c * stored.width - s * stored.height),
            std::abs(s * stored.width + c * stored.height)};
}

double placementScale(VideoFitMode mode, const CanvasRect& screen, VideoSize upright,
                      double userScale) {
    double base = 1;
    if (upright.width > 0 && upright.height > 0) {
        const double sx = screen.w / upright.width;
        const double sy = screen.h / upright.height;
        switch (mode) {
            case VideoFitMode::fit: base = std::min(sx, sy); break;
            case VideoFitMode::fill: base = std::max(sx, sy); break;
            case VideoFitMode::stretch: base = 1; break;
        }
    }
    // std::max would pass a NaN scale straight through; a scale that is no number means 1.
    const double user =
        std::isnan(userScale) ? 1.0 : std::clamp(userScale, kMinimumUserScale, kMaximumUserScale);
    return base * user;
}

Placement placeVideo(const CanvasRect& screen, double canvasHeight, VideoSize upright,
                     VideoFitMode mode, double userScale, double offsetX, double offsetY) {
    Placement p;
    if (mode == VideoFitMode::stretch) {
        p.width = screen.w;
        p.height = screen.h;
        p.scaleX = upright.width > 0 ? screen.w / upright.width : 1;
        p.scaleY = upright.height > 0 ? screen.h / upright.height : 1;
    } else {
        const double s = placementScale(mode, screen, upright, userScale);
        p.width = upright.width * s;
        p.height = upright.height * s;
        p.scaleX = p.scaleY = s;
    }
    if (!std::isfinite(offsetX)) offsetX = 0;
    if (!std::isfinite(offsetY)) offsetY = 0;
    // The screen's vertical centre measured from the top; an upward offset moves toward y = 0.
    p.tx = screen.midX() - p.width / 2 + offsetX * screen.w / 2;
    p.ty = (canvasHeight - screen.midY()) - p.height / 2 - offsetY * screen.h / 2;
    return p;
}

double screenCornerRadius(const CanvasRect& screen, std::optional<double> openingFraction) {
    const double side = std::min(screen.w, screen.h);
    if (!openingFraction || !std::isfinite(*openingFraction) || *openingFraction <= 0) {
        return kScreenCornerFraction * side;
    }
    return *openingFraction * std::max(side - 2 * kScreenGrowth, 0.0) + kScreenGrowth;
}

}  // namespace kestro
