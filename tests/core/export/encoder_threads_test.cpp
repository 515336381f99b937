// Encoders that run side by side share the cores by the pixels they encode.

#include "core/export/encoder_threads.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(EncoderThreadsTest, AnEncoderAloneOrOneThatDoesNotThreadChoosesForItself) {
    EXPECT_EQ(shareEncoderThreads({}, 2), std::vector<int>{});
    EXPECT_EQ(shareEncoderThreads({1280 * 720}, 2), std::vector<int>({0}));
    // A GIF beside one movie: the movie's encoder is still alone among those that thread.
    EXPECT_EQ(shareEncoderThreads({0, 1920 * 1080}, 8), std::vector<int>({0, 0}));
}

TEST(EncoderThreadsTest, EncodersTogetherShareTheCoresByTheirPixels) {
    const long long large = 1920LL * 3898, small = 1280LL * 2600;
    // Two cores: the large movie, 69 % of the pixels, rounds up to both; the small one to one.
    EXPECT_EQ(shareEncoderThreads({large, small, 0}, 2), std::vector<int>({2, 1, 0}));
    EXPECT_EQ(shareEncoderThreads({large, small}, 8), std::vector<int>({6, 3}));
    // More encoders than cores: one thread each, never none.
    EXPECT_EQ(shareEncoderThreads({100, 100, 100}, 2), std::vector<int>({1, 1, 1}));
    // Equal movies split the machine evenly; an unknown core count counts as one.
    EXPECT_EQ(shareEncoderThreads({100, 100}, 16), std::vector<int>({8, 8}));
    EXPECT_EQ(shareEncoderThreads({100, 100}, 0), std::vector<int>({1, 1}));
}

}  // namespace
}  // namespace kestro
