// Framed pictures drawn by the export's compositor, and the frame's own corner radius.

#include "core/export/still_image.hpp"
#include "core/export/export_request.hpp"
#include "core/media/jpeg_image.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/png.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace kestro {
namespace {

// A 240 x 440 device whose 200 x 400 display (from 20, 20) has round corners of `radius`.
Image deviceWithRoundDisplay(double radius) {
    Image frame = Image::filled(240, 440, {25, 25, 25, 255});
    for (int y = 20; y < 420; ++y)
        for (int x = 20; x < 220; ++x) {
            const double px = std::max(std::abs(x + 0.5 - 120) - (100 - radius), 0.0);
            const double py = std::max(std::abs(y + 0.5 - 220) - (200 - radius), 0.0);
            if (std::hypot(px, py) <= radius) frame.set(x, y, {});
        }
    return frame;
}

TEST(StillImage, TheRecordingMeetsTheBezelInTheFramesOwnRoundCorners) {
    const Image frame = deviceWithRoundDisplay(6);
    const auto opening = detectScreenRect(frame);
    ASSERT_TRUE(opening.has_value());
    const auto fraction = openingCornerFraction(frame, *opening);
    ASSERT_TRUE(fraction.has_value());
    EXPECT_NEAR(*fraction * 200, 6, 1);
    // A square opening leaves the standard rounding.
    Image square = Image::filled(240, 440, {25, 25, 25, 255});
    square.fillRect(20, 20, 200, 400, {});
    EXPECT_FALSE(openingCornerFraction(square, *detectScreenRect(square)).has_value());

    ExportChoices choices;
    choices.width = 240;
    choices.background = BackgroundFill::transparent();
    const ExportConfig config = buildExportConfig(choices, &frame);
    ASSERT_EQ(config.height, 440);
    const auto picture = renderStill(Image::filled(200, 400, {200, 40, 40, 255}), config, &frame);
    ASSERT_TRUE(picture.ok()) << picture.error();
    // Three pixels in along the corner's diagonal the display shows; the standard rounding
    // (13 % of the shorter side) would have cut the recording away there, leaving a gap.
    for (const auto& [x, y] : {std::pair{23, 23}, std::pair{216, 416}}) {
        EXPECT_TRUE(test::near(picture->at(x, y), {200, 40, 40, 255}, 6)) << x << "," << y;
    }
    EXPECT_EQ(picture->at(2, 2), (Rgba{25, 25, 25, 255}));  // the bezel, drawn over all
}

TEST(StillImage, AnOddWidthGrowsByOneAndACanvasOverTheLimitIsRefusedUpFront) {
    const Image frame = deviceWithRoundDisplay(6);
    const Image shot = Image::filled(200, 400, {200, 40, 40, 255});
    ExportChoices choices;
    choices.width = 241;
    ExportConfig config = buildExportConfig(choices, &frame);
    const auto odd = renderStill(shot, config, &frame);
    ASSERT_TRUE(odd.ok()) << odd.error();
    EXPECT_EQ(odd->width, 242);
    EXPECT_EQ(odd->height % 2, 0);

    // A side past the movie's limit is refused with the limit, before any canvas is made.
    choices.width = 20;
    config = buildExportConfig(choices, &frame);
    config.height = 8200;
    const auto tall = renderStill(shot, config, &frame);
    ASSERT_FALSE(tall.ok());
    EXPECT_NE(tall.error().find("8192"), std::string::npos) << tall.error();
}

TEST(StillImage, PicturesAreReadAndWrittenAsTheirExtensionSays) {
    test::ScratchDir dir;
    Image picture = Image::filled(8, 6, {10, 200, 30, 255});
    picture.set(0, 0, {0, 0, 0, 0});
    ASSERT_TRUE(saveStill(picture, dir / "a.png"));
    EXPECT_EQ(loadPng(dir / "a.png"), picture);  // lossless, transparency kept
    ASSERT_TRUE(saveStill(picture, dir / "a.JPG"));
    const auto jpeg = loadJpeg(dir / "a.JPG");
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_TRUE(test::near(jpeg->at(5, 3), {10, 200, 30, 255}, 8));
    EXPECT_EQ(jpeg->at(0, 0).a, 255);  // flattened
    auto reread = loadScreenshot(dir / "a.JPG");
    EXPECT_TRUE(reread.ok());
    EXPECT_FALSE(loadScreenshot(dir / "missing.png").ok());
    EXPECT_TRUE(dir.entries() == (std::vector<std::string>{"a.JPG", "a.png"}));
}

}  // namespace
}  // namespace kestro
