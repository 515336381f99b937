// Captions and titles edited in the editor: every change is one undo step, text the export
// cannot draw is refused without changing anything, and the captions lane edits with the mouse
// and in place, in step with the trim track above it.

#include "app/editor/edit_history.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/editor/story_track.hpp"
#include "app/preview/caption_lane.hpp"
#include "app/preview/caption_lane_view.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app/window/title_cards_dialog.hpp"
#include "app_fixtures.hpp"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(StoryTrack, EditsUndoAndRedoAsWholeStepsAndBadTextChangesNothing) {
    EditHistory history;
    StoryTrack story(history);
    story.setOutputLength(5);

    ASSERT_EQ(story.addCaption(1, QStringLiteral("Open the settings")), 0);
    EXPECT_DOUBLE_EQ(story.caption(0).start, 1);
    EXPECT_DOUBLE_EQ(story.caption(0).end, 1 + StoryTrack::kNewCaptionLength);
    // Near the end a new caption is cut at the end; at the very end there is no room.
    ASSERT_EQ(story.addCaption(4.5, QStringLiteral("افتح الإعدادات")), 1);
    EXPECT_DOUBLE_EQ(story.caption(1).end, 5);
    QString problem;
    EXPECT_FALSE(story.addCaption(4.95, QStringLiteral("late"), &problem));
    EXPECT_FALSE(problem.isEmpty());
    const int steps = history.stack().count();
    EXPECT_EQ(steps, 2);

    // Text the export would refuse: the caption keeps its text and no step is added.
    for (const QString& bad : {QString(), QStringLiteral("   "), QStringLiteral("bell\a"),
                               QStringLiteral("tab\there")}) {
        problem.clear();
        EXPECT_FALSE(story.setCaptionText(0, bad, &problem)) << bad.toStdString();
        EXPECT_FALSE(problem.isEmpty());
    }
    EXPECT_EQ(story.caption(0).text, "Open the settings");
    EXPECT_EQ(history.stack().count(), steps);
    EXPECT_TRUE(story.setCaptionText(0, QStringLiteral("打开设置\nSettings")));

    // Times stay inside the output and keep a minimum length.
    story.setCaptionTimes(0, -3, 40);
    EXPECT_DOUBLE_EQ(story.caption(0).start, 0);
    EXPECT_DOUBLE_EQ(story.caption(0).end, 5);
    story.setCaptionTimes(0, 2, 2);
    EXPECT_NEAR(story.caption(0).end - story.caption(0).start, StoryTrack::kMinimumCaptionLength,
                1e-9);
    story.setCaptionPosition(1, CaptionPosition::top);
    story.setCaptionSize(1, 80);
    EXPECT_DOUBLE_EQ(story.caption(1).sizePercent, kMaxCaptionSizePercent);
    story.removeCaption(0);
    ASSERT_EQ(story.captionCount(), 1);

    // Back to the start one step at a time, and forward again to the same story.
    const StoryText last = story.text();
    while (history.canUndo()) history.undo();
    EXPECT_EQ(story.captionCount(), 0);
    history.redo();
    history.redo();
    ASSERT_EQ(story.captionCount(), 2);
    EXPECT_EQ(story.caption(0).text, "Open the settings");
    while (history.canRedo()) history.redo();
    ASSERT_EQ(story.captionCount(), 1);
    EXPECT_EQ(story.caption(0).text, last.captions[0].text);
    EXPECT_EQ(story.caption(0).position, CaptionPosition::top);

    // Title cards: refused when the title is missing or broken, one step when set.
    TitleCard card;
    card.subtitle = "only a subtitle";
    EXPECT_FALSE(story.setIntro(card, &problem));
    card.title = "Kestro\x01";
    EXPECT_FALSE(story.setOutro(card, &problem));
    EXPECT_FALSE(story.text().intro || story.text().outro);
    card.title = "Kestro";
    EXPECT_TRUE(story.setIntro(card));
    ASSERT_TRUE(story.text().intro);
    history.undo();
    EXPECT_FALSE(story.text().intro);
}

// A 600-point track over a 10 s movie trimmed to 2..8 s: the lane lines up under it.
class CaptionLaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto backend = std::make_unique<test::FakeBackend>();
        state_ = std::make_unique<EditorState>(std::move(backend));
        ASSERT_TRUE(test::loadAndWait(*state_, test::writeFile(dir_.filePath("m.mov"))));
        state_->playback().setTrimStart(2);
        state_->playback().setTrimEnd(8);
        timeline_ = std::make_unique<TimelineSectionView>(*state_);
        timeline_->resize(600 + 2 * SimpleTimelineView::kSideInset + 32, 220);
        timeline_->show();
        lanes_ = timeline_->findChild<CaptionLaneView*>();
        ASSERT_NE(lanes_, nullptr);
        lane_ = lanes_->lane();
        test::drainEvents();
    }
    StoryTrack& story() { return state_->story(); }
    // The lane point of an output time.
    QPoint at(double seconds) const {
        return QPoint(int(std::lround(lane_->xForOutputTime(seconds))), lane_->height() / 2);
    }

    QTemporaryDir dir_;
    std::unique_ptr<EditorState> state_;
    std::unique_ptr<TimelineSectionView> timeline_;
    CaptionLaneView* lanes_ = nullptr;
    CaptionLane* lane_ = nullptr;
};

