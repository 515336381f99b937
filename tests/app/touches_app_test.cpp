// Touches in the editor: the touch file comes with its movie, a modifier-click adds a tap at
// the playhead that Undo takes back, and the preview draws the taps the export writes.

#include "app_fixtures.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/editor/settings_file.hpp"
#include "app/editor/touch_editing.hpp"
#include "app/preview/preview_view.hpp"
#include "core/export/av_exporter.hpp"
#include "core/export/export_request.hpp"
#include "core/model/touch_file.hpp"
#include "support/movie_fixtures.hpp"

#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;

const TouchTrack kTap{{{1.0, 100, 200, TouchPhase::down, 0}, {1.1, 100, 200, TouchPhase::up, 0}}};

TEST(EditorTouches, TheTouchFileComesWithItsMovieAndAddedTapsCanBeTakenBack) {
    openSettings().clear();
    QTemporaryDir dir;
    test::RecordingAlerts alerts;
    auto backend = std::make_unique<FakeBackend>();
    EditorState state(std::move(backend));
    state.setAlertPresenter(&alerts);

    const QString movie = test::writeFile(dir.filePath("take.mp4"));
    ASSERT_TRUE(writeTouchFile(touchFilePath(movie.toStdString()), kTap).ok());
    ASSERT_TRUE(loadAndWait(state, movie));
    EXPECT_EQ(state.touchTrack(), kTap);
    EXPECT_EQ(buildExportRequest(state, "/tmp/out.mp4").config.touches, kTap);

    // Alt-click at 2.5 s: a tap of a finger of its own, undone and redone as one edit.
    state.playback().setCurrentTime(2.5);
    ASSERT_TRUE(addTapAtPlayhead(state, 300, 400, 1170, 2532));
    const TouchTrack added = state.touchTrack();
    ASSERT_EQ(added.touches.size(), 4u);
    EXPECT_EQ(added.touches[2], (TouchPoint{2.5, 300, 400, TouchPhase::down, 0}));
    EXPECT_EQ(added.touches[3].phase, TouchPhase::up);
    EXPECT_NEAR(added.touches[3].t, 2.5 + kAddedTapSeconds, 1e-9);
    EXPECT_FALSE(addTapAtPlayhead(state, 1200, 400, 1170, 2532));  // off the recording
    state.history().stack().undo();
    EXPECT_EQ(state.touchTrack(), kTap);
    state.history().stack().redo();
    EXPECT_EQ(state.touchTrack(), added);

    // A broken touch file: the movie still loads, without taps, and the user is told why.
    const QString other = test::writeFile(dir.filePath("other.mp4"));
    test::writeFile(QString::fromStdString(touchFilePath(other.toStdString()).string()),
                    "{\"version\": 7, \"touches\": []}");
    ASSERT_TRUE(loadAndWait(state, other));
    EXPECT_TRUE(state.touchTrack().empty());
    EXPECT_FALSE(state.history().stack().canUndo());
    ASSERT_FALSE(alerts.messages.isEmpty());
    EXPECT_TRUE(alerts.messages.last().contains(QStringLiteral("version 7")));

    state.setTouchTrack(kTap);
    state.playback().clearVideo();
    EXPECT_TRUE(state.touchTrack().empty());
}

TEST(EditorTouches, AnAddedTapTakesAFingerThatIsNotDownThen) {
    // Finger 0 holds from 0.9 s to 1.5 s, finger 1 taps long before.
    const TouchTrack busy{{{0.2, 1, 1, TouchPhase::down, 1},
                           {0.3, 1, 1, TouchPhase::up, 1},
                           {0.9, 5, 5, TouchPhase::down, 0},
                           {1.5, 5, 5, TouchPhase::up, 0}}};
    const TouchTrack track = withTap(busy, 1.0, 50, 60);
    ASSERT_EQ(track.touches.size(), 6u);
    EXPECT_EQ(track.touches[3], (TouchPoint{1.0, 50, 60, TouchPhase::down, 1}));
    for (std::size_t i = 1; i < track.touches.size(); ++i)
        EXPECT_LE(track.touches[i - 1].t, track.touches[i].t);
    EXPECT_EQ(withTap(TouchTrack{}, 0, 1, 2).touches.front().id, 0);
}

