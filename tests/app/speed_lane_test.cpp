// The speed lane and its track: every edit one undo step, refused edits leave no trace, blocks
// made and moved with real mouse events, and the trim read-out giving the sped length.

#include "app/editor/editor_state.hpp"
#include "app/editor/speed_track_state.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/preview/speed_lane_view.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app_fixtures.hpp"
#include "core/model/time_map.hpp"
#include "support/movie_fixtures.hpp"

#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(SpeedTrackStateTest, EachEditIsOneUndoStepAndRefusedEditsLeaveNoTrace) {
    QUndoStack history;
    SpeedTrackState track(history);
    ASSERT_TRUE(track.add({4, 6, 2}));
    ASSERT_TRUE(track.add({1, 2, 0.5}));
    EXPECT_EQ(track.segments(), (SpeedTrack{{1, 2, 0.5}, {4, 6, 2}}));  // kept in time order
    ASSERT_TRUE(track.retime(1, 5, 8));
    ASSERT_TRUE(track.setFactor(0, 16));
    EXPECT_EQ(history.count(), 4);

    // Overlaps, factors out of range and missing segments are refused without a step.
    EXPECT_FALSE(track.add({7, 9, 2}));
    EXPECT_FALSE(track.retime(0, 1, 5.5));
    EXPECT_FALSE(track.setFactor(1, 20));
    EXPECT_FALSE(track.setFactor(1, 0.1));
    EXPECT_FALSE(track.remove(5));
    EXPECT_EQ(history.count(), 4);
    EXPECT_EQ(track.segments(), (SpeedTrack{{1, 2, 16}, {5, 8, 2}}));
    EXPECT_DOUBLE_EQ(track.outputLength(0, 10), 1 + 1.0 / 16 + 3 + 1.5 + 2);

    ASSERT_TRUE(track.remove(0));
    EXPECT_EQ(track.segments(), (SpeedTrack{{5, 8, 2}}));
    history.undo();
    EXPECT_EQ(track.segments(), (SpeedTrack{{1, 2, 16}, {5, 8, 2}}));
    history.undo();
    history.undo();
    EXPECT_EQ(track.segments(), (SpeedTrack{{1, 2, 0.5}, {4, 6, 2}}));
    history.redo();
    EXPECT_EQ(track.segments(), (SpeedTrack{{1, 2, 0.5}, {5, 8, 2}}));
    // A new edit after undoing drops the steps that were undone.
    ASSERT_TRUE(track.add({9, 10, 4}));
    EXPECT_FALSE(history.canRedo());
}

// A 600-point lane over a 60 s recording: 10 points per second.
class SpeedLaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        lane_.resize(600 + 2 * SimpleTimelineView::kSideInset, 40);
        lane_.setDuration(60);
    }
    QPoint at(double seconds) const {
        return QPoint(int(seconds * 10) + SimpleTimelineView::kSideInset, lane_.height() / 2);
    }
    void drag(double from, double to) {
        QTest::mousePress(&lane_, Qt::LeftButton, {}, at(from));
        QTest::mouseMove(&lane_, at((from + to) / 2));
        QTest::mouseMove(&lane_, at(to));
        QTest::mouseRelease(&lane_, Qt::LeftButton, {}, at(to));
    }

    QUndoStack history_;
    SpeedTrackState track_{history_};
    SpeedLaneView lane_{track_};
};

