// Zoom on taps with the default rules on a 1000 x 2000 recording: where segments start, end and
// look, which touches share one, and which are left alone; then that each rule is followed when
// it is changed.

#include "core/model/auto_zoom.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

constexpr double kW = 1000, kH = 2000;

void tap(TouchTrack& track, double t, double x, double y, int id = 0) {
    track.touches.push_back({t, x, y, TouchPhase::down, id});
    track.touches.push_back({t + 0.1, x, y, TouchPhase::up, id});
}

// A straight stroke from (x0, y0) to (x1, y1) over `seconds`, in ten moves.
void stroke(TouchTrack& track, double t, double x0, double y0, double x1, double y1,
            double seconds) {
    track.touches.push_back({t, x0, y0, TouchPhase::down, 1});
    for (int i = 1; i <= 10; ++i) {
        const double u = i / 10.0;
        track.touches.push_back({t + u * seconds, x0 + u * (x1 - x0), y0 + u * (y1 - y0),
                                 i == 10 ? TouchPhase::up : TouchPhase::move, 1});
    }
}

TEST(ZoomOnTaps, OneTapGetsTwoTimesAroundItFromBeforeItToAfterIt) {
    TouchTrack track;
    tap(track, 2.0, 300, 500);
    const CameraTrack segments = zoomOnTaps(track, kW, kH);
    ASSERT_EQ(segments.size(), 1u);
    const ZoomSegment& s = segments[0];
    EXPECT_NEAR(s.start, 1.6, 1e-9);
    EXPECT_NEAR(s.end, 2.1 + 0.8, 1e-9);
    EXPECT_DOUBLE_EQ(s.scale, 2);
    EXPECT_NEAR(s.focusX, 0.3, 1e-9);
    EXPECT_NEAR(s.focusY, 0.25, 1e-9);
    EXPECT_DOUBLE_EQ(s.easeIn, kDefaultZoomEase);
    // A tap at the very start does not reach before the recording.
    TouchTrack early;
    tap(early, 0.1, 300, 500);
    EXPECT_DOUBLE_EQ(zoomOnTaps(early, kW, kH).at(0).start, 0);
    // Nothing to go on: nothing made.
    EXPECT_TRUE(zoomOnTaps({}, kW, kH).empty());
    EXPECT_TRUE(zoomOnTaps(track, 0, kH).empty());
}

TEST(ZoomOnTaps, TapsCloseInTimeAndPlaceShareOneSegmentOthersDoNot) {
    TouchTrack keyboard;  // typing: taps a little apart, within a second of each other
    tap(keyboard, 1.0, 200, 1500);
    tap(keyboard, 1.6, 300, 1520);
    tap(keyboard, 2.2, 400, 1500);
    const CameraTrack typed = zoomOnTaps(keyboard, kW, kH);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_NEAR(typed[0].start, 0.6, 1e-9);
    EXPECT_NEAR(typed[0].end, 3.1, 1e-9);
    EXPECT_NEAR(typed[0].focusX, 0.3, 1e-9);  // the middle of the three
    EXPECT_NEAR(typed[0].focusY, 0.755, 1e-9);

    TouchTrack apart;  // the same time, opposite corners: two places to look
    tap(apart, 1.0, 100, 100);
    tap(apart, 1.6, 900, 1900);
    EXPECT_EQ(zoomOnTaps(apart, kW, kH).size(), 2u);

    TouchTrack quick;  // half a second apart, opposite corners: the camera pans between them
    tap(quick, 1.0, 100, 100);
    tap(quick, 1.5, 900, 1900);
    const CameraTrack handed = zoomOnTaps(quick, kW, kH);
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_LE(handed[0].end, handed[1].start);
    // Held on the first tap until it lifts, and on the second by the time it lands.
    EXPECT_GE(handed[0].end - handed[0].easeOut, 1.1 - 1e-9);
    EXPECT_LE(handed[1].start + handed[1].easeIn, 1.5 + 1e-9);
    EXPECT_NEAR(handed[1].focusX, 0.9, 1e-9);

    TouchTrack later;  // the same place, long after: two segments
    tap(later, 1.0, 500, 500);
    tap(later, 5.0, 500, 500);
    const CameraTrack two = zoomOnTaps(later, kW, kH);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_LT(two[0].end, two[1].start);
}

