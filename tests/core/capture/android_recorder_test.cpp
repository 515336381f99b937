// Recording an Android phone through the adb stand-in: the pieces, the stop, the errors and the
// device settings that must be back as they were after every ending.

#include "core/capture/android_recorder.hpp"
#include "core/capture/fake_adb_env.hpp"
#include "core/capture/recording_files.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace kestro {
namespace {

using namespace std::chrono_literals;
using test::probeMovie;
using test::ScratchDir;
using testing::FakeAdb;

AndroidRecorder::Timing quick() {
    AndroidRecorder::Timing timing;
    timing.pieceSeconds = 30;
    // Long enough for a refusing stand-in to exit on a busy machine.
    timing.startCheck = 800ms;
    timing.stopGrace = 1500ms;
    return timing;
}

class AndroidRecording : public ::testing::Test {
protected:
    AndroidRecorder recorder(AndroidRecorder::Timing timing = quick()) {
        return AndroidRecorder({(fake.dir() / "missing-adb").string(), FakeAdb::program()}, timing);
    }
    FakeAdb fake;
    ScratchDir scratch;
};

TEST_F(AndroidRecording, DiscoveryFindsTheToolAndTheDevicesOrSaysWhatIsMissing) {
    AndroidRecorder missing({(fake.dir() / "missing-adb").string()});
    std::vector<AndroidDevice> devices{{"x", "y", "device"}};
    EXPECT_EQ(missing.checkAvailability(&devices), AndroidRecorder::Availability::adbMissing);
    EXPECT_TRUE(devices.empty());

    auto found = recorder();
    EXPECT_EQ(found.adbPath(), FakeAdb::program());
    EXPECT_EQ(found.checkAvailability(&devices), AndroidRecorder::Availability::available);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, "Pixel 8 Pro");

    fake.setListing("* daemon started successfully\nList of devices attached\n\n");
    EXPECT_EQ(found.checkAvailability(), AndroidRecorder::Availability::noDevices);
}