TEST_F(SpeedLaneTest, DoubleClickAddsDragsMoveAndRetimeAndStopAtNeighbours) {
    QTest::mouseDClick(&lane_, Qt::LeftButton, {}, at(10));
    ASSERT_EQ(track_.segments().size(), 1u);
    EXPECT_NEAR(track_.segments()[0].start, 10, 0.11);
    EXPECT_NEAR(track_.segments()[0].end, 12, 0.11);
    EXPECT_DOUBLE_EQ(track_.segments()[0].factor, SpeedLaneView::kNewSegmentFactor);
    // Room short of the full length before the next block: cut to it.
    QTest::mouseDClick(&lane_, Qt::LeftButton, {}, at(9));
    ASSERT_EQ(track_.segments().size(), 2u);
    EXPECT_NEAR(track_.segments()[0].end, track_.segments()[1].start, 1e-9);
    ASSERT_TRUE(track_.remove(0));
    const int steps = history_.count();

    // The body moves the block as a whole, in one undo step.
    drag(11, 31);
    ASSERT_EQ(track_.segments().size(), 1u);
    EXPECT_NEAR(track_.segments()[0].start, 30, 0.11);
    EXPECT_NEAR(track_.segments()[0].end, 32, 0.11);
    EXPECT_EQ(history_.count(), steps + 1);
    // The end edge retimes; the block cannot pass the recording's end.
    drag(32, 70);
    EXPECT_NEAR(track_.segments()[0].end, 60, 0.11);
    // A second block stops a move at the first's edge instead of overlapping it.
    ASSERT_TRUE(track_.add({5, 7, 4}));
    drag(6, 40);
    EXPECT_NEAR(track_.segments()[0].end, 30, 0.11);
    EXPECT_NEAR(track_.segments()[0].start, 28, 0.11);
    EXPECT_FALSE(speedTrackProblem(track_.segments()));

    history_.undo();
    EXPECT_NEAR(track_.segments()[0].start, 5, 1e-9);
    // Delete removes the selected block; + doubles its factor.
    QTest::mouseClick(&lane_, Qt::LeftButton, {}, at(6));
    EXPECT_EQ(lane_.selectedIndex(), 0);
    QTest::keyClick(&lane_, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(track_.segments()[0].factor, 8);
    QTest::keyClick(&lane_, Qt::Key_Delete);
    ASSERT_EQ(track_.segments().size(), 1u);
    EXPECT_NEAR(track_.segments()[0].start, 30, 0.11);
}

// The waits are found off the interface thread and land as one undo step beside the user's own
// segment: 0.9 s of motion, 3 s still, 1 s of motion; shortened to 1 s it is a 3x segment.
TEST(SpeedTrackStateTest, ShortenWaitsAddsOneStepAroundTheUsersSegments) {
    test::ScratchDir dir;
    const auto movie =
        test::makeWaitingMovie(dir / "wait.mp4", 64, 128, "-c:v libx264 -preset ultrafast");
    ASSERT_FALSE(movie.empty());
    QUndoStack history;
    SpeedTrackState track(history);
    ASSERT_TRUE(track.add({0, 0.5, 0.5}));
    QSignalSpy done(&track, &SpeedTrackState::waitsShortened);
    track.shortenWaits(QString::fromStdString(movie.string()), 0, 100, 1);
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(done[0][0].toInt(), 1);
    ASSERT_EQ(track.segments().size(), 2u);
    EXPECT_NEAR(track.segments()[1].start, 0.9, 1e-3);
    EXPECT_NEAR(track.segments()[1].end, 3.9, 1e-3);
    EXPECT_NEAR(track.segments()[1].factor, 3, 1e-3);
    EXPECT_EQ(history.count(), 2);
    history.undo();
    EXPECT_EQ(track.segments(), (SpeedTrack{{0, 0.5, 0.5}}));
}

TEST(SpeedLaneSection, TheTrimReadOutGivesTheLengthAfterSpeed) {
    EditorState state(std::make_unique<test::FakeBackend>());
    TimelineSectionView section(state);
    section.resize(640, 300);
    state.playback().setTrimEnd(10);
    EXPECT_EQ(section.durationText(), "0:10");
    ASSERT_TRUE(state.speedTrack().add({2, 6, 4}));
    EXPECT_EQ(section.durationText(), "0:07");
    state.history().stack().undo();
    EXPECT_EQ(section.durationText(), "0:10");
    EXPECT_NE(section.speedLane(), nullptr);
}

}  // namespace
}  // namespace kestro
