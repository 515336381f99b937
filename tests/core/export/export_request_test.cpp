#include "core/export/export_request.hpp"

#include "exporter_support.hpp"

#include <array>

namespace kestro {
namespace {

// A 100 x 200 device whose opening is inset by 10 pixels on every side.
Image insetFrame() {
    return test::makeFrameImage(100, 200, 0, 10, Rgba{20, 20, 20, 255});
}

TEST(ExportRequest, TheFrameGivesTheCanvasAspectAndTheDetectedOpening) {
    const Image frame = insetFrame();
    ExportChoices choices;
    choices.resolution = ExportResolution::hd1080p;
    const ExportConfig config = buildExportConfig(choices, &frame);
    EXPECT_EQ(config.width, 1920);
    EXPECT_EQ(config.height, 3840);
    // 10 of 100 pixels across, 10 of 200 down: the opening as the analysis finds it.
    test::expectBox(config.screen, 10, 5, 80, 90, 1);

    // An opening the user gave wins over the detected one.
    choices.screen = ScreenRect{1, 2, 30, 40};
    EXPECT_EQ(buildExportConfig(choices, &frame).screen, (ScreenRect{1, 2, 30, 40}));
}

TEST(ExportRequest, WithoutAUsableFrameTheCanvasTakesTheRecordingsShape) {
    // Nothing known about the recording: a 16:9 canvas that the recording fills.
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

    // A portrait recording used to be cropped into a strip of a 16:9 canvas.
    choices.recordingSize = VideoSize{1080, 1920};
    ExportConfig config = buildExportConfig(choices, nullptr);
    EXPECT_EQ(config.width, 1280);
    EXPECT_EQ(config.height, 2276);
    EXPECT_EQ(config.screen, (ScreenRect{0, 0, 100, 100}));

    // A chosen shape wins, and the recording sits in the padded box.
    choices.aspect = CanvasAspect::wide16x9;
    config = buildExportConfig(choices, nullptr);
    EXPECT_EQ(config.height, 720);
    EXPECT_NEAR(config.device.h, 84, 1e-9);  // 100% less 8% above and below
    EXPECT_NEAR(config.screen.h, 84, 1e-9);
}

// The format, the start, the rate and the background reach the engine in the CLI's exports.
TEST(ExportRequest, PercentagesBecomeFractionsAndTheEndIsCarried) {
    ExportChoices choices;
    choices.scalePercent = 150;
    choices.offsetXPercent = -20;
    choices.offsetYPercent = 5;
    choices.trimEnd = 4;
    const ExportConfig config = buildExportConfig(choices, nullptr);
    EXPECT_DOUBLE_EQ(config.scale, 1.5);
    EXPECT_DOUBLE_EQ(config.offsetX, -0.2);
    EXPECT_DOUBLE_EQ(config.offsetY, 0.05);
    EXPECT_EQ(config.trimEnd, 4);
}

TEST(ExportRequest, AWidthReplacesTheResolutionAndTheGifDefaults) {
    const Image frame = insetFrame();  // 1:2
    ExportChoices choices;
    choices.resolution = ExportResolution::qhd1440p;
    choices.width = 500;
    ExportConfig config = buildExportConfig(choices, &frame);
    EXPECT_EQ(config.width, 500);
    EXPECT_EQ(config.height, 1000);
    // Without a frame the width keeps 16:9, the height even: 502 * 9 / 16 = 282.4.
    choices.width = 502;
    config = buildExportConfig(choices, nullptr);
    EXPECT_EQ(config.height, 282);

    // Also over a GIF's own defaults, which the CLI's GIF export reads back.
    choices = ExportChoices{};
    choices.format = ExportFormat::gif;
    choices.width = 320;
    choices.fps = 10;
    config = buildExportConfig(choices, &frame);
    EXPECT_EQ(config.width, 320);
    EXPECT_EQ(config.fps, 10);
}

TEST(ExportRequest, AnAppStorePreviewIsFramelessAtTheStoreSizeTurnedWithTheRecording) {
    const Image frame = insetFrame();
    ExportChoices choices;
    choices.format = ExportFormat::mov;  // a preview is an MP4 whatever else was picked
    choices.width = 400;                 // and has the store's size
    choices.appStore = AppStorePreset::iphone55;
    choices.quality = ExportQuality::best;

    choices.recordingSize = VideoSize{1080, 1920};
    const ExportConfig portrait = buildExportConfig(choices, &frame);
    EXPECT_EQ(portrait.format, ExportFormat::mp4);
    EXPECT_EQ(portrait.appStore, AppStorePreset::iphone55);
    EXPECT_EQ(portrait.width, 1080);
    EXPECT_EQ(portrait.height, 1920);
    EXPECT_EQ(portrait.quality, ExportQuality::best);

    choices.recordingSize = VideoSize{2532, 1170};
    const ExportConfig landscape = buildExportConfig(choices, &frame);
    EXPECT_EQ(landscape.width, 1920);
    EXPECT_EQ(landscape.height, 1080);

    choices.appStore = AppStorePreset::ipad;
    choices.recordingSize.reset();
    const ExportConfig unknown = buildExportConfig(choices, &frame);
    EXPECT_EQ(unknown.width, 1200);
    EXPECT_EQ(unknown.height, 1600);
}

TEST(ExportRequest, AnAppStorePreviewFitsTheWholeRecordingAndLeavesTheRestToTheBackground) {
    ExportChoices choices;
    choices.appStore = AppStorePreset::iphone;  // 886 x 1920
    // A 1:2 recording is wider than 886:1920, so the width binds: 886 x 1772, centred.
    choices.recordingSize = VideoSize{500, 1000};
    const ExportConfig config = buildExportConfig(choices, nullptr);
    const CanvasRect grown = grownScreenRect(config.screen, 886, 1920);
    test::expectBox(grown, 0, (1920 - 1772) / 2.0, 886, 1772, 1e-6);
    const Placement placed =
        placeVideo(grown, 1920, VideoSize{500, 1000}, config.fitMode, config.scale, 0, 0);
    EXPECT_NEAR(placed.width, 886, 1e-6);
    EXPECT_NEAR(placed.height, 1772, 1e-6);
    EXPECT_NEAR(placed.ty, 74, 1e-6);

    // The layout the preview draws is the box the export fills, whatever shape or padding was
    // chosen for framed exports (a padding that leaves no room does not apply here).
    choices.aspect = CanvasAspect::wide16x9;
    choices.paddingPercent = 60;
    const auto layout = canvasLayoutFor(choices, nullptr);
    ASSERT_TRUE(layout.ok());
    EXPECT_EQ(layout->width, 886);
    EXPECT_EQ(layout->height, 1920);
    test::expectBox(layout->device, grown.x, grown.y, grown.w, grown.h, 1e-6);
}

// iPad recordings at the makers' screen sizes: a 3:4 screen fills the store's 1200 x 1600 (or
// 1600 x 1200 held sideways) edge to edge; the taller 11" screen is fitted whole, bars beside it.
TEST(ExportRequest, AnIpadRecordingFillsTheIpadPreview) {
    ExportChoices choices;
    choices.appStore = AppStorePreset::ipad;
    for (const auto& [w, h, W, H] :
         {std::array{2064.0, 2752.0, 1200.0, 1600.0}, std::array{2752.0, 2064.0, 1600.0, 1200.0},
          std::array{2048.0, 2732.0, 1200.0, 1600.0}}) {
        choices.recordingSize = VideoSize{w, h};
        const auto layout = canvasLayoutFor(choices, nullptr);
        ASSERT_TRUE(layout.ok());
        EXPECT_EQ(layout->width, W);
        EXPECT_EQ(layout->height, H);
        test::expectBox(layout->device, 0, 0, W, H, 1.5);
    }
    choices.recordingSize = VideoSize{1668, 2420};
    const auto fitted = canvasLayoutFor(choices, nullptr);
    ASSERT_TRUE(fitted.ok());
    test::expectBox(fitted->device, (1200 - 1668 * 1600 / 2420.0) / 2, 0, 1668 * 1600 / 2420.0,
                    1600, 1e-6);
}

}  // namespace
}  // namespace kestro
