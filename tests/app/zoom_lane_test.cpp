// The camera in the editor: segments added, retimed, refocused, rescaled and deleted through the
// history (each edit one undo step, a drag one step however many moves it made), the lane's
// blocks and keys on a loaded movie, and the preview showing the camera as the export does.

#include "app/editor/camera_editor.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/settings_file.hpp"
#include "app/preview/preview_camera.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app/preview/zoom_lane_view.hpp"
#include "app_fixtures.hpp"
#include "core/export/camera_view.hpp"

#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace kestro {
namespace {

class CameraEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor_.setDuration(10); }
    QUndoStack history_;
    CameraEditor editor_{history_};
};

TEST_F(CameraEditorTest, AddsAroundThePlayheadWithinTheMovieAndItsNeighbours) {
    ASSERT_TRUE(editor_.addAt(5));
    ASSERT_EQ(editor_.track().size(), 1u);
    EXPECT_DOUBLE_EQ(editor_.track()[0].start, 4);
    EXPECT_DOUBLE_EQ(editor_.track()[0].end, 6);
    EXPECT_DOUBLE_EQ(editor_.track()[0].scale, 2);
    EXPECT_EQ(editor_.selected(), 0);
    EXPECT_FALSE(editor_.addAt(5.5)) << "inside a segment";
    ASSERT_TRUE(editor_.addAt(9.8));  // slides back to fit the movie's end
    EXPECT_DOUBLE_EQ(editor_.track()[1].start, 8);
    EXPECT_DOUBLE_EQ(editor_.track()[1].end, 10);
    ASSERT_TRUE(editor_.addAt(0.2));  // kept in order, first
    EXPECT_DOUBLE_EQ(editor_.track()[0].start, 0);
    EXPECT_EQ(editor_.selected(), 0);
    ASSERT_TRUE(editor_.addAt(6.8));  // squeezed between 6 and 8
    EXPECT_DOUBLE_EQ(editor_.track()[2].start, 6);
    EXPECT_DOUBLE_EQ(editor_.track()[2].end, 8);
    EXPECT_FALSE(editor_.addAt(11));
}

TEST_F(CameraEditorTest, EveryEditUndoesAndRedoesAndADragIsOneStep) {
    ASSERT_TRUE(editor_.addAt(5));
    const CameraTrack added = editor_.track();
    // A drag of the end in many moves, then of the focus.
    for (double end : {6.2, 6.6, 7.0, 7.5}) editor_.setTiming(0, 4, end, true);
    editor_.finishDrag();
    for (double x : {0.4, 0.3, 0.2}) editor_.setFocus(0, x, 0.8, true);
    editor_.finishDrag();
    editor_.setScale(0, 3.5);
    editor_.setScale(0, 9);  // clamped
    EXPECT_DOUBLE_EQ(editor_.track()[0].scale, kMaxZoomScale);
    EXPECT_DOUBLE_EQ(editor_.track()[0].end, 7.5);
    EXPECT_DOUBLE_EQ(editor_.track()[0].focusX, 0.2);
    EXPECT_EQ(history_.count(), 5);  // add, end drag, focus drag, two scales

    history_.undo();
    history_.undo();
    EXPECT_DOUBLE_EQ(editor_.track()[0].scale, 2);
    history_.undo();
    EXPECT_DOUBLE_EQ(editor_.track()[0].focusX, 0.5);
    history_.undo();
    EXPECT_EQ(editor_.track(), added);
    history_.undo();
    EXPECT_TRUE(editor_.track().empty());
    EXPECT_EQ(editor_.selected(), -1);
    for (int i = 0; i < 5; ++i) history_.redo();
    EXPECT_DOUBLE_EQ(editor_.track()[0].end, 7.5);
    EXPECT_DOUBLE_EQ(editor_.track()[0].scale, kMaxZoomScale);

    editor_.remove(0);
    EXPECT_TRUE(editor_.track().empty());
    history_.undo();
    EXPECT_EQ(editor_.track().size(), 1u);
}

TEST_F(CameraEditorTest, TimingStaysInsideTheMovieAndClearOfNeighbours) {
    ASSERT_TRUE(editor_.addAt(2));  // 1..3
    ASSERT_TRUE(editor_.addAt(6));  // 5..7
    editor_.setTiming(1, 2, 12);    // into the first, past the end
    EXPECT_DOUBLE_EQ(editor_.track()[1].start, 3);
    EXPECT_DOUBLE_EQ(editor_.track()[1].end, 10);
    editor_.setTiming(0, 1, 1.1);  // never shorter than the minimum
    EXPECT_NEAR(editor_.track()[0].end - editor_.track()[0].start,
                CameraEditor::kMinimumSegmentSeconds, 1e-9);
}

TEST_F(CameraEditorTest, ZoomOnTapsReplacesTheTrackAsOneUndoableStep) {
    ASSERT_TRUE(editor_.addAt(8));
    const CameraTrack before = editor_.track();
    TouchTrack touches;
    touches.touches = {{2.0, 300, 600, TouchPhase::down, 0}, {2.1, 300, 600, TouchPhase::up, 0}};
    EXPECT_FALSE(editor_.zoomOnTaps({}, {1000, 2000}));
    ASSERT_TRUE(editor_.zoomOnTaps(touches, {1000, 2000}));
    ASSERT_EQ(editor_.track().size(), 1u);
    EXPECT_NEAR(editor_.track()[0].focusX, 0.3, 1e-9);
    EXPECT_NEAR(editor_.track()[0].focusY, 0.3, 1e-9);
    history_.undo();
    EXPECT_EQ(editor_.track(), before);
}

