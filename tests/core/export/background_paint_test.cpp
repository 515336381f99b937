// The gradient's direction and end colours as CSS draws them, premultiplied interpolation, when
// a fill counts as transparent, and the cover fit of background pictures.

#include "core/export/background_paint.hpp"
#include "core/export/canvas_backdrop.hpp"
#include "exporter_support.hpp"

#include <cmath>
#include <limits>

namespace kestro {
namespace {

TEST(Gradient, AnglesRunAsInCss) {
    const double W = 200, H = 100;
    // 180 (the default): start at the top, end at the bottom, the same along a row.
    EXPECT_NEAR(gradientPosition(180, 0, 0, W, H), 0.005, 1e-9);
    EXPECT_NEAR(gradientPosition(180, 150, 99, W, H), 0.995, 1e-9);
    EXPECT_NEAR(gradientPosition(180, 0, 40, W, H), gradientPosition(180, 199, 40, W, H), 1e-12);
    // 0 runs to the top, 90 to the right, 270 to the left.
    EXPECT_GT(gradientPosition(0, 10, 0, W, H), 0.99);
    EXPECT_LT(gradientPosition(0, 10, 99, W, H), 0.01);
    EXPECT_LT(gradientPosition(90, 0, 50, W, H), 0.01);
    EXPECT_GT(gradientPosition(90, 199, 50, W, H), 0.99);
    EXPECT_GT(gradientPosition(270, 0, 50, W, H), 0.99);
    // A diagonal reaches its end colours in the two corners it runs between, whatever the
    // canvas's shape: 45 degrees runs from the bottom-left to the top-right, and the other two
    // corners lie symmetrically about the middle.
    EXPECT_LT(gradientPosition(45, 0, 99, W, H), 0.01);
    EXPECT_GT(gradientPosition(45, 199, 0, W, H), 0.99);
    EXPECT_NEAR(gradientPosition(45, 0, 0, W, H) + gradientPosition(45, 199, 99, W, H), 1, 1e-9);
    // A whole turn is the same gradient; no number counts as 180.
    EXPECT_NEAR(gradientPosition(450, 33, 20, W, H), gradientPosition(90, 33, 20, W, H), 1e-9);
    EXPECT_EQ(gradientPosition(std::nan(""), 3, 7, W, H), gradientPosition(180, 3, 7, W, H));
}

TEST(Gradient, ColoursAtTheEdgesAndAFadeToTransparentDoesNotDarken) {
    const BackgroundFill fill = BackgroundFill::gradient({1, 0, 0, 1}, {0, 0, 1, 0}, 90);
    const auto left = backgroundAt(fill, 0, 5, 100, 10);
    EXPECT_NEAR(left[0], 1, 0.02);
    EXPECT_NEAR(left[3], 1, 0.02);
    const auto right = backgroundAt(fill, 99, 5, 100, 10);
    EXPECT_NEAR(right[3], 0, 0.02);
    // Half way: half as opaque, and still pure red once unpremultiplied.
    const auto mid = backgroundAt(fill, 50, 5, 100, 10);
    EXPECT_NEAR(mid[3], 0.5, 0.02);
    EXPECT_NEAR(mid[0] / mid[3], 1, 1e-6);
    EXPECT_NEAR(mid[2], 0, 1e-6);
    // Two transparent ends are no background at all.
    EXPECT_TRUE(BackgroundFill::gradient({}, {1, 1, 1, 0}).isTransparent());
}

TEST(BackgroundFill, TransparentByAlmostNoAlphaButNeverAPicture) {
    EXPECT_TRUE(BackgroundFill::color(1, 0, 0, 0.001).isTransparent());
    EXPECT_TRUE(
        BackgroundFill::color(1, 0, 0, std::numeric_limits<double>::quiet_NaN()).isTransparent());
    EXPECT_FALSE(BackgroundFill::color(1, 0, 0, 0.0011).isTransparent());
    EXPECT_FALSE(BackgroundFill::image("clear.png").isTransparent());
}

TEST(BackgroundPicture, CoversTheCanvasCentred) {
    test::expectBox(coverRect(400, 100, 200, 200), -300, 0, 800, 200, 1e-12);
    const CanvasRect tall = coverRect(10, 40, 160, 90);
    EXPECT_DOUBLE_EQ(tall.w, 160);
    EXPECT_DOUBLE_EQ(tall.y, (90 - 640) / 2.0);
    EXPECT_EQ(coverRect(0, 10, 100, 100).w, 0);
}

TEST(Backdrop, ShadowFallsBelowTheDeviceWithPartialAlpha) {
    BackdropSetup setup;
    setup.width = 200;
    setup.height = 200;
    setup.background = BackgroundFill::transparent();
    setup.shadow = true;
    setup.device = {50, 50, 100, 100};
    setup.screen = setup.device;  // no frame: the video fills the box
    const Image painted = renderBackdrop(setup);
    // Just under the device's bottom edge: dark and partly see-through; far away: nothing.
    const Rgba under = painted.at(100, 152);
    EXPECT_GT(under.a, 10);
    EXPECT_LT(under.a, 255 * kShadowOpacity + 1);
    EXPECT_LT(under.r + under.g + under.b, 10);
    EXPECT_EQ(painted.at(5, 5).a, 0);
    // It is moved down: more of it below the device than above.
    EXPECT_GT(painted.at(100, 152).a, painted.at(100, 47).a);
    // Without the shadow the same setup paints nothing.
    setup.shadow = false;
    EXPECT_EQ(renderBackdrop(setup).at(100, 152).a, 0);
}

}  // namespace
}  // namespace kestro
