// Turning a frame on its side for a landscape recording.

#include "core/model/frame_orientation.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

// A 4 x 6 portrait image with a red mark at the top edge's middle (where a phone's camera
// island sits) and a blue one in the bottom-right corner.
Image markedPortrait() {
    Image image = Image::filled(4, 6, {50, 50, 50, 255});
    image.set(1, 0, {255, 0, 0, 255});
    image.set(3, 5, {0, 0, 255, 255});
    return image;
}

TEST(FrameOrientation, LandscapePutsTheTopOfTheDeviceOnTheLeftAndTurnsBackExactly) {
    const Image portrait = markedPortrait();
    const Image landscape = orientedFrameImage(portrait, FrameOrientation::landscape);
    ASSERT_EQ(landscape.width, 6);
    ASSERT_EQ(landscape.height, 4);
    // Counter-clockwise: the top edge becomes the left edge, read from the bottom up.
    EXPECT_EQ(landscape.at(0, 2), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(landscape.at(5, 0), (Rgba{0, 0, 255, 255}));

    // Already landscape: untouched; asked for portrait: turned back to the original.
    EXPECT_EQ(orientedFrameImage(landscape, FrameOrientation::landscape), landscape);
    EXPECT_EQ(orientedFrameImage(landscape, FrameOrientation::portrait), portrait);
    EXPECT_EQ(orientedFrameImage(portrait, FrameOrientation::portrait), portrait);
    EXPECT_EQ(orientedFrameImage(portrait, FrameOrientation::automatic), portrait);
}

TEST(FrameOrientation, AutomaticFollowsTheRecordingsUprightShape) {
    using enum FrameOrientation;
    EXPECT_EQ(resolvedOrientation(automatic, 2532, 1170), landscape);
    EXPECT_EQ(resolvedOrientation(automatic, 1170, 2532), portrait);
    EXPECT_EQ(resolvedOrientation(automatic, 1000, 1000), portrait);
    EXPECT_EQ(resolvedOrientation(automatic, 0, 0), portrait);  // unknown size
    // A choice the user made stands whatever the recording's shape.
    EXPECT_EQ(resolvedOrientation(portrait, 2532, 1170), portrait);
    EXPECT_EQ(resolvedOrientation(landscape, 1170, 2532), landscape);
    EXPECT_EQ(frameOrientationFromRaw("auto"), automatic);
    EXPECT_FALSE(frameOrientationFromRaw("Landscape").has_value());
}

}  // namespace
}  // namespace kestro
