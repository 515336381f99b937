// The touches of an Android recording: the touchscreen's events read from getevent, placed in
// the recording's pixels and on its clock, and written beside the movie by the recorder.

#include "core/capture/android_recorder.hpp"
#include "core/capture/android_touch_log.hpp"
#include "core/capture/fake_adb_env.hpp"
#include "core/capture/getevent_touches.hpp"
#include "core/model/touch_file.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace kestro {
namespace {

using namespace std::chrono_literals;
using test::ScratchDir;
using testing::FakeAdb;

std::vector<TouchPoint> decodeAll(const std::filesystem::path& events,
                                  const TouchMapping& mapping) {
    GeteventDecoder decoder(mapping);
    std::istringstream in(test::fileContents(events));
    for (std::string line; std::getline(in, line);) decoder.feed(line + "\r\n");
    return decoder.take();
}

TEST(AndroidTouches, TheTouchscreenAndTheDisplayAreFoundInWhatTheDeviceSays) {
    const auto screen = findTouchscreen(test::fileContents(FakeAdb::recorded("touchscreen.txt")));
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->device, "/dev/input/event3");  // not the keys, not the sensor's ABS_X
    EXPECT_EQ(screen->maxX, 1439);
    EXPECT_EQ(screen->maxY, 3199);
    EXPECT_FALSE(findTouchscreen("add device 1: /dev/input/event0\n  name: \"keys\"\n"));
    EXPECT_FALSE(findTouchscreen(
        "add device 1: /dev/input/event1\n    ABS (0003): ABS_MT_POSITION_X : value 0, min 0, "
        "max 0\n                ABS_MT_POSITION_Y : value 0, min 0, max 100\n"));

    EXPECT_EQ(parseWmSize("Physical size: 1080x2400\n")->width, 1080);
    const auto overridden = parseWmSize("Physical size: 1080x2400\r\nOverride size: 720x1600\r\n");
    ASSERT_TRUE(overridden);
    EXPECT_EQ(overridden->width, 720);
    EXPECT_EQ(overridden->height, 1600);
    EXPECT_FALSE(parseWmSize("wm: not found"));

    EXPECT_EQ(parseDisplayRotation("  Viewport INTERNAL: displayId=0, orientation=1, x\n"
                                   "  Viewport EXTERNAL: displayId=2, orientation=3\n"),
              1);
    EXPECT_EQ(parseDisplayRotation("    SurfaceOrientation: 3\n"), 3);
    EXPECT_EQ(parseDisplayRotation("nothing useful"), 0);
}

