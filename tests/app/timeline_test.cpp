// The trim track driven with real mouse events: scrubbing from the first press, the 10-point
// handle threshold, handle precedence, the bounds of every drag, and the read-outs.

#include "app/editor/editor_state.hpp"
#include "app/preview/filmstrip.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/preview/time_readout.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app/ui/round_icon_button.hpp"
#include "app_fixtures.hpp"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kestro {
namespace {

// A 600-point track over a 60 s movie: 10 points per second.
class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        view_.resize(600 + 2 * SimpleTimelineView::kSideInset, view_.height());
        view_.setDuration(60);
        view_.setTrimStart(0);
        view_.setTrimEnd(60);
        view_.setCurrentTime(0);
    }
    // x from the track's left edge.
    QPoint at(qreal x) const {
        return QPoint(int(x) + SimpleTimelineView::kSideInset, view_.height() / 2);
    }
    void press(qreal x) { QTest::mousePress(&view_, Qt::LeftButton, {}, at(x)); }
    void move(qreal x) { QTest::mouseMove(&view_, at(x)); }
    void release(qreal x) { QTest::mouseRelease(&view_, Qt::LeftButton, {}, at(x)); }

    SimpleTimelineView view_;
};

TEST_F(TimelineTest, APressScrubsAtOnceInsideTheTrimRangeAndTheReleaseSeeksPausing) {
    QSignalSpy seeks(&view_, &SimpleTimelineView::seekRequested);
    QSignalSpy times(&view_, &SimpleTimelineView::currentTimeEdited);
    press(150);
    EXPECT_DOUBLE_EQ(view_.currentTime(), 15);
    ASSERT_EQ(seeks.size(), 1);
    EXPECT_DOUBLE_EQ(seeks[0][0].toDouble(), 15);
    EXPECT_FALSE(seeks[0][1].toBool());
    release(150);
    ASSERT_EQ(seeks.size(), 2);
    EXPECT_DOUBLE_EQ(seeks[1][0].toDouble(), 15);
    EXPECT_TRUE(seeks[1][1].toBool());
    EXPECT_EQ(times.size(), 1);

    view_.setTrimStart(10);
    view_.setTrimEnd(20);
    press(300);
    EXPECT_DOUBLE_EQ(view_.currentTime(), 20);
    for (const auto& [x, want] : {std::pair{50.0, 10.0}, {-40.0, 10.0}, {900.0, 20.0}}) {
        move(x);  // 5 s, outside the view on the left, then on the right
        EXPECT_DOUBLE_EQ(view_.currentTime(), want) << x;
    }
    release(900);
    EXPECT_DOUBLE_EQ(seeks.last()[0].toDouble(), 20);
    EXPECT_TRUE(seeks.last()[1].toBool());
}

TEST_F(TimelineTest, HandlesIgnoreMovesUnderTenPointsAndTakePrecedenceOverTheScrub) {
    view_.setTrimStart(20);
    QSignalSpy starts(&view_, &SimpleTimelineView::trimStartEdited);
    QSignalSpy seeks(&view_, &SimpleTimelineView::seekRequested);
    press(200);
    move(209);
    EXPECT_DOUBLE_EQ(view_.trimStart(), 20);
    EXPECT_EQ(starts.size(), 0);
    move(260);
    EXPECT_DOUBLE_EQ(view_.trimStart(), 26);
    release(260);
    // Neither the press nor the drag nor the release scrubbed or sought.
    EXPECT_EQ(seeks.size(), 0);
    EXPECT_DOUBLE_EQ(view_.currentTime(), 0);
    EXPECT_EQ(starts.size(), 1);
}

// Each handle stops at its end of the movie and just short of the other handle; handles moved
// together are told apart by the side of the press.
TEST_F(TimelineTest, HandlesStopAtTheMovieAndJustShortOfEachOther) {
    struct Drag {
        double start, end;  // before
        qreal press, to;
        double wantStart, wantEnd;
    };
    const std::vector<Drag> drags = {
        {10, 30, 100, -200, 0, 30},     {10, 30, 100, 590, 30 - 0.1, 30},
        {10, 30, 300, 1000, 10, 60},    {10, 30, 300, 0, 10, 10 + 0.1},
        {29.9, 30, 303, 400, 29.9, 40}, {29.9, 30, 296, 100, 10, 30},
    };
    for (const Drag& d : drags) {
        SCOPED_TRACE(::testing::Message() << d.press << " to " << d.to);
        view_.setTrimStart(d.start);
        view_.setTrimEnd(d.end);
        press(d.press);
        move(d.to);
        release(d.to);
        EXPECT_DOUBLE_EQ(view_.trimStart(), d.wantStart);
        EXPECT_DOUBLE_EQ(view_.trimEnd(), d.wantEnd);
    }
}

TEST_F(TimelineTest, WithoutAMovieOnlyTheReleaseSeeks) {
    view_.setDuration(0);
    view_.setTrimEnd(0);
    QSignalSpy seeks(&view_, &SimpleTimelineView::seekRequested);
    QSignalSpy starts(&view_, &SimpleTimelineView::trimStartEdited);
    press(0);
    move(300);
    release(300);
    ASSERT_EQ(seeks.size(), 1);
    EXPECT_TRUE(seeks[0][1].toBool());
    EXPECT_EQ(starts.size(), 0);
    EXPECT_EQ(view_.currentTime(), 0);
}

