#include "core/export/camera_path.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

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

// How far in the camera is over one segment on its own: 0 outside, 1 while held.
double level(const ZoomSegment& s, double t) {
    if (t <= s.start || t >= s.end) return 0;
    if (s.easeIn > 0 && t < s.start + s.easeIn) return smoothEase((t - s.start) / s.easeIn);
    if (s.easeOut > 0 && t > s.end - s.easeOut) return smoothEase((s.end - t) / s.easeOut);
    return 1;
}

// As level(), with the segment's ends counted in: a pan that starts where a segment without a
// way out ends, or ends where one without a way in starts, meets its full view, not 1x.
double levelWithin(const ZoomSegment& s, double t) {
    if (t < s.start || t > s.end) return 0;
    if (s.easeIn > 0 && t < s.start + s.easeIn) return smoothEase((t - s.start) / s.easeIn);
    if (s.easeOut > 0 && t > s.end - s.easeOut) return smoothEase((s.end - t) / s.easeOut);
    return 1;
}

CameraState stateOf(const ZoomSegment& s, double level) {
    return {lerp(1, s.scale, level), s.focusX, s.focusY};
}

// A stretch of the timeline that one segment holds, once the segments are laid over each other
// in the order they start: a segment that starts inside another takes over from it where it
// starts, and what of the other outlasts it comes back after it. The pieces follow each other
// without overlapping, so where one meets the next the camera pans.
struct Piece {
    ZoomSegment segment;  // the whole segment, sanitized: its eases keep their own clock
    double from = 0;
    double to = 0;
    double in = 0;   // how long the way in (an ease or a pan) takes from `from`
    double out = 0;  // how long the way out takes up to `to`; none where another takes over
};

std::vector<Piece> piecesOf(const CameraTrack& track) {
    CameraTrack segments;
    segments.reserve(track.size());
    for (const ZoomSegment& s : track) {
        ZoomSegment clean = sanitizedSegment(s);
        if (clean.end > clean.start) segments.push_back(clean);
    }
    std::stable_sort(segments.begin(), segments.end(),
                     [](const ZoomSegment& a, const ZoomSegment& b) { return a.start < b.start; });
    std::vector<Piece> pieces;
    pieces.reserve(segments.size());
    for (const ZoomSegment& s : segments) {
        // The pieces are in order and apart, so those still running at s's start are the last.
        auto first = pieces.end();
        while (first != pieces.begin() && std::prev(first)->to > s.start) --first;
        std::vector<Piece> covered(first, pieces.end());
        pieces.erase(first, pieces.end());
        if (!covered.empty() && covered.front().from < s.start) {
            Piece before = covered.front();
            before.to = s.start;
            before.out = 0;
            pieces.push_back(before);
        }
        pieces.push_back({s, s.start, s.end, s.easeIn, s.easeOut});
        for (Piece after : covered) {
            if (!(after.to > s.end)) continue;
            if (after.from < s.end) {
                after.from = s.end;
                after.in = after.segment.easeIn;  // the pan back
            }
            pieces.push_back(after);
        }
    }
    for (Piece& p : pieces) {
        const double length = p.to - p.from;
        if (p.in + p.out > length) {
            const double k = length / (p.in + p.out);
            p.in *= k;
            p.out *= k;
        }
    }
    return pieces;
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
    const std::vector<Piece> pieces = piecesOf(track);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& a = pieces[i];
        // Close to the next piece: from where a's way out would begin straight to b's view.
        if (i + 1 < pieces.size()) {
            const Piece& b = pieces[i + 1];
            if (b.from - a.to < kZoomPanGap) {
                const double from = a.to - a.out;
                const double to = std::max(from, b.from + b.in);
                if (t >= from && t <= to) {
                    const CameraState x = stateOf(a.segment, levelWithin(a.segment, from));
                    const CameraState y = stateOf(b.segment, levelWithin(b.segment, to));
                    const double u = to > from ? smoothEase((t - from) / (to - from)) : 1;
                    return {lerp(x.scale, y.scale, u), lerp(x.focusX, y.focusX, u),
                            lerp(x.focusY, y.focusY, u)};
                }
            }
        }
        if (t >= a.from && t <= a.to) return stateOf(a.segment, level(a.segment, t));
    }
    return {};
}

}  // namespace kestro
