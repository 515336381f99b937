// The preview draws captions with the export's own overlay: at one time of the output the
// caption pixels the preview shows match the exported picture's, and the editor's playhead is
// read through the trim start.

#include "app_fixtures.hpp"

#include "app/editor/caption_preview.hpp"
#include "app/editor/editor_state.hpp"
#include "app/preview/caption_preview_binding.hpp"
#include "app/preview/preview_view.hpp"
#include "core/export/av_exporter.hpp"
#include "core/export/export_request.hpp"
#include "support/movie_fixtures.hpp"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kestro {
namespace {

// Where a picture is not see-through, as a rectangle.
QRect opaqueBounds(const QImage& picture) {
    QRect bounds;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (qAlpha(picture.pixel(x, y)) > 0) bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// The mean difference per channel over `region` of the preview, each preview pixel against the
// 2 x 2 export pixels it stands for.
double meanDifference(const test::Picture& exported, const QImage& preview, const QRect& region) {
    double sum = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            double c[3] = {0, 0, 0};
            for (int i = 0; i < 4; ++i) {
                const Rgba e = exported.at(2 * x + i % 2, 2 * y + i / 2);
                c[0] += e.r / 4.0, c[1] += e.g / 4.0, c[2] += e.b / 4.0;
            }
            const QRgb p = preview.pixel(x, y);
            sum += (std::abs(c[0] - qRed(p)) + std::abs(c[1] - qGreen(p)) +
                    std::abs(c[2] - qBlue(p))) /
                   3;
        }
    }
    return sum / std::max(1, region.width() * region.height());
}

TEST(CaptionPreview, ThePreviewShowsTheExportsCaptionPixelsAtTheSameTime) {
    test::ScratchDir dir;
    test::MovieShape recipe;
    recipe.width = 90;
    recipe.height = 160;
    recipe.fps = 10;
    recipe.seconds = 1;
    recipe.bt709 = true;
    const auto movie = test::makeSolidMovie(dir / "green.mp4", 40, 200, 60, recipe);

    ExportChoices choices;
    choices.resolution = ExportResolution::hd720p;
    choices.aspect = CanvasAspect::wide16x9;
    choices.recordingSize = VideoSize{90, 160};
    choices.paddingPercent = 4;  // no room beside the device: the caption lies over it
    choices.background = BackgroundFill::color(0.15, 0.2, 0.45);
    Caption caption;
    caption.start = 0.2;
    caption.end = 0.8;
    caption.text = "Open Settings 打开设置";
    caption.sizePercent = 7;
    choices.story.captions = {caption};
    const ExportConfig config = buildExportConfig(choices, nullptr);
    const auto written = AVFExporter{}.exportVideo(movie, nullptr, config, dir / "out.mp4");
    ASSERT_TRUE(written.ok()) << written.error().errorDescription();

    PreviewView view;
    view.resize(640, 360);
    test::SolidFeed feed(QColor(40, 200, 60));
    view.setFeed(&feed);
    PreviewCanvas canvas;
    canvas.layout = *canvasLayoutFor(choices, nullptr);
    canvas.background = choices.background;
    view.setCanvas(canvas);
    CaptionPreview captions;
    captions.setInputs({choices.story, *canvas.layout, choices.background, nullptr, 1.0});
    ASSERT_FALSE(captions.empty()) << captions.problem().toStdString();

    // At 0.5 s the caption shows fully: its pixels, in the preview and in the export.
    const QImage picture = captions.pictureAt(0.5);
    ASSERT_FALSE(picture.isNull());
    const QRect pill = opaqueBounds(picture);
    const QRect region(pill.left() / 2 + 1, pill.top() / 2 + 1, pill.width() / 2 - 2,
                       pill.height() / 2 - 2);
    ASSERT_GT(region.width(), 40);
    view.setCaptionPicture(picture);
    const QImage shown = test::renderSettled(view);
    const auto during = test::decodePicture(dir / "out.mp4", 5);
    const auto after = test::decodePicture(dir / "out.mp4", 9);
    ASSERT_TRUE(during && after);
    const double same = meanDifference(*during, shown, region);
    ::testing::Test::RecordProperty("captionRegionDifference", std::to_string(same));
    EXPECT_LT(same, 6.0);

    // The comparison tells the caption apart: the export after the caption, or the preview
    // without it, no longer matches there.
    EXPECT_GT(meanDifference(*after, shown, region), 4 * std::max(same, 2.0));
    EXPECT_TRUE(captions.pictureAt(0.9).isNull());
    view.setCaptionPicture({});
    const QImage plain = test::renderSettled(view);
    EXPECT_GT(meanDifference(*during, plain, region), 4 * std::max(same, 2.0));
    EXPECT_LT(meanDifference(*after, plain, region), 6.0);
}

TEST(CaptionPreview, ThePlayheadIsReadThroughTheTrimStart) {
    auto backend = std::make_unique<test::FakeBackend>();
    EditorState state(std::move(backend));
    QTemporaryDir dir;
    ASSERT_TRUE(test::loadAndWait(state, test::writeFile(dir.filePath("m.mov"))));
    state.playback().setTrimStart(4);
    state.playback().setTrimEnd(9);
    PreviewView view;
    PreviewCanvas canvas;
    canvas.layout = CanvasLayout{320, 180, CanvasRect{110, 10, 100, 160}};
    canvas.background = BackgroundFill::black();
    view.setCanvas(canvas);
    auto* binding = new CaptionPreviewBinding(state, view);
    ASSERT_TRUE(state.story().addCaption(1, QStringLiteral("Now"), nullptr));
    state.playback().setCurrentTime(2);  // output -2 s
    EXPECT_TRUE(view.captionPicture().isNull());
    state.playback().setCurrentTime(5.5);  // output 1.5 s
    EXPECT_DOUBLE_EQ(binding->outputTime(), 1.5);
    EXPECT_FALSE(view.captionPicture().isNull());
    EXPECT_EQ(view.captionPicture().size(), QSize(320, 180));
    state.playback().setCurrentTime(7.5);  // output 3.5 s: after the caption
    EXPECT_TRUE(view.captionPicture().isNull());
    // A shorter trim cuts the caption at the new end once the length rests.
    state.playback().setCurrentTime(6.5);  // output 2.5 s
    EXPECT_FALSE(view.captionPicture().isNull());
    state.playback().setTrimEnd(6);
    EXPECT_TRUE(test::waitUntilDone([&] { return view.captionPicture().isNull(); }, 3000));
    // Undoing the caption takes it off the preview at once.
    state.playback().setCurrentTime(5.5);
    ASSERT_FALSE(view.captionPicture().isNull());
    state.history().undo();
    EXPECT_TRUE(view.captionPicture().isNull());
    // Speed changes stretch the output's clock: with 4-6 s at 2x, 5.5 s of the recording is
    // 0.75 s of the output and 7 s is 2 s.
    state.playback().setTrimEnd(9);
    ASSERT_TRUE(state.speedTrack().add(SpeedSegment{4, 6, 2}));
    state.playback().setCurrentTime(5.5);
    EXPECT_DOUBLE_EQ(binding->outputTime(), 0.75);
    state.playback().setCurrentTime(7);
    EXPECT_DOUBLE_EQ(binding->outputTime(), 2);
}

}  // namespace
}  // namespace kestro
