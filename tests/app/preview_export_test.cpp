// The preview draws the canvas the export writes: one export frame and one preview picture of
// the same settings (16:9 canvas with padding, a gradient, the device's shadow, a frame image)
// must agree after scaling, region by region.

#include "app_fixtures.hpp"

#include "app/preview/preview_view.hpp"
#include "core/export/av_exporter.hpp"
#include "core/export/export_request.hpp"
#include "support/movie_fixtures.hpp"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kestro {
namespace {

struct Difference {
    double mean = 0;        // per channel, over the whole picture
    double worstBlock = 0;  // the largest mean over an 8 x 8 block
    double inRegion = 0;    // the mean over the region asked for
};

// The export picture is twice the preview's size: each preview pixel is compared with the
// average of the 2 x 2 export pixels it stands for. The stage rounds the canvas's corners as a
// card on screen; those corner squares are no part of the canvas and are left out.
Difference compare(const test::Picture& exported, const QImage& preview, const QRect& region) {
    const int corner = int(PreviewView::kStageCornerRadius);
    constexpr int kBlock = 8;
    const int w = preview.width(), h = preview.height(), across = w / kBlock + 1;
    std::vector<double> blocks(static_cast<size_t>(across * (h / kBlock + 1)), 0);
    Difference result;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((x < corner || x >= w - corner) && (y < corner || y >= h - corner)) continue;
            double sum[3] = {0, 0, 0};
            for (int i = 0; i < 4; ++i) {
                const Rgba c = exported.at(2 * x + i % 2, 2 * y + i / 2);
                sum[0] += c.r / 4.0, sum[1] += c.g / 4.0, sum[2] += c.b / 4.0;
            }
            const QRgb p = preview.pixel(x, y);
            const double d = (std::abs(sum[0] - qRed(p)) + std::abs(sum[1] - qGreen(p)) +
                              std::abs(sum[2] - qBlue(p))) /
                             3;
            result.mean += d;
            if (region.contains(x, y)) result.inRegion += d;
            blocks[static_cast<size_t>((y / kBlock) * across + x / kBlock)] += d;
        }
    }
    result.mean /= static_cast<double>(w) * h;
    result.inRegion /= std::max(1, region.width() * region.height());
    for (double b : blocks) result.worstBlock = std::max(result.worstBlock, b / (kBlock * kBlock));
    return result;
}

TEST(PreviewEqualsExport, GradientShadowAndPaddedWideCanvasAgree) {
    test::ScratchDir dir;
    test::MovieShape recipe;
    recipe.width = 90;
    recipe.height = 160;
    recipe.fps = 10;
    recipe.seconds = 0.2;
    recipe.bt709 = true;
    const auto movie = test::makeSolidMovie(dir / "green.mp4", 40, 200, 60, recipe);
    auto frame = std::make_shared<const Image>(
        test::makeFrameImage(200, 400, 0, 12, Rgba{70, 70, 80, 255}, 10));

    ExportChoices choices;
    choices.resolution = ExportResolution::hd720p;
    choices.aspect = CanvasAspect::wide16x9;
    choices.paddingPercent = 10;
    choices.shadow = true;
    choices.background = BackgroundFill::gradient({1, 0.6, 0.1, 1}, {0.1, 0.2, 0.9, 1}, 120);
    choices.screen = ScreenRect{6, 3, 88, 94};
    const ExportConfig config = buildExportConfig(choices, frame.get());
    ASSERT_EQ(config.width, 1280);
    ASSERT_EQ(config.height, 720);
    const auto written = AVFExporter{}.exportVideo(movie, frame, config, dir / "out.mp4");
    ASSERT_TRUE(written.ok()) << written.error().errorDescription();
    const auto exported = test::decodePicture(dir / "out.mp4", 0);
    ASSERT_TRUE(exported);

    PreviewView view;
    view.resize(640, 360);
    test::SolidFeed feed(QColor(40, 200, 60));
    view.setFeed(&feed);
    view.setFrameImage(frame);
    view.setScreen(*choices.screen);
    view.setPlacement(100, 0, 0);
    PreviewCanvas canvas;
    canvas.layout = *canvasLayoutFor(choices, frame.get());
    canvas.background = choices.background;
    canvas.shadow = true;
    view.setCanvas(canvas);
    QImage shown = test::renderSettled(view);

    // The band just under the device, where the shadow shows most (preview pixels: half the
    // canvas's).
    const CanvasRect& device = canvas.layout->device;
    const QRect band(static_cast<int>(device.x / 2 + 8),
                     static_cast<int>((device.y + device.h) / 2 + 2),
                     static_cast<int>(device.w / 2 - 16), 8);
    const Difference d = compare(*exported, shown, band);
    // Kept in the XML report (--gtest_output=xml) to see how close the two are.
    ::testing::Test::RecordProperty("meanDifference", std::to_string(d.mean));
    ::testing::Test::RecordProperty("worstBlockDifference", std::to_string(d.worstBlock));
    ::testing::Test::RecordProperty("shadowBandDifference", std::to_string(d.inRegion));
    EXPECT_LT(d.mean, 3.0);
    EXPECT_LT(d.worstBlock, 14.0);
    EXPECT_LT(d.inRegion, 4.0);

    // The comparison tells a different canvas apart: without the shadow in the preview the
    // band under the device no longer matches.
    canvas.shadow = false;
    view.setCanvas(canvas);
    shown = test::renderSettled(view);
    const Difference withoutShadow = compare(*exported, shown, band);
    ::testing::Test::RecordProperty("shadowBandWithoutShadow",
                                    std::to_string(withoutShadow.inRegion));
    EXPECT_GT(withoutShadow.inRegion, 8.0);
}

}  // namespace
}  // namespace kestro