TEST_F(CaptionLaneTest, BlocksSitUnderTheTrackAndDragOnceIntoOneUndoStep) {
    SimpleTimelineView* track = timeline_->track();
    ASSERT_TRUE(story().addCaption(1, QStringLiteral("Tap here")));
    // Output 1 s is recording 3 s: the same x on the track and on the lane.
    const QPoint onTrack = track->mapTo(timeline_.get(),
                                        QPointF(track->trackRect().x() + track->xForTime(3), 0))
                               .toPoint();
    const QPoint onLane = lane_->mapTo(timeline_.get(), QPointF(lane_->blockRect(0).left(), 0))
                              .toPoint();
    EXPECT_NEAR(onLane.x(), onTrack.x(), 1);

    // The right end, dragged 1 s later: drawn as it goes, written once on release.
    const int steps = state_->history().stack().count();
    QTest::mousePress(lane_, Qt::LeftButton, {}, at(3));
    QTest::mouseMove(lane_, at(3.5));
    QTest::mouseMove(lane_, at(4));
    EXPECT_DOUBLE_EQ(story().caption(0).end, 3);
    EXPECT_NEAR(lane_->blockRect(0).right(), at(4).x(), 1.5);
    QTest::mouseRelease(lane_, Qt::LeftButton, {}, at(4));
    EXPECT_NEAR(story().caption(0).end, 4, 0.05);
    EXPECT_DOUBLE_EQ(story().caption(0).start, 1);
    EXPECT_EQ(state_->history().stack().count(), steps + 1);

    // The middle moves the whole caption, kept inside the 6 s output.
    QTest::mousePress(lane_, Qt::LeftButton, {}, at(2.5));
    QTest::mouseMove(lane_, at(9));
    QTest::mouseRelease(lane_, Qt::LeftButton, {}, at(9));
    EXPECT_NEAR(story().caption(0).end, 6, 0.05);
    EXPECT_NEAR(story().caption(0).end - story().caption(0).start, 3, 0.1);

    state_->history().undo();
    EXPECT_DOUBLE_EQ(story().caption(0).start, 1);
    state_->history().undo();
    EXPECT_DOUBLE_EQ(story().caption(0).end, 3);

    // Captions shown together get rows of their own, so neither hides the other.
    ASSERT_TRUE(story().addCaption(1.5, QStringLiteral("Second")));
    EXPECT_FALSE(lane_->blockRect(0).intersects(lane_->blockRect(1)));
}

TEST_F(CaptionLaneTest, TextIsEditedInPlaceAndControlsFollowTheSelection) {
    // Added at the playhead (recording 5 s: output 3 s), with its text open for typing.
    state_->playback().setCurrentTime(5);
    QTest::mouseClick(lanes_->addButton(), Qt::LeftButton);
    ASSERT_EQ(story().captionCount(), 1);
    EXPECT_DOUBLE_EQ(story().caption(0).start, 3);
    QLineEdit* editor = lane_->textEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("bad\x07"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(story().caption(0).text, "Caption") << "refused text changes nothing";
    ASSERT_NE(lane_->textEditor(), nullptr) << "the editor stays open to mend it";
    editor->setText(QStringLiteral("First line"));
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    editor->insert(QStringLiteral("打开设置"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(story().caption(0).text, "First line\n打开设置");
    test::drainEvents();
    EXPECT_EQ(lane_->textEditor(), nullptr);

    // Escape leaves the text as it was.
    QTest::mouseDClick(lane_, Qt::LeftButton, {}, at(3.5));
    ASSERT_NE(lane_->textEditor(), nullptr);
    lane_->textEditor()->setText(QStringLiteral("dropped"));
    QTest::keyClick(lane_->textEditor(), Qt::Key_Escape);
    EXPECT_EQ(story().caption(0).text, "First line\n打开设置");

    // Position and size go to the selected caption; Delete removes it; all undo.
    ASSERT_EQ(lane_->selected(), 0);
    EXPECT_TRUE(lanes_->positionPicker()->isEnabled());
    lanes_->positionPicker()->setCurrentIndex(1);
    emit lanes_->positionPicker()->activated(1);
    EXPECT_EQ(story().caption(0).position, CaptionPosition::top);
    lanes_->sizePicker()->setValue(8);
    EXPECT_DOUBLE_EQ(story().caption(0).sizePercent, 8);
    QTest::mouseClick(lanes_->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(story().captionCount(), 0);
    EXPECT_FALSE(lanes_->deleteButton()->isEnabled());
    state_->history().undo();
    ASSERT_EQ(story().captionCount(), 1);
    EXPECT_DOUBLE_EQ(story().caption(0).sizePercent, 8);

    // The export the editor asks for carries the captions.
    const ExportRequest request = buildExportRequest(*state_, dir_.filePath("out.mp4").toStdString());
    ASSERT_EQ(request.config.story.captions.size(), 1u);
    EXPECT_EQ(request.config.story.captions[0].text, "First line\n打开设置");
}

TEST_F(CaptionLaneTest, TitlesAreSetTogetherAndRefusedTextKeepsTheDialogOpen) {
    lanes_->openTitles();
    TitleCardsDialog* dialog = lanes_->titlesDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->introSubtitle()->setText(QStringLiteral("subtitle without a title"));
    EXPECT_FALSE(dialog->apply());
    EXPECT_FALSE(dialog->problem().isEmpty());
    EXPECT_FALSE(story().text().intro);
    dialog->introTitle()->setText(QStringLiteral("Kestro"));
    dialog->outroTitle()->setText(QStringLiteral("شكرا"));
    dialog->seconds()->setValue(3);
    const int steps = state_->history().stack().count();
    dialog->accept();
    ASSERT_TRUE(story().text().intro && story().text().outro);
    EXPECT_EQ(story().text().intro->subtitle, "subtitle without a title");
    EXPECT_DOUBLE_EQ(story().text().outro->seconds, 3);
    EXPECT_EQ(state_->history().stack().count(), steps + 1);
    state_->history().undo();
    EXPECT_FALSE(story().text().intro || story().text().outro);
}

}  // namespace
}  // namespace kestro