// The lane on a loaded 10 s movie, in a timeline section 640 points wide.
class ZoomLaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        openSettings().clear();
        state_ = std::make_unique<EditorState>(std::make_unique<test::FakeBackend>());
        ASSERT_TRUE(test::loadAndWait(*state_, test::writeFile(dir_.filePath("movie.mp4"))));
        section_ = std::make_unique<TimelineSectionView>(*state_);
        section_->resize(640, 240);
        section_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(section_.get()));
        lane_ = section_->zoomLane();
    }
    QPoint laneAt(double t) const {
        // Through the track's own axis: the lane lines up with it.
        SimpleTimelineView* track = section_->track();
        const QPoint onTrack(static_cast<int>(track->trackRect().left() + track->xForTime(t)), 0);
        return QPoint(lane_->mapFrom(section_.get(), track->mapTo(section_.get(), onTrack)).x(),
                      ZoomLaneView::kLaneHeight / 2);
    }
    QTemporaryDir dir_;
    std::unique_ptr<EditorState> state_;
    std::unique_ptr<TimelineSectionView> section_;
    ZoomLaneView* lane_ = nullptr;
};

TEST_F(ZoomLaneTest, BlocksFollowTheTrackAndTheirEndsDragAsOneUndoStep) {
    state_->playback().setCurrentTime(3);
    QTest::keyClick(section_.get(), Qt::Key_Z);
    ASSERT_EQ(state_->camera().track().size(), 1u);
    const QRectF block = lane_->blockRect(0);
    EXPECT_NEAR(block.left(), laneAt(2).x(), 1.5);
    EXPECT_NEAR(block.right(), laneAt(4).x(), 1.5);
    EXPECT_TRUE(lane_->scaleSlider()->isEnabled());

    // Drag the end from 4 s to 6 s in steps.
    QTest::mousePress(lane_, Qt::LeftButton, {}, laneAt(4));
    for (double t : {4.5, 5.0, 5.5, 6.0}) QTest::mouseMove(lane_, laneAt(t));
    QTest::mouseRelease(lane_, Qt::LeftButton, {}, laneAt(6));
    EXPECT_NEAR(state_->camera().track()[0].end, 6, 0.05);
    EXPECT_NEAR(state_->camera().track()[0].start, 2, 1e-9);
    state_->history().undo();
    EXPECT_NEAR(state_->camera().track()[0].end, 4, 1e-9);

    lane_->scaleSlider()->setValue(300);
    EXPECT_DOUBLE_EQ(state_->camera().track()[0].scale, 3);
    // A press on empty lane drops the selection; Delete with none selected does nothing.
    QTest::mouseClick(lane_, Qt::LeftButton, {}, laneAt(8));
    EXPECT_EQ(state_->camera().selected(), -1);
    EXPECT_FALSE(lane_->deleteButton()->isEnabled());
    QTest::mouseClick(lane_, Qt::LeftButton, {}, laneAt(3));
    QTest::keyClick(lane_, Qt::Key_Delete);
    EXPECT_TRUE(state_->camera().track().empty());
    // Without touches, zoom on taps says so and changes nothing.
    lane_->zoomOnTapsButton()->click();
    EXPECT_FALSE(lane_->statusText().isEmpty());
    EXPECT_TRUE(state_->camera().track().empty());
}

TEST(PreviewCamera, ShowsTheViewTheExportShows) {
    // A 200 x 400 canvas drawn at half size at (10, 20), the video at (38, 38) 124 x 324 of it.
    const QRectF canvas(10, 20, 100, 200);
    const QRectF video(10 + 19, 20 + 19, 62, 162);
    EXPECT_TRUE(previewCameraTransform({}, canvas, 0.5, video).isIdentity());
    const CameraState camera{2, 0.25, 0.75};
    const QTransform t = previewCameraTransform(camera, canvas, 0.5, video);
    const CanvasView view = canvasView(camera, Placement{38, 38, 124, 324, 1, 1}, 200, 400);
    // Any canvas point lands where the export's view puts it, at the preview's size.
    for (const QPointF& exportPoint : {QPointF(38, 38), QPointF(100, 300), QPointF(0, 0)}) {
        const QPointF drawn = canvas.topLeft() + exportPoint * 0.5;
        const QPointF expected = canvas.topLeft() + QPointF(exportPoint.x() * view.scale - view.x,
                                                            exportPoint.y() * view.scale - view.y) *
                                                        0.5;
        EXPECT_NEAR(t.map(drawn).x(), expected.x(), 1e-6);
        EXPECT_NEAR(t.map(drawn).y(), expected.y(), 1e-6);
    }
    // And back: the point under the focus is the focus.
    const QPointF focusDrawn(video.x() + 0.25 * video.width(), video.y() + 0.75 * video.height());
    const QPointF back = recordingPointAt(t.map(focusDrawn), t, video);
    EXPECT_NEAR(back.x(), 0.25, 1e-9);
    EXPECT_NEAR(back.y(), 0.75, 1e-9);
}

}  // namespace
}  // namespace kestro
