// The camera over time and over the canvas: eases, holds, pans between close segments, and the
// view that never shows past the canvas's edge.

#include "core/export/camera_path.hpp"
#include "core/export/camera_view.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestro {
namespace {

ZoomSegment segment(double start, double end, double fx, double fy, double scale) {
    ZoomSegment s;
    s.start = start;
    s.end = end;
    s.focusX = fx;
    s.focusY = fy;
    s.scale = scale;
    return s;
}

// The cubic 3u^2 - 2u^3, written out here rather than taken from the code under test.
double cubic(double u) {
    return u * u * (3 - 2 * u);
}

TEST(CameraPath, EasesInHoldsAndEasesOutOfOneSegment) {
    const CameraTrack track{segment(1.0, 3.0, 0.25, 0.75, 3)};
    EXPECT_EQ(cameraAt(track, 0.5).scale, 1);
    EXPECT_EQ(cameraAt(track, 1.0).scale, 1);
    EXPECT_EQ(cameraAt(track, 3.5).scale, 1);
    EXPECT_EQ(cameraAt({}, 2.0), CameraState{});
    // Held between the eases, on the segment's focus.
    for (double t : {1.35, 2.0, 2.65}) {
        const CameraState c = cameraAt(track, t);
        EXPECT_DOUBLE_EQ(c.scale, 3) << t;
        EXPECT_DOUBLE_EQ(c.focusX, 0.25);
        EXPECT_DOUBLE_EQ(c.focusY, 0.75);
    }
    // The eases follow the cubic both ways and keep the focus.
    for (double u : {0.1, 0.5, 0.8}) {
        EXPECT_NEAR(cameraAt(track, 1.0 + u * kDefaultZoomEase).scale, 1 + 2 * cubic(u), 1e-9);
        EXPECT_NEAR(cameraAt(track, 3.0 - u * kDefaultZoomEase).scale, 1 + 2 * cubic(u), 1e-9);
        EXPECT_DOUBLE_EQ(cameraAt(track, 1.0 + u * kDefaultZoomEase).focusX, 0.25);
    }
    // Smooth: no step anywhere along the segment.
    double previous = 1;
    for (double t = 0.9; t <= 3.1; t += 0.005) {
        const double s = cameraAt(track, t).scale;
        EXPECT_LT(std::abs(s - previous), 0.05) << t;
        previous = s;
    }
}

TEST(CameraPath, CloseSegmentsPanWithoutReturningToOneAndFarOnesDo) {
    const ZoomSegment a = segment(1.0, 2.0, 0.2, 0.2, 2);
    const ZoomSegment close = segment(2.4, 3.4, 0.8, 0.6, 3);
    // Given out of order: the track is sorted by time.
    const CameraTrack panning{close, a};
    for (double t = 1.4; t <= 2.75; t += 0.01) {
        EXPECT_GE(cameraAt(panning, t).scale, 2 - 1e-9) << t;
    }
    // Half-way through the pan (from a's held end to close's held start) the view is half-way.
    const double from = 2.0 - kDefaultZoomEase;
    const double to = 2.4 + kDefaultZoomEase;
    const CameraState mid = cameraAt(panning, (from + to) / 2);
    EXPECT_NEAR(mid.scale, 2.5, 1e-9);
    EXPECT_NEAR(mid.focusX, 0.5, 1e-9);
    EXPECT_NEAR(mid.focusY, 0.4, 1e-9);
    EXPECT_DOUBLE_EQ(cameraAt(panning, to + 0.1).scale, 3);
    EXPECT_DOUBLE_EQ(cameraAt(panning, to + 0.1).focusX, 0.8);

    const CameraTrack apart{a, segment(2.0 + kZoomPanGap + 0.1, 4.0, 0.8, 0.6, 3)};
    EXPECT_EQ(cameraAt(apart, 2.0 + kZoomPanGap / 2).scale, 1);
}

// The largest change of the camera between two instants `step` apart over [from, to]. The
// focus counts as far as the camera is in: at 1x it shows nothing.
double largestStep(const CameraTrack& track, double from, double to, double step) {
    double largest = 0;
    CameraState previous = cameraAt(track, from);
    for (double t = from + step; t <= to; t += step) {
        const CameraState c = cameraAt(track, t);
        const double in = c.scale - 1, before = previous.scale - 1;
        largest = std::max({largest, std::abs(c.scale - previous.scale),
                            std::abs(c.focusX * in - previous.focusX * before),
                            std::abs(c.focusY * in - previous.focusY * before)});
        previous = c;
    }
    return largest;
}

TEST(CameraPath, OverlappingSegmentsHandOverWithPans) {
    // A segment inside another: its view shows while it runs, then the outer one's comes back
    // and eases out at its own end.
    const ZoomSegment outer = segment(1.0, 3.5, 0.5, 0.5, 2);
    const ZoomSegment inner = segment(1.5, 2.5, 0.8, 0.2, 3);
    const CameraTrack nested{outer, inner};
    const CameraState during = cameraAt(nested, 2.0);
    EXPECT_DOUBLE_EQ(during.scale, 3);
    EXPECT_DOUBLE_EQ(during.focusX, 0.8);
    const CameraState back = cameraAt(nested, 3.0);
    EXPECT_DOUBLE_EQ(back.scale, 2);
    EXPECT_DOUBLE_EQ(back.focusX, 0.5);
    EXPECT_NEAR(cameraAt(nested, 3.5 - kDefaultZoomEase / 2).scale, 1.5, 1e-9);
    EXPECT_LT(largestStep(nested, 0.9, 3.6, 0.002), 0.02);

    // Overlapping ends: the later one takes over where it starts, panning; never a cut.
    const ZoomSegment later = segment(1.5, 3.5, 0.9, 0.9, 2);
    const CameraTrack overlapping{later, segment(1.0, 3.0, 0.1, 0.1, 2)};
    EXPECT_DOUBLE_EQ(cameraAt(overlapping, 1.45).focusX, 0.1);
    EXPECT_DOUBLE_EQ(cameraAt(overlapping, 2.0).focusX, 0.9);
    EXPECT_GE(cameraAt(overlapping, 1.5 + kDefaultZoomEase / 2).scale, 2 - 1e-9);
    EXPECT_LT(largestStep(overlapping, 0.9, 3.6, 0.002), 0.02);

    // Three deep, the same start twice: still smooth, and whatever holds the camera is one of them.
    const CameraTrack deep{segment(1.0, 4.0, 0.2, 0.2, 2), segment(1.0, 3.0, 0.6, 0.6, 4),
                           segment(1.2, 1.4, 0.9, 0.1, 3)};
    EXPECT_LT(largestStep(deep, 0.9, 4.1, 0.001), 0.05);
    EXPECT_DOUBLE_EQ(cameraAt(deep, 3.7).focusX, 0.2);
}

TEST(CameraPath, OddSegmentsAreMadeUsable) {
    // Eases longer than the segment shrink in proportion: it peaks in the middle, below its scale.
    ZoomSegment shortOne = segment(1.0, 1.4, 0.5, 0.5, 2);
    const CameraTrack track{shortOne};
    EXPECT_NEAR(cameraAt(track, 1.2).scale, 2, 1e-9);
    EXPECT_LT(cameraAt(track, 1.1).scale, 2);
    // Out-of-range numbers are brought into range; nothing is NaN.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CameraTrack wild{segment(3.0, 2.0, -1, nan, 9)};
    const CameraState c = cameraAt(wild, 2.5);
    EXPECT_DOUBLE_EQ(c.scale, kMaxZoomScale);
    EXPECT_DOUBLE_EQ(c.focusX, 0);
    EXPECT_DOUBLE_EQ(c.focusY, 0.5);
    EXPECT_EQ(cameraAt(track, nan), CameraState{});
}

TEST(CameraView, PutsTheFocusInTheMiddleUnlessAnEdgeWouldShow) {
    // A 200 x 400 canvas with the video at (38, 38), 124 x 324.
    const Placement p{38, 38, 124, 324, 1, 1};
    EXPECT_TRUE(canvasView({}, p, 200, 400).identity());
    // Focus in the middle of the video and of the canvas.
    const CanvasView middle = canvasView({2, 0.5, 0.5}, p, 200, 400);
    EXPECT_EQ(middle, (CanvasView{2, 100, 200}));
    // The focus point lands on the output's centre.
    const CanvasRect focus = middle.apply(CanvasRect{100, 200, 0, 0});
    EXPECT_DOUBLE_EQ(focus.x, 100);
    EXPECT_DOUBLE_EQ(focus.y, 200);
    // The video's corner is 38 pixels in: at 3x, 14 pixels of canvas still show before it.
    EXPECT_EQ(canvasView({3, 0, 0}, p, 200, 400), (CanvasView{3, 14, 0}));
    // With the video filling the canvas, the view stops at the canvas's corner...
    const Placement whole{0, 0, 200, 400, 1, 1};
    EXPECT_EQ(canvasView({3, 0, 0}, whole, 200, 400), (CanvasView{3, 0, 0}));
    // ...and at the far one, where the magnified canvas ends exactly at the output's edge.
    const CanvasView far = canvasView({3, 1, 1}, whole, 200, 400);
    EXPECT_EQ(far, (CanvasView{3, 400, 800}));
    const CanvasRect canvas = far.apply(CanvasRect{0, 0, 200, 400});
    EXPECT_DOUBLE_EQ(canvas.x + canvas.w, 200);
    EXPECT_DOUBLE_EQ(canvas.y + canvas.h, 400);
    // Every view covers the output whatever the focus.
    for (double s : {1.3, 2.0, 4.0}) {
        for (double f : {-0.5, 0.1, 0.9, 1.5}) {
            const CanvasRect c =
                canvasView({s, f, 1 - f}, p, 200, 400).apply(CanvasRect{0, 0, 200, 400});
            EXPECT_LE(c.x, 0);
            EXPECT_LE(c.y, 0);
            EXPECT_GE(c.x + c.w, 200);
            EXPECT_GE(c.y + c.h, 400);
        }
    }
}

}  // namespace
}  // namespace kestro
