// What Kestro itself makes for the stores passes the stores' rules as the check reads them: an
// App Store preview, the Google Play promo video (from a recording without sound, where the
// track has to be made up) and the feature graphic.

#include "core/check/target_check.hpp"
#include "core/export/av_exporter.hpp"
#include "core/export/export_request.hpp"
#include "core/export/feature_graphic.hpp"
#include "core/export/output_target_choices.hpp"
#include "core/export/still_image.hpp"
#include "core/model/png.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kestro {
namespace {

using test::ScratchDir;
namespace fs = std::filesystem;

std::string brokenRules(const fs::path& file, OutputTarget target) {
    const auto report = checkOutput(file.string(), target);
    if (!report) return "error: " + report.error();
    std::string broken;
    for (const CheckRow& row : report->rows) {
        if (!row.pass) broken += row.rule + " (" + row.actual + ") ";
    }
    return broken;
}

TEST(StoreExports, AnAppStorePreviewFromKestroPassesTheCheck) {
    ScratchDir dir;
    // Landscape and silent, 15.2 s at 2 fps: the preview turns landscape, gets a silent stereo
    // track and is written at its own constant rate.
    const fs::path source =
        test::makeMovie(dir / "in.mp4", {.width = 200, .height = 100, .fps = 2, .seconds = 15.2});
    ExportChoices choices;
    choices.appStore = AppStorePreset::ipad;
    choices.quality = ExportQuality::draft;
    choices.recordingSize = VideoSize{200, 100};
    const fs::path out = dir / "preview.mp4";
    const auto made =
        AVFExporter{}.exportVideo(source, nullptr, buildExportConfig(choices, nullptr), out);
    ASSERT_TRUE(made.ok()) << made.error().errorDescription();
    EXPECT_EQ(brokenRules(out, OutputTarget::appStoreIpad), "");
    // Checked against another slot, only the size is wrong.
    EXPECT_EQ(brokenRules(out, OutputTarget::appStoreIphone), "size (1600×1200) ");
}

TEST(StoreExports, ThePromoVideoIsTheListingSizeWithTheDeviceFramedAndASoundTrack) {
    ScratchDir dir;
    const fs::path source =
        test::makeMovie(dir / "in.mp4", {.width = 100, .height = 60, .fps = 10, .seconds = 1});
    // A device 100 x 200 whose opening is inset 10 px: on a landscape promo (1920 x 1080) with
    // the fixed canvas's 8 % padding (86.4 px), it is 907.2 px tall, centred.
    const Image frame = test::makeFrameImage(100, 200, 0, 10, Rgba{40, 40, 40, 255});
    ExportChoices choices;
    choices.googlePlay = GooglePlayPreset::promo;
    choices.quality = ExportQuality::draft;
    choices.format = ExportFormat::gif;  // ignored: the promo is an MP4
    choices.background = BackgroundFill::transparent();
    choices.recordingSize = VideoSize{100, 60};
    const ExportConfig config = buildExportConfig(choices, &frame);
    EXPECT_EQ(config.width, 1920);
    EXPECT_EQ(config.height, 1080);
    EXPECT_EQ(config.format, ExportFormat::mp4);
    EXPECT_NEAR(config.device.h, 907.2 / 1080 * 100, 0.01);
    EXPECT_NEAR(config.device.w, 453.6 / 1920 * 100, 0.01);
    EXPECT_NEAR(config.device.x + config.device.w / 2, 50, 0.01);
    EXPECT_NEAR(config.device.y, 8, 0.01);

    const fs::path out = dir / "promo.mp4";
    const auto made =
        AVFExporter{}.exportVideo(source, std::make_shared<const Image>(frame), config, out);
    ASSERT_TRUE(made.ok()) << made.error().errorDescription();
    EXPECT_EQ(brokenRules(out, OutputTarget::playPromo), "");
    // The frame is drawn (unlike an App Store preview), over black where it was see-through.
    const auto picture = test::decodePicture(out, 5);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(test::near(picture->average(960, 100, 2), Rgba{40, 40, 40, 255}, 12));
    EXPECT_TRUE(test::near(picture->average(40, 540, 4), Rgba{0, 0, 0, 255}, 12));

    // A portrait recording makes a portrait promo.
    choices.recordingSize = VideoSize{60, 100};
    const ExportConfig portrait = buildExportConfig(choices, nullptr);
    EXPECT_EQ(portrait.width, 1080);
    EXPECT_EQ(portrait.height, 1920);
}

TEST(StoreExports, TheFeatureGraphicIsAnOpaqueStillOfTheCanvas) {
    ScratchDir dir;
    const fs::path source =
        test::makeSolidMovie(dir / "in.mp4", 0, 200, 0, {.width = 60, .height = 120, .seconds = 1});
    ExportChoices choices;
    choices.googlePlay = GooglePlayPreset::featureGraphic;
    choices.recordingSize = VideoSize{60, 120};
    // Half see-through: flattened over black, the colour keeps half its strength.
    choices.background = BackgroundFill::color(1, 0, 0, 0.5);
    const ExportConfig config = buildExportConfig(choices, nullptr);
    ASSERT_EQ(config.width, 1024);
    ASSERT_EQ(config.height, 500);
    auto still = renderMovieStill(source, 0.5, config, nullptr);
    ASSERT_TRUE(still.ok()) << still.error();
    const fs::path out = dir / "feature.png";
    ASSERT_TRUE(saveFeatureGraphic(*still, out).ok());
    EXPECT_EQ(brokenRules(out, OutputTarget::playFeatureGraphic), "");

    const auto back = loadPng(out);
    ASSERT_TRUE(back);
    EXPECT_TRUE(test::near(back->at(10, 250), Rgba{128, 0, 0, 255}, 3));
    // The recording, 60:120 in a 420-px-tall box, sits in the middle.
    EXPECT_TRUE(test::near(back->at(512, 250), Rgba{0, 200, 0, 255}, 12));
}

TEST(StoreExports, EachPlainFormatFromKestroPassesItsTargetsCheck) {
    ScratchDir dir;
    const fs::path source =
        test::makeMovie(dir / "in.mp4", {.width = 64, .height = 128, .fps = 10, .seconds = 0.5});
    for (const OutputTarget target :
         {OutputTarget::mp4, OutputTarget::mov, OutputTarget::gif, OutputTarget::webm}) {
        SCOPED_TRACE(std::string(rawValue(target)));
        ExportChoices choices;
        choices.appStore = AppStorePreset::iphone;  // replaced by the target's choice
        applyOutputTarget(choices, target);
        choices.quality = ExportQuality::draft;
        choices.width = 128;
        choices.recordingSize = VideoSize{64, 128};
        const fs::path out = dir / ("out." + std::string(fileExtension(target)));
        const auto made =
            AVFExporter{}.exportVideo(source, nullptr, buildExportConfig(choices, nullptr), out);
        ASSERT_TRUE(made.ok()) << made.error().errorDescription();
        EXPECT_EQ(brokenRules(out, target), "");
    }
}

}  // namespace
}  // namespace kestro
