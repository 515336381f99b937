// The shadow blur shared by the preview and the export: size, symmetry, softness and the
// conservation a blur must have.

#include "core/model/drop_shadow.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(DropShadow, SoftensTheSilhouetteWithoutLosingOrGainingInk) {
    Image square = Image::filled(60, 60);
    square.fillRect(10, 10, 40, 40, {9, 9, 9, 255});
    const Image shadow = dropShadow(square, 8, {0, 0, 0, 255});
    const int m = dropShadowMargin(8);
    ASSERT_EQ(shadow.width, 60 + 2 * m);
    ASSERT_EQ(shadow.height, 60 + 2 * m);
    // The colour is the shadow's; the middle stays solid, the edge is half-covered, and it
    // falls off monotonically outward.
    const int c = m + 30;
    EXPECT_EQ(shadow.at(c, c), (Rgba{0, 0, 0, 255}));
    EXPECT_NEAR(shadow.alpha(m + 10, c), 128, 20);
    int previous = 256;
    for (int x = m + 10; x >= 0; --x) {
        EXPECT_LE(shadow.alpha(x, c), previous) << x;
        previous = shadow.alpha(x, c);
    }
    EXPECT_EQ(shadow.alpha(0, 0), 0);
    // Symmetric about the square's centre.
    EXPECT_EQ(shadow.alpha(m + 8, c), shadow.alpha(m + 51, c));
    EXPECT_EQ(shadow.alpha(c, m + 8), shadow.alpha(c, m + 51));
    // A blur moves ink around; it neither adds nor removes it (integer division loses a little).
    long total = 0;
    for (int y = 0; y < shadow.height; ++y)
        for (int x = 0; x < shadow.width; ++x) total += shadow.alpha(x, y);
    EXPECT_NEAR(static_cast<double>(total), 1600.0 * 255, 1600.0 * 255 * 0.03);

    // The colour's alpha scales the shadow.
    const Image faint = dropShadow(square, 8, {0, 0, 0, 90});
    EXPECT_EQ(faint.alpha(c, c), 90);
    EXPECT_TRUE(dropShadow(Image{}, 8, {0, 0, 0, 255}).empty());
}

}  // namespace
}  // namespace kestro