TEST(ZoomOnTaps, ScrollsAndSwipesGetAWiderViewOrNone) {
    TouchTrack scroll;  // a fling over most of the screen's height
    stroke(scroll, 1.0, 500, 1700, 500, 300, 0.3);
    EXPECT_TRUE(zoomOnTaps(scroll, kW, kH).empty());

    TouchTrack swipe;  // a quick sideways swipe over a third of the width
    stroke(swipe, 1.0, 300, 1000, 600, 1000, 0.2);
    const CameraTrack wide = zoomOnTaps(swipe, kW, kH);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_DOUBLE_EQ(wide[0].scale, 1.4);
    EXPECT_NEAR(wide[0].focusX, 0.45, 1e-9);

    TouchTrack drag;  // a slow short drag is followed like a tap, its path kept in view
    stroke(drag, 1.0, 400, 1000, 500, 1000, 1.0);
    const CameraTrack followed = zoomOnTaps(drag, kW, kH);
    ASSERT_EQ(followed.size(), 1u);
    EXPECT_DOUBLE_EQ(followed[0].scale, 2);
    EXPECT_NEAR(followed[0].end, 2.8, 1e-9);
}

TEST(ZoomOnTaps, SegmentsThatNearlyTouchMergeWhenOneViewHoldsBoth) {
    // Two taps 1.4 s apart (too far to cluster under these rules) whose segments end and start
    // 0.1 s apart, close on the screen: one segment.
    TouchTrack near;
    tap(near, 1.0, 300, 600);
    tap(near, 2.4, 420, 700);
    AutoZoomRules rules;
    rules.clusterGap = 1.0;
    const CameraTrack one = zoomOnTaps(near, kW, kH, rules);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_NEAR(one[0].start, 0.6, 1e-9);
    EXPECT_NEAR(one[0].end, 3.3, 1e-9);
    // Far apart on the screen they stay two, and the camera pans between them.
    TouchTrack far;
    tap(far, 1.0, 100, 100);
    tap(far, 2.4, 900, 1900);
    EXPECT_EQ(zoomOnTaps(far, kW, kH, rules).size(), 2u);
}

TEST(ZoomOnTaps, EveryRuleIsFollowed) {
    TouchTrack track;
    tap(track, 2.0, 500, 1000);
    tap(track, 3.0, 520, 1000);
    AutoZoomRules rules;
    rules.scale = 3;
    rules.leadIn = 1;
    rules.holdAfter = 0.2;
    rules.ease = 0.5;
    const CameraTrack a = zoomOnTaps(track, kW, kH, rules);
    ASSERT_EQ(a.size(), 1u);
    EXPECT_DOUBLE_EQ(a[0].scale, 3);
    EXPECT_NEAR(a[0].start, 1.0, 1e-9);
    EXPECT_NEAR(a[0].end, 3.3, 1e-9);
    EXPECT_DOUBLE_EQ(a[0].easeOut, 0.5);
    rules.clusterGap = 0.5;  // the second tap comes too late for the first's cluster
    rules.mergeGap = -10;
    EXPECT_EQ(zoomOnTaps(track, kW, kH, rules).size(), 2u);
    rules = {};
    rules.clusterDistance = 0.01;  // 20 pixels apart is too far
    rules.mergeGap = -10;
    EXPECT_EQ(zoomOnTaps(track, kW, kH, rules).size(), 2u);
    rules = {};
    rules.tapTravel = 0.5;  // the swipe counts as a tap, clustered and zoomed at 2x
    rules.longSwipe = 10;
    rules.swipeSpeed = 100;
    TouchTrack swipe;
    stroke(swipe, 1.0, 300, 1000, 600, 1000, 0.1);
    EXPECT_DOUBLE_EQ(zoomOnTaps(swipe, kW, kH, rules).at(0).scale, 2);
    rules = {};
    rules.swipeScale = 1;  // swipes are never followed
    EXPECT_TRUE(zoomOnTaps(swipe, kW, kH, rules).empty());
    rules = {};
    rules.fitShare = 0.35;  // the view that holds the swipe is 1.17x: too wide to bother
    EXPECT_TRUE(zoomOnTaps(swipe, kW, kH, rules).empty());
    rules.minimumScale = 1;
    EXPECT_FALSE(zoomOnTaps(swipe, kW, kH, rules).empty());
}

}  // namespace
}  // namespace kestro
