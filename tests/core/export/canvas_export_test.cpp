// Exports on a shaped canvas, read back with ffmpeg: the gradient's colours where they belong,
// background pictures (PNG and JPEG) covering the canvas, the shadow's partial alpha in a
// transparent MOV, and bad canvas requests refused before anything is written.

#include "core/export/background_fill.hpp"
#include "exporter_support.hpp"

#include <fstream>

namespace kestro::test {
namespace {

// 320 x 180 with a device box of 30% x 80% in the middle: the recording fills it (no frame).
ExportConfig shapedConfig(ExportFormat format) {
    ExportConfig config = smallConfig(format);
    config.width = 320;
    config.height = 180;
    config.device = ScreenRect{35, 10, 30, 80};
    config.screen = config.device;
    return config;
}

class CanvasExport : public ::testing::Test {
protected:
    ScratchDir dir;
    fs::path green() { return makeSolidMovie(dir / "green.mp4", 0, 200, 0, {.seconds = 0.2}); }
};

TEST_F(CanvasExport, GradientRunsLeftToRightAroundTheDevice) {
    ExportConfig config = shapedConfig(ExportFormat::mp4);
    config.background = BackgroundFill::gradient({1, 0, 0, 1}, {0, 0, 1, 1}, 90);
    config.shadow = true;
    const fs::path out = dir / "gradient.mp4";
    ASSERT_TRUE(exported(green(), config, out));
    const auto picture = decodePicture(out, 0);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, 320);
    EXPECT_TRUE(near(picture->average(3, 90, 2), {250, 0, 0, 255}, 14));
    EXPECT_TRUE(near(picture->average(316, 90, 2), {0, 0, 250, 255}, 14));
    EXPECT_TRUE(near(picture->average(160, 90, 3), {0, 200, 0, 255}, 14));
    // Half way between the device's right edge and the canvas's: a mix, redder than the right.
    const Rgba between = picture->average(260, 20, 2);
    EXPECT_GT(between.r, 30);
    EXPECT_GT(between.b, 120);
}

TEST_F(CanvasExport, ShadowIsPartialAlphaInATransparentMov) {
    ExportConfig config = shapedConfig(ExportFormat::mov);
    config.background = BackgroundFill::transparent();
    config.shadow = true;
    const fs::path out = dir / "shadow.mov";
    ASSERT_TRUE(exported(green(), config, out));
    const auto picture = decodePicture(out, 0);
    ASSERT_TRUE(picture);
    // Device box rows 18..162 (top-left): just below it the shadow, see-through and dark.
    const Rgba under = picture->at(160, 164);
    EXPECT_GT(under.a, 8);
    EXPECT_LT(under.a, 120);
    EXPECT_LT(under.r + under.g + under.b, 60);
    EXPECT_EQ(picture->at(5, 5).a, 0);
    EXPECT_EQ(picture->at(160, 90).a, 255);
}

TEST_F(CanvasExport, BackgroundPicturesCoverTheCanvas) {
    // A wide PNG, red on the left half and blue on the right: covering a 16:9 canvas it shows
    // red at the left edge and blue at the right.
    Image picture = Image::filled(400, 100, {255, 0, 0, 255});
    picture.fillRect(200, 0, 200, 100, {0, 0, 255, 255});
    ASSERT_TRUE(savePng(picture, dir / "halves.png").ok());
    // A JPEG, written by ffmpeg, of one orange.
    ASSERT_FALSE(
        makeWithFfmpeg(dir / "orange.jpg", "-f lavfi -i color=c=0xFF8000:s=64x48 -frames:v 1")
            .empty());

    const fs::path source = green();
    ExportConfig config = shapedConfig(ExportFormat::mp4);
    config.background = BackgroundFill::image((dir / "halves.png").string());
    fs::path out = dir / "png.mp4";
    ASSERT_TRUE(exported(source, config, out));
    auto frame = decodePicture(out, 0);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(near(frame->average(4, 90, 2), {255, 0, 0, 255}, 14));
    EXPECT_TRUE(near(frame->average(315, 90, 2), {0, 0, 255, 255}, 14));

    config.background = BackgroundFill::image((dir / "orange.jpg").string());
    out = dir / "jpeg.mp4";
    ASSERT_TRUE(exported(source, config, out));
    frame = decodePicture(out, 0);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(near(frame->average(20, 20, 2), {255, 128, 0, 255}, 14));
}

TEST_F(CanvasExport, BadCanvasRequestsWriteNothing) {
    std::ofstream(dir / "fake.png") << "not a picture at all";
    std::ofstream(dir / "truncated.jpg") << "\xFF\xD8\xFF\xE0 and then nothing";
    const fs::path source = green();
    const fs::path out = dir / "out.mp4";
    for (const fs::path& bad :
         {dir / "missing.png", dir / "fake.png", dir / "truncated.jpg", dir.path()}) {
        ExportConfig config = shapedConfig(ExportFormat::mp4);
        config.background = BackgroundFill::image(bad.string());
        const RunResult run = runExport(source, std::nullopt, config, out);
        ASSERT_FALSE(run.result.ok()) << bad;
        EXPECT_FALSE(run.result.error().errorDescription().empty());
        EXPECT_FALSE(fs::exists(out));
    }
    // A padding that left no device box.
    ExportConfig config = shapedConfig(ExportFormat::mov);
    config.device = ScreenRect{50, 50, 0, 0};
    EXPECT_FALSE(runExport(source, std::nullopt, config, dir / "out.mov").result.ok());
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"fake.png", "green.mp4", "truncated.jpg"}));
}

}  // namespace
}  // namespace kestro::test
