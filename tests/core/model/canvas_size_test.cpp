#include "core/export/canvas_size.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

CanvasSize forFrame(ExportResolution resolution, int w, int h) {
    const Image frame = Image::filled(w, h);
    return canvasSize(resolution, &frame);
}

TEST(CanvasSize, TakesTheFrameAspectAtTheResolutionWidthElseTheResolutionsHeight) {
    EXPECT_EQ(forFrame(ExportResolution::hd720p, 1460, 2960), (CanvasSize{1280, 2596}));
    EXPECT_EQ(forFrame(ExportResolution::hd720p, 500, 500), (CanvasSize{1280, 1280}));
    EXPECT_EQ(forFrame(ExportResolution::hd720p, 3000, 1000), (CanvasSize{1280, 428}));
    EXPECT_EQ(forFrame(ExportResolution::qhd1440p, 1460, 2960), (CanvasSize{2560, 5190}));
    // Without a frame (or with an empty one), the resolution's own height.
    EXPECT_EQ(canvasSize(ExportResolution::hd720p, nullptr), (CanvasSize{1280, 720}));
    EXPECT_EQ(canvasSize(ExportResolution::hd1080p, nullptr), (CanvasSize{1920, 1080}));
    const Image empty;
    EXPECT_EQ(canvasSize(ExportResolution::qhd1440p, &empty), (CanvasSize{2560, 1440}));
}

TEST(CanvasSize, RoundsHalvesAwayFromZeroThenForcesAnEvenHeightOfAtLeastTwo) {
    EXPECT_EQ(canvasHeightForFrame(1280, 512, 1), 4);    // 2.5 rounds to 3, made even
    EXPECT_EQ(canvasHeightForFrame(1280, 2560, 3), 2);   // 1.5 rounds to 2
    EXPECT_EQ(canvasHeightForFrame(1280, 10000, 1), 2);  // 0.128 rounds to 0, raised to 2
    EXPECT_EQ(canvasHeightForFrame(1920, 1, 10000), 19200000);
    EXPECT_EQ(canvasHeightForFrame(1280, 0, 10), 0);
}

}  // namespace
}  // namespace kestro
