// The taps Kestro draws over the recording: where and when the touches say, in the export's
// pixels and in the preview's canvas alike.

#include "core/export/tap_overlay.hpp"

#include "exporter_support.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace kestro {
namespace {

// A 100 x 200 recording drawn at twice its size from (50, 20) on a 400 x 500 canvas; the
// screen box is the drawn rectangle.
TapPlacement twiceFrom50x20() {
    TapPlacement placement;
    placement.canvasWidth = 400;
    placement.canvasHeight = 500;
    placement.video = Placement{50, 20, 200, 400, 2, 2};
    placement.clip = CanvasRect{50, 20, 200, 400};
    placement.recordingWidth = 100;
    placement.recordingHeight = 200;
    return placement;
}

TapStyle solidWhite(double sizePercent = 20) {
    TapStyle style;
    style.sizePercent = sizePercent;  // 40 canvas pixels across at this placement
    style.opacity = 1;
    return style;
}

float coverageAt(const TapCoverage& c, int x, int y) {
    if (x < c.x || y < c.y || x >= c.x + c.width || y >= c.y + c.height) return 0;
    return c.at(x, y);
}

TEST(TapOverlay, ATapShowsAtItsPlaceFromItsTimeThenRipplesAndIsGone) {
    // Recording pixel (30, 50) lies at canvas (110, 120).
    const TouchTrack tap{{{1.0, 30, 50, TouchPhase::down, 0}, {1.05, 30, 50, TouchPhase::up, 0}}};
    const TapOverlay overlay(tap, solidWhite(), twiceFrom50x20());
    EXPECT_NEAR(overlay.radius(), 20, 1e-9);

    EXPECT_FALSE(overlay.showsAt(0.999));
    EXPECT_TRUE(coverageAt(overlay.coverageAt(0.999), 110, 120) == 0);
    const TapCoverage pressed = overlay.coverageAt(1.0);
    EXPECT_GT(coverageAt(pressed, 110, 120), 0.99);
    EXPECT_GT(coverageAt(pressed, 110 + 8, 120 - 8), 0.9);
    EXPECT_EQ(coverageAt(pressed, 110 + 25, 120), 0);  // beyond the circle
    EXPECT_EQ(coverageAt(pressed, 50, 300), 0);

    // A quick tap still shows its circle for the minimum press; then the ripple spreads out
    // while the circle fades.
    EXPECT_GT(coverageAt(overlay.coverageAt(1.0 + kTapMinimumPress * 0.9), 110, 120), 0.99);
    const double lifted = 1.0 + kTapMinimumPress;
    const TapCoverage rippling = overlay.coverageAt(lifted + kTapReleaseFade);
    EXPECT_EQ(coverageAt(rippling, 110, 120), 0);
    const double ring = 20 * (1 + kTapReleaseFade / kTapRippleSeconds);
    EXPECT_GT(coverageAt(rippling, 110 + static_cast<int>(std::lround(ring)), 120), 0.3);
    EXPECT_FALSE(overlay.showsAt(lifted + kTapRippleSeconds + 0.01));
    EXPECT_TRUE(overlay.coverageAt(lifted + kTapRippleSeconds + 0.01).empty());

    // Off, transparent or without touches: never drawn.
    TapStyle off = solidWhite();
    off.enabled = false;
    EXPECT_FALSE(TapOverlay(tap, off, twiceFrom50x20()).showsAt(1.0));
    off = solidWhite();
    off.opacity = 0;
    EXPECT_FALSE(TapOverlay(tap, off, twiceFrom50x20()).showsAt(1.0));
    EXPECT_FALSE(TapOverlay(TouchTrack{}, solidWhite(), twiceFrom50x20()).showsAt(1.0));
}

TEST(TapOverlay, UnderTheCameraATapMovesAndGrowsWithThePictureAndStaysInTheScreen) {
    // Recording pixel (30, 50) lies at canvas (110, 120); a 2x view from (100, 100) shows it
    // at (120, 140), with twice the radius.
    const TouchTrack tap{{{1.0, 30, 50, TouchPhase::down, 0}, {1.5, 30, 50, TouchPhase::up, 0}}};
    const TapOverlay overlay(tap, solidWhite(), twiceFrom50x20());
    const CanvasView view{2, 100, 100};
    const TapCoverage zoomed = overlay.coverageAt(1.2, view);
    EXPECT_GT(coverageAt(zoomed, 120, 140), 0.99);
    EXPECT_GT(coverageAt(zoomed, 120 + 30, 140), 0.5);  // inside the doubled radius
    EXPECT_EQ(coverageAt(zoomed, 120 + 50, 140), 0);
    // The screen box moves with the view: (50, 20) + 200 x 400 becomes (0, -60) + 400 x 800,
    // so a tap at the screen's left edge is cut at the canvas's edge, not at x = 50.
    const TouchTrack edge{{{1.0, 0, 50, TouchPhase::down, 0}, {1.5, 0, 50, TouchPhase::up, 0}}};
    const TapCoverage cut = TapOverlay(edge, solidWhite(), twiceFrom50x20()).coverageAt(1.2, view);
    EXPECT_EQ(cut.x, 0);
    EXPECT_GT(coverageAt(cut, 5, 140), 0.99);
}

TEST(TapOverlay, ASwipeLeavesAFadingTrailAndATapDoesNot) {
    // A finger drawn from canvas (110, 100) down to (110, 300) over 0.2 s; a second finger
    // taps at (210, 100) and wobbles by less than a pixel.
    const TouchTrack track{{{1.0, 30, 40, TouchPhase::down, 0},
                            {1.0, 80, 40, TouchPhase::down, 1},
                            {1.1, 30, 90, TouchPhase::move, 0},
                            {1.1, 80.3, 40, TouchPhase::move, 1},
                            {1.2, 30, 140, TouchPhase::up, 0},
                            {1.2, 80, 40, TouchPhase::up, 1}}};
    const TapOverlay overlay(track, solidWhite(10), twiceFrom50x20());
    const TapCoverage mid = overlay.coverageAt(1.15);
    EXPECT_GT(coverageAt(mid, 110, 250), 0.9);  // the finger, interpolated between its points
    EXPECT_GT(coverageAt(mid, 110, 150), 0.2);  // where it was: the trail
    EXPECT_LT(coverageAt(mid, 110, 150), coverageAt(mid, 110, 220));  // fainter further back
    EXPECT_GT(coverageAt(mid, 210, 100), 0.9);
    EXPECT_EQ(coverageAt(mid, 210, 130), 0);  // the tap has no trail
    // After the lift the trail fades out with the ripple.
    EXPECT_EQ(coverageAt(overlay.coverageAt(1.2 + kTapTrailSeconds + 0.01), 110, 200), 0);
}

TEST(TapOverlay, ASwipeOfCountlessPointsCostsNoMoreThanTheTrailShows) {
    // 100,000 moves within 0.3 s, back and forth across the screen's diagonal, from canvas
    // (50, 20) to (250, 420): each leg spans the screen. Drawn leg by leg over its bounding
    // square, one moment took hours.
    TouchTrack zigzag;
    constexpr int kMoves = 100'000;
    for (int i = 0; i <= kMoves; ++i) {
        const double end = i % 2;
        const TouchPhase phase =
            i == 0 ? TouchPhase::down : (i == kMoves ? TouchPhase::up : TouchPhase::move);
        zigzag.touches.push_back({1.0 + 0.3 * i / kMoves, 100 * end, 200 * end, phase, 0});
    }
    const TapOverlay overlay(zigzag, solidWhite(10), twiceFrom50x20());
    const TapCoverage c = overlay.coverageAt(1.2);
    EXPECT_GT(coverageAt(c, 150, 220), 0.5);  // on the diagonal
    EXPECT_EQ(coverageAt(c, 100, 320), 0);    // well off it
}

TEST(TapOverlay, DrawingStaysInsideTheScreenAndMatchesThePreviewCanvas) {
    TapPlacement placement = twiceFrom50x20();
    placement.clip = CanvasRect{60, 30, 180, 380};  // a rounded-off screen box inside the video
    const TouchTrack corner{{{0, 0, 0, TouchPhase::down, 0}}};
    const TapOverlay overlay(corner, solidWhite(40), placement);
    const TapCoverage c = overlay.coverageAt(0.05);
    ASSERT_FALSE(c.empty());
    EXPECT_GE(c.x, 60);
    EXPECT_GE(c.y, 30);
    EXPECT_GT(coverageAt(c, 62, 32), 0.9);

    // The preview's canvas gets the style's colour where the coverage says, at its strength.
    TapStyle red = solidWhite(40);
    red.colour = Rgba{255, 0, 0, 255};
    red.opacity = 0.5;
    Image canvas = Image::filled(400, 500, Rgba{0, 0, 255, 255});
    TapOverlay(corner, red, placement).drawOn(canvas, 0.05);
    EXPECT_EQ(canvas.at(62, 32), (Rgba{128, 0, 128, 255}));
    EXPECT_EQ(canvas.at(55, 25), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(canvas.at(200, 300), (Rgba{0, 0, 255, 255}));

    // A white tap over a white screen still shows: its soft edge is drawn in black under it.
    Image white = Image::filled(400, 500, Rgba{255, 255, 255, 255});
    const TouchTrack middle{{{0, 50, 100, TouchPhase::down, 0}}};  // canvas (150, 220)
    TapOverlay(middle, solidWhite(40), twiceFrom50x20()).drawOn(white, 0.05);
    EXPECT_EQ(white.at(150, 220), (Rgba{255, 255, 255, 255}));
    EXPECT_LT(white.at(150 + 40, 220).r, 230);
    EXPECT_EQ(white.at(150 + 60, 220), (Rgba{255, 255, 255, 255}));
}

// The export draws the taps the touch file holds, on the recording's clock: the trim's start
// moves them with the recording.
TEST(TapOverlay, AnExportShowsEachTapWhereAndWhenItHappened) {
    test::ScratchDir dir;
    test::MovieShape shape;
    shape.seconds = 2;
    const auto source = test::makeSolidMovie(dir / "dark.mp4", 20, 20, 20, shape);
    ASSERT_FALSE(source.empty());
    ExportConfig config = test::smallConfig();
    // The 64 x 128 recording fills the grown screen box (38, 38, 124, 324): drawn 162 x 324
    // from (19, 38), so recording pixel (32, 64) is canvas (100, 200) and (12, 24) is (49, 99).
    config.touches = TouchTrack{{{0.8, 32, 64, TouchPhase::down, 0},
                                 {0.85, 32, 64, TouchPhase::up, 0},
                                 {1.5, 12, 24, TouchPhase::down, 0},
                                 {1.55, 12, 24, TouchPhase::up, 0}}};
    config.taps = solidWhite(20);
    config.trimStart = 0.3;
    config.trimEnd = 2;
    const auto out = dir / "out.mp4";
    ASSERT_TRUE(test::exported(source, config, out));

    // 30 pictures a second from 0.3 s: the first tap is at picture 15, the second at 36.
    const auto first = test::lumaAt(out, 100, 200);
    const auto second = test::lumaAt(out, 50, 100);
    const auto aside = test::lumaAt(out, 100, 260);
    ASSERT_GE(first.size(), 50u);
    EXPECT_LT(first[14], 60);
    EXPECT_GT(first[15], 180);
    EXPECT_GT(first[17], 180);
    EXPECT_LT(first[30], 60);  // gone a second later
    EXPECT_LT(second[35], 60);
    EXPECT_GT(second[36], 180);
    EXPECT_LT(second[15], 60);
    EXPECT_LT(aside[15], 60);  // the circle is only as large as the style says
}

}  // namespace
}  // namespace kestro