TEST(AndroidTouches, EventsBecomeFingersInTheRecordingsPixelsAsTheDisplayIsTurned) {
    const Touchscreen screen{"/dev/input/event3", 0, 1439, 0, 3199};
    const auto events = FakeAdb::recorded("tap-and-swipe.txt");
    const auto upright = decodeAll(events, {screen, {720, 1600}, 0});
    // A tap, then a swipe of finger 0 with finger 1 resting from its second step.
    ASSERT_EQ(upright.size(), 11u);
    EXPECT_EQ(upright[0], (TouchPoint{2000.5, 360.25, 800.25, TouchPhase::down, 0}));
    EXPECT_EQ(upright[1], (TouchPoint{2000.56, 360.25, 800.25, TouchPhase::up, 0}));
    EXPECT_EQ(upright[2].phase, TouchPhase::down);
    EXPECT_EQ(upright[3].phase, TouchPhase::move);
    EXPECT_NEAR(upright[3].y, 1200.25, 1e-9);
    EXPECT_EQ(upright[5], (TouchPoint{2001.0, 600.25, 200.25, TouchPhase::down, 1}));
    EXPECT_EQ(upright[9].phase, TouchPhase::up);
    EXPECT_EQ(upright[10].phase, TouchPhase::up);
    EXPECT_EQ(upright[10].id, 1);

    // Turned a quarter: the phone's left edge is the recording's bottom.
    const TouchMapping turned{screen, {720, 1600}, 1};
    EXPECT_EQ(turned.recorded().width, 1600);
    const auto landscape = decodeAll(events, turned);
    EXPECT_NEAR(landscape[0].x, 800.25, 1e-9);
    EXPECT_NEAR(landscape[0].y, 720 - 360.25, 1e-9);
    const auto corner = turned.map(0, 0);
    EXPECT_NEAR(corner.first, 0.25, 1e-9);
    EXPECT_NEAR(corner.second, 719.75, 1e-9);
    const auto half = TouchMapping{screen, {720, 1600}, 2}.map(0, 0);
    EXPECT_NEAR(half.first, 719.75, 1e-9);
    const auto three = TouchMapping{screen, {720, 1600}, 3}.map(0, 0);
    EXPECT_NEAR(three.first, 1599.75, 1e-9);
    EXPECT_NEAR(three.second, 0.25, 1e-9);

    // Another device's lines and lines that are no events change nothing.
    GeteventDecoder decoder({screen, {720, 1600}, 0});
    for (const char* line :
         {"[ 1.0] /dev/input/event0: EV_ABS ABS_MT_TRACKING_ID 00000001",
          "[ 1.0] /dev/input/event0: EV_SYN SYN_REPORT 00000000", "add device 2: /dev/input/event3",
          "[ x] /dev/input/event3: EV_SYN SYN_REPORT 00000000",
          "[ 1.0] EV_ABS ABS_MT_POSITION_X zz"})
        decoder.feed(line);
    EXPECT_TRUE(decoder.take().empty());
}

TEST(AndroidTouches, EachPiecesTouchesCountFromWhereThatPieceBeginsInTheMovie) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::vector<RecordedPiece> pieces{{t0, 0.5}, {t0 + 1s, 0.75}};
    const auto at = [&](double seconds, TouchPhase phase) {
        return StampedTouch{t0 + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                     std::chrono::duration<double>(seconds)),
                            TouchPoint{0, 360, 800, phase, 0}};
    };
    const TouchTrack track =
        placeTouches({at(-0.2, TouchPhase::down), at(0.2, TouchPhase::move),
                      at(0.8, TouchPhase::up), at(1.3, TouchPhase::down), at(1.5, TouchPhase::up)},
                     pieces, {720, 1600}, {72, 160});
    ASSERT_EQ(track.touches.size(), 4u);  // the one before the recording is dropped
    EXPECT_NEAR(track.touches[0].t, 0.2, 1e-6);
    EXPECT_NEAR(track.touches[1].t, 0.5, 1e-6);  // in the gap: at the end of its piece
    EXPECT_NEAR(track.touches[2].t, 0.8, 1e-6);  // 0.3 s into the second piece
    EXPECT_NEAR(track.touches[3].t, 1.0, 1e-6);
    EXPECT_EQ(track.touches[0].x, 36);
    EXPECT_EQ(track.touches[0].y, 80);
}

AndroidRecorder::Timing quickPieces(int pieceSeconds = 30) {
    AndroidRecorder::Timing timing;
    timing.pieceSeconds = pieceSeconds;
    timing.startCheck = 800ms;
    timing.stopGrace = 1500ms;
    return timing;
}

