// How many ticks an export writes for a length, and how the source's time base bends that.

#include "core/export/tick_grid.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(TickGrid, EveryTickStartingBeforeTheEndExceptWhatTheTimeBaseRoundedIn) {
    // A tick that starts before the end is written, however little of it is left.
    EXPECT_EQ(tickCount(1.01, {30, 1}, 0), 31);
    EXPECT_EQ(tickCount(2.0, {30000, 1001}, 0), 60);
    EXPECT_EQ(tickCount(2.0 + 1e-9, {30, 1}, 0), 60);
    // 45 GIF pictures at 30 fps end at 1.51 s in hundredths: the 46th tick is rounding alone.
    EXPECT_EQ(tickCount(1.51, {30, 1}, 0.01), 45);
    EXPECT_EQ(tickCount(1.52, {30, 1}, 0.01), 46);
    // A time base as long as a frame (AVI's) never takes more than half a tick.
    EXPECT_EQ(tickCount(2.0, {30000, 1001}, 1001 / 30000.0), 60);
    EXPECT_EQ(tickCount(2.02, {30, 1}, 1 / 30.0), 61);
    // At least one tick; nonsense grains are none.
    EXPECT_EQ(tickCount(0, {30, 1}, 0), 1);
    EXPECT_EQ(tickCount(0.001, {30, 1}, 0.01), 1);
    EXPECT_EQ(tickCount(1.01, {30, 1}, -1), 31);
}

}  // namespace
}  // namespace kestro
