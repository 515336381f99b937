// The canvas's shape and the device box on it, checked against the rules worked out by hand:
// padding in percent of the shorter side on every side, the device centred and as large as the
// room allows, even heights, and clear refusals when the padding leaves no room.

#include "core/export/canvas_layout.hpp"
#include "core/export/canvas_size.hpp"
#include "exporter_support.hpp"

#include <cmath>
#include <limits>

namespace kestro {
namespace {

using test::expectBox;

// On the frame's own shape the canvas is the one of old, the padding equal on every side, and
// the box keeps the content's shape up to the rounding of the height to even pixels.
TEST(CanvasLayout, FrameShapeIsTheCanvasOfOldWithEqualPaddingOnEverySide) {
    for (const double padding : {0.0, 10.0}) {
        for (const VideoSize content : {VideoSize{1460, 2960}, VideoSize{1001, 1999},
                                        VideoSize{3000, 1000}, VideoSize{7, 3}, VideoSize{1, 1}}) {
            SCOPED_TRACE(::testing::Message()
                         << padding << "% around " << content.width << "x" << content.height);
            const auto layout = layoutCanvas(1280, CanvasAspect::frame, padding, content);
            ASSERT_TRUE(layout.ok());
            const double W = 1280;
            const double H = static_cast<double>(layout->height);
            if (padding == 0) {
                EXPECT_EQ(layout->height,
                          canvasHeightForFrame(1280, static_cast<int>(content.width),
                                               static_cast<int>(content.height)));
            }
            const double pad = padding / 100 * std::min(W, H);
            expectBox(layout->device, pad, pad, W - 2 * pad, H - 2 * pad, 1e-9);
            const double ratio = content.width / content.height;
            EXPECT_NEAR(layout->device.w / layout->device.h, ratio,
                        2.0 / layout->device.h * ratio + 1e-9);
        }
    }
}

TEST(CanvasLayout, FixedShapeCentresTheDeviceInsideThePadding) {
    // 16:9 at 1280: 720 tall; 8% of 720 is 57.6 on every side, so the box is 1164.8 x 604.8 and
    // a 1:2 device is as tall as the box.
    auto layout = layoutCanvas(1280, CanvasAspect::wide16x9, 8, {500, 1000});
    ASSERT_TRUE(layout.ok());
    EXPECT_EQ(layout->height, 720);
    expectBox(layout->device, (1280 - 302.4) / 2, 57.6, 302.4, 604.8, 1e-9);

    // A wide device in a tall canvas is as wide as the box: 9:16 at 1280 is 2276 (2275.6 made
    // even), the padding 10% of 1280.
    layout = layoutCanvas(1280, CanvasAspect::tall9x16, 10, {2000, 1000});
    ASSERT_TRUE(layout.ok());
    EXPECT_EQ(layout->height, 2276);
    expectBox(layout->device, 128, (2276 - 512) / 2.0, 1024, 512, 1e-9);

    // Square and 4:5 and 4:3 keep their ratios to within the rounding of the height.
    for (const auto aspect :
         {CanvasAspect::square1x1, CanvasAspect::portrait4x5, CanvasAspect::classic4x3}) {
        layout = layoutCanvas(1920, aspect, 0, {9, 19.5});
        ASSERT_TRUE(layout.ok());
        EXPECT_NEAR(1920.0 / static_cast<double>(layout->height), *fixedRatio(aspect), 0.002);
        EXPECT_EQ(layout->height % 2, 0);
        EXPECT_NEAR(layout->device.h, static_cast<double>(layout->height), 1e-9);
    }
}

TEST(CanvasLayout, ExtremeAndUnknownContentStillGivesAUsableBox) {
    // A sliver of a device stays centred and positive; a ribbon spans the box.
    auto layout = layoutCanvas(1280, CanvasAspect::wide16x9, 0, {1, 1000});
    ASSERT_TRUE(layout.ok());
    EXPECT_GT(layout->device.w, 0);
    EXPECT_NEAR(layout->device.h, 720, 1e-9);
    EXPECT_NEAR(layout->device.midX(), 640, 1e-9);
    layout = layoutCanvas(1280, CanvasAspect::wide16x9, 0, {1000, 1});
    ASSERT_TRUE(layout.ok());
    EXPECT_NEAR(layout->device.w, 1280, 1e-9);
    EXPECT_NEAR(layout->device.midY(), 360, 1e-9);

    // Nothing known about the content: the 16:9 canvas of old.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const VideoSize unknown : {VideoSize{0, 0}, VideoSize{-4, 3}, VideoSize{nan, 10}}) {
        layout = layoutCanvas(1920, CanvasAspect::frame, 0, unknown);
        ASSERT_TRUE(layout.ok());
        EXPECT_EQ(layout->height, 1080);
    }
}

TEST(CanvasLayout, PaddingThatLeavesNoRoomIsRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double padding : {50.0, 75.0, -1.0, nan, inf}) {
        const auto layout = layoutCanvas(1280, CanvasAspect::wide16x9, padding, {9, 16});
        ASSERT_FALSE(layout.ok()) << padding;
        EXPECT_FALSE(layout.error().empty());
    }
    // Just below half on the frame's own shape: the box would be a fraction of a pixel.
    EXPECT_FALSE(layoutCanvas(1280, CanvasAspect::frame, 49.99, {9, 16}).ok());
    EXPECT_TRUE(layoutCanvas(1280, CanvasAspect::frame, 45, {9, 16}).ok());
}

TEST(CanvasLayout, ScreenInTheDeviceBoxBecomesCanvasPercent) {
    const ScreenRect s = deviceToCanvas({10, 5, 80, 90}, {20, 10, 60, 80});
    expectBox(s, 26, 14, 48, 72, 1e-9);
    // The device box's percent and pixels agree: y measured from the bottom.
    const auto layout = layoutCanvas(1280, CanvasAspect::wide16x9, 8, {500, 1000});
    ASSERT_TRUE(layout.ok());
    const ScreenRect d = devicePercent(*layout);
    const CanvasRect back = toTopLeftOrigin(canvasPixels(d, 1280, 720), 720);
    expectBox(back, layout->device.x, layout->device.y, layout->device.w, layout->device.h, 1e-9);
}

}  // namespace
}  // namespace kestro
