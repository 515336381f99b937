// Waits found in real recordings: from packet times for a variable-rate one (nothing decoded),
// from picture differences for a constant-rate one.

#include "core/export/still_finder.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

using test::ScratchDir;

TEST(StillFinderTest, VariableRateWaitsComeFromThePictureTimes) {
    ScratchDir dir;
    // Ten pictures at 10 fps, then one every two seconds: 0.9..3, 3..5, 5..7, 7..9 are waits.
    const auto counting = test::makeCountingMovie(dir / "count.mp4", 10, 14);
    const auto source = test::makeWithFfmpeg(
        dir / "vfr.mp4", "-i " + test::shellQuote(counting.string()) +
                             " -vf \"setpts='if(lt(N,10),N/10,1+(N-9)*2)/TB'\""
                             " -fps_mode vfr -enc_time_base 1/600 -c:v libx264 -preset ultrafast");
    ASSERT_FALSE(source.empty());
    const auto stills = findStillStretches(source, 0, 9);
    ASSERT_TRUE(stills) << stills.error().message;
    const std::vector<StillStretch> expected{{0.9, 3}, {3, 5}, {5, 7}, {7, 9}};
    ASSERT_EQ(stills->size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR((*stills)[i].start, expected[i].start, 1e-3) << i;
        EXPECT_NEAR((*stills)[i].end, expected[i].end, 1e-3) << i;
    }
    // Inside a trimmed range only.
    const auto trimmed = findStillStretches(source, 4, 8.5);
    ASSERT_TRUE(trimmed);
    ASSERT_EQ(trimmed->size(), 2u);
    EXPECT_NEAR(trimmed->front().start, 5, 1e-3);
    EXPECT_NEAR(trimmed->back().start, 7, 1e-3);
    EXPECT_NEAR(trimmed->back().end, 8.5, 1e-3);
}

TEST(StillFinderTest, ConstantRateWaitsComeFromPictureDifferences) {
    ScratchDir dir;
    // Moving pictures, but frame 9 held for 3 s (0.9..3.9) and encoded with the usual loss.
    const auto source = test::makeWaitingMovie(dir / "cfr.mp4", 160, 320,
                                               "-c:v libx264 -preset ultrafast -crf 30");
    ASSERT_FALSE(source.empty());
    const auto stills = findStillStretches(source, 0, 100);
    ASSERT_TRUE(stills) << stills.error().message;
    ASSERT_EQ(stills->size(), 1u);
    EXPECT_NEAR(stills->front().start, 0.9, 1e-3);
    EXPECT_NEAR(stills->front().end, 3.9, 1e-3);
    // Every moving picture really differs, the held ones do not: the threshold sits between.
    const auto changes = measurePictureChanges(source, 0, 100);
    ASSERT_TRUE(changes);
    ASSERT_EQ(changes->size(), 49u);
    for (size_t n = 1; n < changes->size(); ++n) {
        const bool held = n > 9 && n < 39;
        if (held) {
            EXPECT_LT((*changes)[n].difference, StillSearch{}.sameBelow) << n;
        } else {
            EXPECT_GT((*changes)[n].difference, 3 * StillSearch{}.sameBelow) << n;
        }
    }
}

}  // namespace
}  // namespace kestro