TEST(AndroidTouches, ARecordingWritesItsTouchFileWithTheDevicesDotsKeptOff) {
    FakeAdb fake;
    ScratchDir scratch;
    fake.replayTouches(FakeAdb::recorded("tap-and-swipe.txt"));
    fake.setClipSeconds("2");
    fake.putSetting("system.show_touches", "1");  // on in the phone's developer options
    const auto out = scratch / "take.mp4";
    AndroidRecorder recorder({FakeAdb::program()}, quickPieces());
    ASSERT_TRUE(recorder.startRecording(out, std::nullopt).ok());
    EXPECT_EQ(fake.setting("system.show_touches"), "0");
    std::this_thread::sleep_for(1500ms);  // the replay's last event is 1.2 s in
    ASSERT_TRUE(recorder.stopRecording().ok());
    EXPECT_EQ(fake.setting("system.show_touches"), "1");
    EXPECT_GE(fake.indexOf("shell -t -t getevent -lt /dev/input/event3"), 0);

    auto track = readTouchFile(touchFilePath(out));
    ASSERT_TRUE(track.ok()) << track.error();
    ASSERT_EQ(track->touches.size(), 11u);
    // The tap in the middle of the 720 x 1600 display, in the 72 x 160 movie, about half a
    // second in; the swipe 0.4 s after it.
    const TouchPoint& tap = track->touches[0];
    EXPECT_EQ(tap.phase, TouchPhase::down);
    EXPECT_EQ(tap.x, 36);
    EXPECT_EQ(tap.y, 80);
    EXPECT_NEAR(tap.t, 0.5, 0.2);
    EXPECT_NEAR(track->touches[2].t - tap.t, 0.4, 0.05);

    // Without the log: no getevent, no dots changed, and an earlier touch file is gone.
    AndroidRecorder plain({FakeAdb::program()}, quickPieces());
    RecordingOptions options;
    options.logTouches = false;
    const int calls = static_cast<int>(fake.calls().size());
    ASSERT_TRUE(plain.startRecording(out, std::nullopt, options).ok());
    ASSERT_TRUE(plain.stopRecording().ok());
    const auto later = fake.calls();
    for (std::size_t i = static_cast<std::size_t>(calls); i < later.size(); ++i) {
        EXPECT_EQ(later[i].find("getevent"), std::string::npos) << later[i];
        EXPECT_EQ(later[i].find("show_touches"), std::string::npos) << later[i];
    }
    EXPECT_FALSE(std::filesystem::exists(touchFilePath(out)));
}

TEST(AndroidTouches, TouchesOfALaterPieceFollowTheEarlierPiecesInTheJoinedMovie) {
    FakeAdb fake;
    ScratchDir scratch;
    // Taps half a second and 2.2 s in. Pieces are cut every second of the phone's clock, but
    // each holds only 0.3 s of movie, as a phone that drops pictures writes it.
    const auto events = scratch / "events.txt";
    std::ofstream(events)
        << "[    3000.000000] /dev/input/event3: EV_SYN SYN_REPORT 00000000\n"
        << "[    3000.500000] /dev/input/event3: EV_ABS ABS_MT_TRACKING_ID 00000001\n"
        << "[    3000.500000] /dev/input/event3: EV_ABS ABS_MT_POSITION_X 00000010\n"
        << "[    3000.500000] /dev/input/event3: EV_ABS ABS_MT_POSITION_Y 00000010\n"
        << "[    3000.500000] /dev/input/event3: EV_SYN SYN_REPORT 00000000\n"
        << "[    3002.200000] /dev/input/event3: EV_ABS ABS_MT_POSITION_X 00000020\n"
        << "[    3002.200000] /dev/input/event3: EV_SYN SYN_REPORT 00000000\n";
    fake.replayTouches(events);
    fake.setClipSeconds("0.3");
    const auto out = scratch / "long.mp4";
    AndroidRecorder recorder({FakeAdb::program()}, quickPieces(1));
    ASSERT_TRUE(recorder.startRecording(out, std::nullopt).ok());
    ASSERT_TRUE(fake.waitFor("recorded", 2));
    std::this_thread::sleep_for(600ms);
    ASSERT_TRUE(recorder.stopRecording().ok());
    const auto movie = test::probeMovie(out);
    ASSERT_TRUE(movie);

    auto track = readTouchFile(touchFilePath(out));
    ASSERT_TRUE(track.ok()) << track.error();
    ASSERT_EQ(track->touches.size(), 2u);
    // The first lands in the first piece, at its end; the second in a later one.
    EXPECT_NEAR(track->touches[0].t, 0.3, 0.02);
    EXPECT_GT(track->touches[1].t, track->touches[0].t + 0.2);
    EXPECT_LE(track->touches[1].t, movie->duration + 0.02);
}

}  // namespace
}  // namespace kestro