TEST(TimelineSection, ReadsOutTheStateAndWritesDragsBack) {
    auto backend = std::make_unique<test::FakeBackend>();
    EditorState state(std::move(backend));
    TimelineSectionView section(state);
    section.resize(640, 300);
    // Timeline edits go through the state and come back; whole seconds, minutes past the hour.
    emit section.track()->trimEndEdited(75.9);
    EXPECT_DOUBLE_EQ(state.playback().trimEnd(), 75.9);
    EXPECT_EQ(section.endText(), "1:15");
    state.playback().setTrimStart(10);
    EXPECT_EQ(section.startText(), "0:10");
    EXPECT_EQ(section.durationText(), "1:05");
    EXPECT_DOUBLE_EQ(section.track()->trimStart(), 10);
    // A range the wrong way round reads as no time rather than a negative one.
    state.playback().setTrimEnd(5);
    EXPECT_EQ(section.durationText(), "0:00");
    state.playback().setTrimEnd(4000);
    state.playback().setCurrentTime(3725);
    EXPECT_EQ(section.currentTimeText(), "62:05");
    EXPECT_EQ(section.playPauseButton()->symbol(), "play.fill");
    // The playhead's time reads as the playhead is drawn: never past End, never before Start.
    state.playback().setTrimEnd(2.5);
    state.playback().setTrimStart(0);
    state.playback().setCurrentTime(3.2);
    EXPECT_EQ(section.currentTimeText(), "0:02");
    EXPECT_EQ(section.endText(), "0:02");
    // Its digits take one width, so the text does not jitter as it counts.
    const TimeReadout* readout = section.currentTimeReadout();
    EXPECT_EQ(readout->textWidth("1:11"), readout->textWidth("0:00"));
    EXPECT_EQ(readout->textWidth("11:11"), readout->textWidth("48:08"));
}

// The handles take a press on themselves and a little outside the range; inside the range a
// press scrubs, so the very start of a full range moves the playhead.
TEST_F(TimelineTest, APressInsideTheRangeScrubsEvenBesideAHandle) {
    QSignalSpy seeks(&view_, &SimpleTimelineView::seekRequested);
    view_.setCurrentTime(30);
    press(1);
    EXPECT_DOUBLE_EQ(view_.currentTime(), 0.1);
    release(1);
    EXPECT_EQ(seeks.size(), 2);
    press(598);
    EXPECT_DOUBLE_EQ(view_.currentTime(), 59.8);
    release(598);
    // From the handle's centre outwards, it is the handle's.
    press(-4);
    move(100);
    release(100);
    EXPECT_DOUBLE_EQ(view_.trimStart(), 10);
    press(604);
    move(500);
    release(500);
    EXPECT_DOUBLE_EQ(view_.trimEnd(), 50);
    EXPECT_EQ(seeks.size(), 4);
}

// Thumbnails are decoded on the pool, once per movie and size, and shown when they land.
TEST(Filmstrip, DecodesOffTheInterfaceThreadOnceAndShowsWhatLands) {
    const std::thread::id interfaceThread = std::this_thread::get_id();
    std::atomic<int> decodes{0};
    std::atomic<bool> onInterfaceThread{false};
    Filmstrip strip([&](const QString&, const std::vector<double>& times, QSize size) {
        ++decodes;
        if (std::this_thread::get_id() == interfaceThread) onInterfaceThread = true;
        std::vector<QImage> pictures;
        for (double t : times) {
            QImage picture(size, QImage::Format_RGB32);
            picture.fill(QColor(int(t * 10), 0, 0));
            pictures.push_back(picture);
        }
        return pictures;
    });
    EXPECT_EQ(Filmstrip::timesFor(10, 5), (std::vector<double>{1, 3, 5, 7, 9}));
    strip.request("/movies/a.mp4", 10, 5, QSize(30, 56));
    EXPECT_TRUE(strip.thumbnails().empty());
    ASSERT_TRUE(test::waitUntilDone([&] { return strip.thumbnails().size() == 5; }));
    EXPECT_FALSE(onInterfaceThread);
    EXPECT_EQ(QColor(strip.thumbnails()[1].pixel(0, 0)).red(), 30);
    EXPECT_EQ(strip.thumbnails()[0].size(), QSize(30, 56));

    strip.request("/movies/a.mp4", 10, 8, QSize(20, 56));
    ASSERT_TRUE(test::waitUntilDone([&] { return strip.thumbnails().size() == 8; }));
    // Back to the first size: from the cache, at once.
    strip.request("/movies/a.mp4", 10, 5, QSize(30, 56));
    EXPECT_EQ(strip.thumbnails().size(), 5u);
    EXPECT_EQ(decodes, 2);
    strip.request(QString(), 0, 0, QSize());
    EXPECT_TRUE(strip.thumbnails().empty());
}

}  // namespace
}  // namespace kestro
