#include "core/export/render_geometry.hpp"

#include "exporter_support.hpp"

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

namespace kestro {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(TrimRange, BoundsAreLimitedToTheSourceAndEmptyRangesRefused) {
    // Each bound is limited to the source; not-a-number counts as 0 and infinity as the end.
    for (const auto& [start, end, duration, from, to] : {std::tuple{-3.0, 25.0, 10.0, 0.0, 10.0},
                                                         {2.0, 9.5, 10.0, 2.0, 9.5},
                                                         {kNaN, kInf, 4.0, 0.0, 4.0},
                                                         {-kInf, 1.0, 4.0, 0.0, 1.0}}) {
        const auto r = clampTrimRange(start, end, duration);
        ASSERT_TRUE(r.ok()) << start << " .. " << end;
        EXPECT_DOUBLE_EQ(r->start, from);
        EXPECT_DOUBLE_EQ(r->end, to);
        EXPECT_DOUBLE_EQ(r->duration(), to - from);
    }
    // Empty or reversed (a NaN end becomes 0, which no start can precede), or a source without
    // a usable duration: nothing to export.
    for (const auto& [start, end, duration] : {std::tuple{0.0, kNaN, 4.0},
                                               {3.0, 3.0, 10.0},
                                               {5.0, 2.0, 10.0},
                                               {12.0, 20.0, 10.0},
                                               {-5.0, -1.0, 10.0},
                                               {0.0, 1.0, 0.0},
                                               {0.0, 1.0, kNaN},
                                               {0.0, 1.0, kInf}}) {
        const auto r = clampTrimRange(start, end, duration);
        ASSERT_FALSE(r.ok()) << start << " .. " << end << " of " << duration;
        EXPECT_EQ(r.error(), ExportError::invalidTrimRange());
    }
}

// Canvas 1280 x 2596 (a 1460 x 2960 frame at 720p), opening (10, 5, 80, 90), portrait source.
class WorkedPlacement : public ::testing::Test {
protected:
    static constexpr double W = 1280;
    static constexpr double H = 2596;
    const CanvasRect r = grownScreenRect({10, 5, 80, 90}, W, H);
    const VideoSize source{1170, 2532};
};

TEST_F(WorkedPlacement, TheGrownRectangleIsCoveredByFillAndItsCornersFollowTheShorterSide) {
    test::expectBox(r, 126, 127.8, 1028, 2340.4, 1e-9);
    test::expectBox(toTopLeftOrigin(r, H), 126, H - 127.8 - 2340.4, 1028, 2340.4, 1e-9);
    EXPECT_NEAR(screenCornerRadius(r), 0.13 * 1028, 1e-9);
    EXPECT_NEAR(screenCornerRadius({0, 0, 500, 100}), 13, 1e-9);

    EXPECT_NEAR(placementScale(VideoFitMode::fill, r, source, 1), 0.92433, 1e-5);
    EXPECT_NEAR(placementScale(VideoFitMode::fit, r, source, 1), 0.87863, 1e-5);

    const Placement p = placeVideo(r, H, source, VideoFitMode::fill, 1, 0, 0);
    EXPECT_NEAR(p.tx, 99.27, 0.005);
    EXPECT_NEAR(p.ty, 127.8, 1e-6);
    EXPECT_NEAR(p.height, 2340.4, 1e-6);  // the binding side fills exactly
    EXPECT_DOUBLE_EQ(p.scaleX, p.scaleY);
    EXPECT_NEAR(p.tx + p.width / 2, r.midX(), 1e-9);

    // Offsets move by half the rectangle, right and up.
    const Placement centred = placeVideo(r, H, source, VideoFitMode::fit, 1, 0, 0);
    const Placement moved = placeVideo(r, H, source, VideoFitMode::fit, 1, 1, 1);
    EXPECT_NEAR(moved.tx - centred.tx, r.w / 2, 1e-9);
    // Upward on the canvas is toward the top edge of the video space.
    EXPECT_NEAR(moved.ty - centred.ty, -r.h / 2, 1e-9);
}

// The user's scale is held between a tenth and ten times, and stretch ignores it.
TEST_F(WorkedPlacement, UserScaleIsHeldWithinATenthAndTenTimesAndStretchIgnoresIt) {
    const double fitted = placementScale(VideoFitMode::fill, r, source, 1);
    EXPECT_NEAR(placementScale(VideoFitMode::fill, r, source, 0), fitted * 0.1, 1e-12);
    EXPECT_NEAR(placementScale(VideoFitMode::fill, r, source, -2), fitted * 0.1, 1e-12);
    EXPECT_NEAR(placementScale(VideoFitMode::fill, r, source, 1.5), fitted * 1.5, 1e-12);
    EXPECT_NEAR(placementScale(VideoFitMode::fill, r, source, 1e7), fitted * 10, 1e-9);
    EXPECT_FALSE(std::isnan(placementScale(VideoFitMode::fill, r, source, kNaN)));

    // Shrunk, the video stays centred on the opening.
    const Placement p = placeVideo(r, H, source, VideoFitMode::fill, 0, 0, 0);
    EXPECT_NEAR(p.tx + p.width / 2, r.midX(), 1e-9);
    EXPECT_NEAR(p.ty + p.height / 2, H - r.midY(), 1e-9);

    EXPECT_DOUBLE_EQ(placementScale(VideoFitMode::stretch, r, source, 1), 1);
    const Placement s = placeVideo(r, H, source, VideoFitMode::stretch, 0.3, 0, 0);
    test::expectBox(CanvasRect{s.tx, s.ty, s.width, s.height}, r.x, toTopLeftOrigin(r, H).y, r.w,
                    r.h, 1e-9);
    EXPECT_DOUBLE_EQ(s.scaleX, r.w / source.width);
    EXPECT_DOUBLE_EQ(s.scaleY, r.h / source.height);
}

TEST(Placement, DegenerateSourceSizeDoesNotDivideByZero) {
    const CanvasRect r{0, 0, 100, 200};
    for (auto mode : {VideoFitMode::fit, VideoFitMode::fill, VideoFitMode::stretch}) {
        const Placement p = placeVideo(r, 200, {0, 0}, mode, 1, 0, 0);
        EXPECT_TRUE(std::isfinite(p.tx) && std::isfinite(p.ty) && std::isfinite(p.scaleX) &&
                    std::isfinite(p.scaleY));
    }
}

}  // namespace
}  // namespace kestro