TEST_F(AndroidRecording, DevicesThatCannotRecordFailAtOnceAndTouchNothing) {
    fake.setListing(
        "List of devices attached\nAAA unauthorized transport_id:1\n"
        "BBB offline transport_id:2\n");
    fake.putSetting("global.sysui_demo_allowed", "0");
    auto rec = recorder();
    const auto out = scratch / "take.mp4";
    const RecordingOptions all{true, true};

    struct Case {
        std::optional<std::string> serial;
        int code;
    };
    for (const Case& c :
         {Case{std::nullopt, AndroidRecorder::unauthorized},
          Case{"AAA", AndroidRecorder::unauthorized}, Case{"BBB", AndroidRecorder::offline},
          Case{"GONE", AndroidRecorder::noDevice}}) {
        auto started = rec.startRecording(out, c.serial, all);
        ASSERT_FALSE(started.ok());
        EXPECT_EQ(started.error().domain, kAndroidErrorDomain);
        EXPECT_EQ(started.error().code, c.code);
        EXPECT_FALSE(started.error().recoverySuggestion.empty());
        EXPECT_FALSE(rec.isRecording());
    }
    fake.setListing("List of devices attached\n");
    EXPECT_EQ(rec.startRecording(out, std::nullopt).error().code, AndroidRecorder::noDevice);
    EXPECT_EQ(AndroidRecorder({"/nonexistent/adb"}).startRecording(out, std::nullopt).error().code,
              AndroidRecorder::adbMissing);

    // Only listings were asked for: no setting changed, no recorder started.
    for (const auto& call : fake.calls()) EXPECT_EQ(call, "devices -l");
    EXPECT_EQ(fake.setting("global.sysui_demo_allowed"), "0");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(AndroidRecording, SettingsAreAppliedBeforeAndRestoredAfterARecording) {
    fake.putSetting("global.sysui_demo_allowed", "0");  // show_touches stays unset
    auto rec = recorder();
    const auto out = scratch / "take.mp4";
    ASSERT_TRUE(rec.startRecording(out, "FAKE0001", {true, true}).ok());
    EXPECT_EQ(fake.setting("global.sysui_demo_allowed"), "1");
    EXPECT_EQ(fake.setting("system.show_touches"), "1");
    ASSERT_TRUE(rec.stopRecording().ok());

    EXPECT_EQ(fake.setting("global.sysui_demo_allowed"), "0");
    EXPECT_EQ(fake.setting("system.show_touches"), std::nullopt);
    const int record = fake.indexOf("shell screenrecord");
    EXPECT_LT(fake.indexOf("settings put global sysui_demo_allowed 1"), record);
    EXPECT_LT(fake.indexOf("-e command enter"), record);
    EXPECT_LT(fake.indexOf("-e hhmm 0941"), record);
    EXPECT_LT(fake.indexOf("settings put system show_touches 1"), record);
    EXPECT_GT(fake.indexOf("-e command exit"), fake.indexOf("pkill -INT screenrecord"));
    EXPECT_GT(fake.indexOf("settings delete system show_touches"), record);
    EXPECT_TRUE(fake.phoneMovies().empty());
    EXPECT_TRUE(hasData(out));
}

TEST_F(AndroidRecording, EveryFailedEndingStillRestoresTheSettingsAndCleansThePhone) {
    const auto out = scratch / "take.mp4";
    { std::ofstream(out) << "earlier"; }
    for (const char* mode : {"refuse", "no-screenrecord", "pull-fails", "ignore-int"}) {
        SCOPED_TRACE(mode);
        fake.setMode(mode);
        fake.putSetting("global.sysui_demo_allowed", "0");
        fake.putSetting("system.show_touches", "0");
        auto rec = recorder();
        auto started = rec.startRecording(out, std::nullopt, {true, true});
        const bool refused =
            std::string_view(mode) == "refuse" || std::string_view(mode) == "no-screenrecord";
        if (refused) {
            ASSERT_FALSE(started.ok());
            EXPECT_EQ(started.error().code, AndroidRecorder::recorderRefused);
        } else {
            ASSERT_TRUE(started.ok());
            // Starting again stops the running recording first; its lost movie is the answer.
            auto stopped = std::string_view(mode) == "pull-fails"
                               ? rec.startRecording(out, std::nullopt)
                               : rec.stopRecording();
            ASSERT_FALSE(stopped.ok());
            EXPECT_EQ(stopped.error().code, AndroidRecorder::pullFailed);
            EXPECT_FALSE(rec.isRecording());
        }
        EXPECT_EQ(fake.setting("global.sysui_demo_allowed"), "0");
        EXPECT_EQ(fake.setting("system.show_touches"), "0");
        EXPECT_TRUE(fake.phoneMovies().empty());
        EXPECT_EQ(testing::readFile(out), "earlier");
    }
}

TEST_F(AndroidRecording, PiecesThatEndAtTheTimeLimitAreJoinedIntoOneMovie) {
    AndroidRecorder::Timing timing = quick();
    timing.pieceSeconds = 1;
    fake.setClipSeconds("0.5");
    auto rec = recorder(timing);
    const auto out = scratch / "long.mp4";
    ASSERT_TRUE(rec.startRecording(out, std::nullopt).ok());
    // The first piece reaches its limit, the second starts at once; stop during the second.
    ASSERT_TRUE(fake.waitFor("recorded /sdcard/"));
    ASSERT_TRUE(fake.waitFor("shell screenrecord", 2));
    EXPECT_TRUE(rec.isCapturing());
    ASSERT_TRUE(rec.stopRecording().ok());

    EXPECT_EQ(fake.count("shell screenrecord --time-limit 1 /sdcard/kestro-"), 2);
    const auto probe = probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_NEAR(probe->duration, 1.0, 0.06);
    EXPECT_EQ(probe->video->frames, 10);
    EXPECT_TRUE(fake.phoneMovies().empty());
    EXPECT_EQ(fake.count("shell rm -f /sdcard/kestro-"), 2);
}

TEST_F(AndroidRecording, DroppingARecorderStopsAndSavesTheRecording) {
    fake.putSetting("system.show_touches", "0");
    const auto out = scratch / "dropped.mp4";
    {
        auto rec = recorder();
        ASSERT_TRUE(rec.startRecording(out, std::nullopt, {false, true}).ok());
    }
    EXPECT_EQ(fake.setting("system.show_touches"), "0");
    EXPECT_TRUE(hasData(out));
    EXPECT_TRUE(fake.phoneMovies().empty());
}

}  // namespace
}  // namespace kestro