// The preview picture and the exported picture of the same tap agree around it, and the
// preview without the tap does not.
TEST(EditorTouches, ThePreviewDrawsTheTapTheExportWrites) {
    test::ScratchDir dir;
    test::MovieShape recipe;
    recipe.width = 90;
    recipe.height = 160;
    recipe.fps = 10;
    recipe.seconds = 0.3;
    recipe.bt709 = true;
    const auto movie = test::makeSolidMovie(dir / "dark.mp4", 30, 40, 50, recipe);
    ExportChoices choices;
    choices.resolution = ExportResolution::hd720p;
    choices.aspect = CanvasAspect::wide16x9;
    choices.paddingPercent = 10;
    choices.background = BackgroundFill::color(0.9, 0.9, 0.9);
    choices.recordingSize = VideoSize{90, 160};
    TapStyle style;
    style.sizePercent = 30;
    style.colour = Rgba{255, 80, 0, 255};
    style.opacity = 0.8;
    choices.touches = TouchTrack{{{0, 45, 80, TouchPhase::down, 0}}};
    choices.taps = style;
    const ExportConfig config = buildExportConfig(choices, nullptr);
    ASSERT_EQ(config.width, 1280);
    const auto written = AVFExporter{}.exportVideo(movie, nullptr, config, dir / "out.mp4");
    ASSERT_TRUE(written.ok()) << written.error().errorDescription();
    const auto exported = test::decodePicture(dir / "out.mp4", 0);
    ASSERT_TRUE(exported);

    PreviewView view;
    view.resize(640, 360);
    test::SolidFeed feed(QColor(30, 40, 50));
    view.setFeed(&feed);
    view.setPlacement(100, 0, 0);
    PreviewCanvas canvas;
    canvas.layout = *canvasLayoutFor(choices, nullptr);
    canvas.background = choices.background;
    canvas.roundedScreen = true;
    view.setCanvas(canvas);
    view.setTouches(choices.touches, style);
    view.setTapTime(0.05);
    const QImage shown = test::renderSettled(view);
    // The recording's centre is the canvas's: the tap's circle, 30 % of the drawn recording
    // across, in preview pixels (half the export's).
    const auto differenceAround = [&](const QImage& preview) {
        double sum = 0;
        int n = 0;
        for (int y = 180 - 12; y <= 180 + 12; ++y) {
            for (int x = 320 - 12; x <= 320 + 12; ++x) {
                const Rgba e = exported->average(2 * x, 2 * y, 1);
                const QRgb p = preview.pixel(x, y);
                sum += (std::abs(e.r - qRed(p)) + std::abs(e.g - qGreen(p)) +
                        std::abs(e.b - qBlue(p))) /
                       3.0;
                ++n;
            }
        }
        return sum / n;
    };
    EXPECT_GT(exported->at(1280 / 2, 720 / 2).r, 180);
    EXPECT_LT(differenceAround(shown), 8.0);
    view.setTouches({}, style);
    EXPECT_GT(differenceAround(test::renderSettled(view)), 40.0);
    view.setTouches(choices.touches, style);

    // Alt-click on the video asks for a tap at the recording pixel under it.
    QPointF asked;
    QObject::connect(&view, &PreviewView::tapRequested,
                     [&asked](QPointF pixel, QSizeF) { asked = pixel; });
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(320, 180),
                      view.mapToGlobal(QPointF(320, 180)), Qt::LeftButton, Qt::LeftButton,
                      Qt::AltModifier);
    QCoreApplication::sendEvent(&view, &click);
    EXPECT_NEAR(asked.x(), 45, 1.5);
    EXPECT_NEAR(asked.y(), 80, 1.5);
}

}  // namespace
}  // namespace kestro
