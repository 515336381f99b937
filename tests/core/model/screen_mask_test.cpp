#include "core/model/screen_mask.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(ScreenMask, InvertsAlphaAndKeepsColourAndSizeOfWellFormedImages) {
    Image frame = Image::filled(3, 2, {10, 20, 30, 255});
    frame.set(0, 0, {200, 100, 50, 0});
    frame.set(1, 0, {7, 8, 9, 64});  // a quarter covered: three quarters of the video shows
    const auto mask = screenOpeningMask(frame);
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->width, 3);
    EXPECT_EQ(mask->height, 2);
    EXPECT_EQ(mask->at(0, 0), (Rgba{200, 100, 50, 255}));
    EXPECT_EQ(mask->at(1, 0), (Rgba{7, 8, 9, 191}));
    EXPECT_EQ(mask->at(2, 1), (Rgba{10, 20, 30, 0}));

    // Bad input gives none.
    EXPECT_EQ(screenOpeningMask(Image{}), std::nullopt);
    EXPECT_EQ(screenOpeningMask(Image{4, 4, std::vector<std::uint8_t>(3)}), std::nullopt);
}

}  // namespace
}  // namespace kestro
