#include "core/export/camera_path.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

double smoothEase(double u) {
    if (!(u > 0)) return 0;
    if (u >= 1) return 1;
    return u * u * (3 - 2 * u);
}

namespace {

double finiteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

double lerp(double a, double b, double u) {
    return a + (b - a) * u;
}

CameraState heldView(const ZoomSegment& s) {
    return {s.scale, s.focusX, s.focusY};
}

// How far in the camera is over one segment on its own: 0 outside, 1 while held.
double level(const ZoomSegment& s, double t) {
    if (t <= s.start || t >= s.end) return 0;
    if (s.easeIn > 0 && t < s.start + s.easeIn) return smoothEase((t - s.start) / s.easeIn);
    if (s.easeOut > 0 && t > s.end - s.easeOut) return smoothEase((s.end - t) / s.easeOut);
    return 1;
}

}  // namespace

ZoomSegment sanitizedSegment(const ZoomSegment& segment) {
    ZoomSegment s = segment;
    s.start = finiteOr(s.start, 0);
    s.end = finiteOr(s.end, s.start);
    if (s.end < s.start) std::swap(s.start, s.end);
    s.focusX = std::clamp(finiteOr(s.focusX, 0.5), 0.0, 1.0);
    s.focusY = std::clamp(finiteOr(s.focusY, 0.5), 0.0, 1.0);
    s.scale = std::clamp(finiteOr(s.scale, kMinZoomScale), kMinZoomScale, kMaxZoomScale);
    s.easeIn = std::max(0.0, finiteOr(s.easeIn, kDefaultZoomEase));
    s.easeOut = std::max(0.0, finiteOr(s.easeOut, kDefaultZoomEase));
    const double length = s.end - s.start;
    if (s.easeIn + s.easeOut > length) {
        // A short segment keeps the eases' proportions and never holds.
        const double k = s.easeIn + s.easeOut > 0 ? length / (s.easeIn + s.easeOut) : 0;
        s.easeIn *= k;
        s.easeOut *= k;
    }
    return s;
}

CameraState cameraAt(const CameraTrack& track, double t) {
    if (track.empty() || !std::isfinite(t)) return {};
    CameraTrack segments;
    segments.reserve(track.size());
    for (const ZoomSegment& s : track) {
        ZoomSegment clean = sanitizedSegment(s);
        if (clean.end > clean.start) segments.push_back(clean);
    }
    std::sort(segments.begin(), segments.end(),
              [](const ZoomSegment& a, const ZoomSegment& b) { return a.start < b.start; });

    for (size_t i = 0; i < segments.size(); ++i) {
        const ZoomSegment& a = segments[i];
        // Close to the next one: from a's held view straight to b's.
        if (i + 1 < segments.size()) {
            const ZoomSegment& b = segments[i + 1];
            if (b.start - a.end < kZoomPanGap) {
                const double from = a.end - a.easeOut;
                const double to = std::max(from, b.start + b.easeIn);
                if (t >= from && t <= to) {
                    const double u = to > from ? smoothEase((t - from) / (to - from)) : 1;
                    return {lerp(a.scale, b.scale, u), lerp(a.focusX, b.focusX, u),
                            lerp(a.focusY, b.focusY, u)};
                }
                if (t > to) continue;  // the pan took over a's way out
            }
        }
        // Coming from a close previous segment, the way in was the pan.
        const bool panIn = i > 0 && a.start - segments[i - 1].end < kZoomPanGap;
        if (t < a.start || t > a.end) continue;
        if (panIn && t < a.start + a.easeIn) return heldView(a);
        const double k = level(a, t);
        return {lerp(1, a.scale, k), a.focusX, a.focusY};
    }
    return {};
}

}  // namespace kestro
