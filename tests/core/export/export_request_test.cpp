#include "core/export/export_request.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

// A 100 x 200 device whose opening is inset by 10 pixels on every side.
Image insetFrame() { return test::makeFrameImage(100, 200, 0, 10, Rgba{20, 20, 20, 255}); }

TEST(ExportRequest, TheFrameGivesTheCanvasAspectAndTheDetectedOpening) {
    const Image frame = insetFrame();
    ExportChoices choices;
    choices.resolution = ExportResolution::hd1080p;
    const ExportConfig config = buildExportConfig(choices, &frame);
    EXPECT_EQ(config.width, 1920);
    EXPECT_EQ(config.height, 3840);
    // 10 of 100 pixels across, 10 of 200 down: the opening as the analysis finds it.
    EXPECT_NEAR(config.screen.x, 10, 1);
    EXPECT_NEAR(config.screen.w, 80, 1);
    EXPECT_NEAR(config.screen.y, 5, 1);
    EXPECT_NEAR(config.screen.h, 90, 1);

    // An opening the user gave wins over the detected one.
    choices.screen = ScreenRect{1, 2, 30, 40};
    EXPECT_EQ(buildExportConfig(choices, &frame).screen, (ScreenRect{1, 2, 30, 40}));
}

TEST(ExportRequest, WithoutAUsableFrameTheCanvasIsPlainAndTheRecordingFillsIt) {
    // Without a frame (and no recording size known) the canvas is 16:9 and the recording fills
    // the whole device box, which is the whole canvas.
    ExportChoices choices;
    const ExportConfig none = buildExportConfig(choices, nullptr);
    EXPECT_EQ(none.width, 1280);
    EXPECT_EQ(none.height, 720);
    EXPECT_EQ(none.screen, (ScreenRect{0, 0, 100, 100}));

    // An image whose pixels do not match its size is treated as no frame, not read past.
    Image broken;
    broken.width = 100;
    broken.height = 200;
    const ExportConfig fromBroken = buildExportConfig(choices, &broken);
    EXPECT_EQ(fromBroken.height, 720);
    EXPECT_EQ(fromBroken.screen, (ScreenRect{0, 0, 100, 100}));
}

TEST(ExportRequest, PercentagesBecomeFractionsAndTheRestIsCarriedAsChosen) {
    ExportChoices choices;
    choices.format = ExportFormat::mov;
    choices.scalePercent = 150;
    choices.offsetXPercent = -20;
    choices.offsetYPercent = 5;
    choices.trimStart = 1.5;
    choices.trimEnd = 4;
    choices.fps = 24;
    choices.background = BackgroundFill::transparent();
    const ExportConfig config = buildExportConfig(choices, nullptr);
    EXPECT_EQ(config.format, ExportFormat::mov);
    EXPECT_DOUBLE_EQ(config.scale, 1.5);
    EXPECT_DOUBLE_EQ(config.offsetX, -0.2);
    EXPECT_DOUBLE_EQ(config.offsetY, 0.05);
    EXPECT_EQ(config.trimStart, 1.5);
    EXPECT_EQ(config.trimEnd, 4);
    EXPECT_EQ(config.fps, 24);
    EXPECT_TRUE(config.background.isTransparent());
}

}  // namespace
}  // namespace kestro
