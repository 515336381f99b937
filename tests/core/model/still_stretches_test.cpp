// Waits found from picture changes and picture times, and the segments that shorten them
// without touching the user's own.

#include "core/model/still_stretches.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kestro {
namespace {

TEST(StillStretchesTest, RunsOfSamePicturesLongEnoughAreWaits) {
    // 10 fps: motion to 1 s, the same picture 1.0..2.9 (one tiny blip of noise at 2.0 stays
    // under the threshold), motion 3.0..3.4, then the same for 0.5 s: too short.
    std::vector<PictureChange> pictures;
    for (int n = 0; n < 40; ++n) {
        const double t = n / 10.0;
        double difference = 20;
        if (n > 10 && n < 30) difference = n == 20 ? 0.4 : 0.05;
        if (n > 35) difference = 0;
        pictures.push_back({t, n == 0 ? HUGE_VAL : difference});
    }
    const StillSearch search;
    EXPECT_EQ(stillsFromChanges(pictures, 4.0, search), (std::vector<StillStretch>{{1.0, 3.0}}));
    // The last run lasts to the end of the range: a long end makes it a wait.
    EXPECT_EQ(stillsFromChanges(pictures, 6.0, search),
              (std::vector<StillStretch>{{1.0, 3.0}, {3.5, 6.0}}));
    // A stricter threshold splits the first wait at the blip.
    StillSearch strict;
    strict.sameBelow = 0.1;
    EXPECT_EQ(stillsFromChanges(pictures, 4.0, strict),
              (std::vector<StillStretch>{{1.0, 2.0}, {2.0, 3.0}}));
}

TEST(StillStretchesTest, GapsBetweenPictureTimesAreWaits) {
    const std::vector<double> times{0, 0.1, 0.2, 2.2, 2.3, 2.9, 4.5};
    EXPECT_EQ(stillsFromPictureTimes(times, 5.0, {}),
              (std::vector<StillStretch>{{0.2, 2.2}, {2.9, 4.5}}));
    EXPECT_EQ(stillsFromPictureTimes(times, 5.6, {}),
              (std::vector<StillStretch>{{0.2, 2.2}, {2.9, 4.5}, {4.5, 5.6}}));
    EXPECT_TRUE(stillsFromPictureTimes({}, 5, {}).empty());
}

TEST(StillStretchesTest, ShortenedWaitsLeaveTheUsersSegmentsAlone) {
    // A 6 s wait to at most 2 s: three times as fast.
    EXPECT_EQ(shortenStills({{2, 8}}, 2, {}), (SpeedTrack{{2, 8, 3}}));
    // Already short enough: nothing added.
    EXPECT_TRUE(shortenStills({{2, 3.5}}, 2, {}).empty());
    // The user's 4..5 at half speed stays; the wait's parts around it are shortened on their
    // own (2..4 is not longer than 2 s, 5..8 becomes 1.5x).
    EXPECT_EQ(shortenStills({{2, 8}}, 2, {{4, 5, 0.5}}), (SpeedTrack{{4, 5, 0.5}, {5, 8, 1.5}}));
    // A segment covering the whole wait wins outright.
    EXPECT_EQ(shortenStills({{2, 8}}, 2, {{1, 9, 1}}), (SpeedTrack{{1, 9, 1}}));
    // Longer than the fastest factor can bring down: as fast as allowed.
    EXPECT_EQ(shortenStills({{0, 100}}, 2, {}), (SpeedTrack{{0, 100, kMaxSpeedFactor}}));
}

}  // namespace
}  // namespace kestro
