// The output clock against the recording's: lengths, both directions of the mapping, segments
// cut to the trim, and the track rules the front ends refuse by.

#include "core/model/time_map.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

namespace kestro {
namespace {

// Trimmed to 1..9 s: 2..4 at 4x (0.5 s), 6..8 at 0.5x (4 s). Output: 1 + 0.5 + 2 + 4 + 1.
TEST(TimeMapTest, OutputRunsEachPieceAtItsSpeed) {
    const TimeMap map(1, 9, {{6, 8, 0.5}, {2, 4, 4}});
    EXPECT_DOUBLE_EQ(map.outputDuration(), 8.5);
    EXPECT_FALSE(map.isRealTime());
    ASSERT_EQ(map.pieces().size(), 5u);
    // Output moments and the recording time shown, worked out by hand.
    for (const auto& [out, source] : {std::pair{0.0, 1.0},
                                      {1.0, 2.0},
                                      {1.25, 3.0},
                                      {1.5, 4.0},
                                      {3.5, 6.0},
                                      {5.5, 7.0},
                                      {7.5, 8.0},
                                      {8.5, 9.0}}) {
        EXPECT_NEAR(map.sourceAt(out), source, 1e-12) << "output " << out;
        EXPECT_NEAR(map.outputAt(source), out, 1e-12) << "source " << source;
    }
    // Outside the output: clamped to the trimmed range.
    EXPECT_DOUBLE_EQ(map.sourceAt(-3), 1);
    EXPECT_DOUBLE_EQ(map.sourceAt(100), 9);
    EXPECT_DOUBLE_EQ(map.outputAt(0.5), 0);
    EXPECT_DOUBLE_EQ(map.outputAt(12), 8.5);
    // The pieces tile the range and the output without gaps.
    for (size_t i = 1; i < map.pieces().size(); ++i) {
        EXPECT_DOUBLE_EQ(map.pieces()[i].sourceStart, map.pieces()[i - 1].sourceEnd);
        EXPECT_DOUBLE_EQ(map.pieces()[i].outputStart, map.pieces()[i - 1].outputEnd);
    }
}

TEST(TimeMapTest, SegmentsAreCutToTheTrim) {
    // Half of each edge segment lies outside 2..6; the middle one entirely outside is dropped.
    const TimeMap map(2, 6, {{0, 3, 2}, {5, 7, 4}, {8, 9, 16}});
    EXPECT_DOUBLE_EQ(map.outputDuration(), 0.5 + 2 + 0.25);
    EXPECT_DOUBLE_EQ(map.sourceAt(0.5), 3);
    const TimeMap plain(2, 6);
    EXPECT_TRUE(plain.isRealTime());
    EXPECT_DOUBLE_EQ(plain.outputDuration(), 4);
    EXPECT_DOUBLE_EQ(plain.sourceAt(1.5), 3.5);
    const TimeMap outside(2, 6, {{7, 8, 4}});
    EXPECT_TRUE(outside.isRealTime());
    EXPECT_DOUBLE_EQ(TimeMap(3, 3).outputDuration(), 0);
}

TEST(TimeMapTest, TrackProblemsAreFoundAndTouchingSegmentsAreFine) {
    EXPECT_FALSE(speedTrackProblem({}));
    EXPECT_FALSE(speedTrackProblem({{4, 6, 16}, {1, 4, 0.25}}));  // touching, any order
    EXPECT_TRUE(speedTrackProblem({{1, 4, 2}, {3, 5, 2}}));
    EXPECT_TRUE(speedTrackProblem({{3, 5, 2}, {1, 4, 2}}));
    EXPECT_TRUE(speedTrackProblem({{1, 2, 0.2}}));
    EXPECT_TRUE(speedTrackProblem({{1, 2, 17}}));
    EXPECT_TRUE(speedTrackProblem({{2, 2, 2}}));
    EXPECT_TRUE(speedTrackProblem({{-1, 2, 2}}));
    EXPECT_TRUE(speedTrackProblem({{1, std::numeric_limits<double>::infinity(), 2}}));
    EXPECT_TRUE(speedTrackProblem({{1, 2, std::numeric_limits<double>::quiet_NaN()}}));
    // The message names the segments that collide.
    const auto overlap = speedTrackProblem({{1, 4, 2}, {3, 5, 2}});
    ASSERT_TRUE(overlap);
    EXPECT_NE(overlap->find("1-4"), std::string::npos);
    EXPECT_NE(overlap->find("3-5"), std::string::npos);
}

}  // namespace
}  // namespace kestro
