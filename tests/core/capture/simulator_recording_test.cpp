#include "core/capture/simulator_recorder.hpp"

#include "core/capture/fake_xcrun_env.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>

namespace kestro {
namespace {

using namespace std::chrono_literals;
using testing::deviceLine;
using testing::FakeXcrun;
using testing::fileSize;
using testing::kUdid15;
using testing::kUdidAir;
using testing::kUdidSe;
using testing::secondsSince;
using State = SimulatorRecorder::State;
using Calls = std::vector<std::string>;

const std::string kIPhone15 = kUdid15;
const std::string kIPadAir = kUdidAir;
const std::string kIPhoneSe = kUdidSe;

// Upper bounds on waits are only there to tell a finished wait from the next longer one; they
// are far above the expected time, so a busy machine does not fail them.
constexpr double kSlack = 3.0;

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        // The real grace period: the waits below are the ones the user sees.
        fake.setListing("== Devices ==\n-- iOS 17.5 --\n" + deviceLine("iPhone 15", kUdid15) +
                        deviceLine("iPhone SE (3rd generation)", kUdidSe, "Shutdown") +
                        deviceLine("iPad Air", kUdidAir));
    }

    // The stand-in logs a recording once its signal handlers are in place, a moment after the
    // start returns.
    bool awaitRecordingCalls(size_t count) const {
        return testing::pollUntil([&] { return recordingCalls().size() >= count; }) &&
               recordingCalls().size() == count;
    }

    // The calls that recorded, each with its arguments.
    std::vector<Calls> recordingCalls() const {
        std::vector<Calls> result;
        for (const auto& call : fake.calls())
            if (call.size() > 1 && call[1] == "io") result.push_back(call);
        return result;
    }

    // Records the iPhone 15 into clip.mp4 until the stand-in has its handlers in place, then
    // gives how long the stop takes; `meanwhile` runs just before the stop.
    double timedStop(const std::function<void()>& meanwhile = {}) {
        if (!recorder.startRecording(output, kIPhone15) || !fake.waitForLogLine("call 8")) {
            ADD_FAILURE() << "the recording never started";
            return -1;
        }
        if (meanwhile) meanwhile();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(recorder.stopRecording());
        return secondsSince(start);
    }

    FakeXcrun fake;
    SimulatorRecorder recorder{{FakeXcrun::launcher()}};
    const std::filesystem::path output = fake.dir() / "clip.mp4";
};

TEST_F(Recording, GivenDeviceIsRecordedByIdIntoANewFolderElseTheFirstBootedOne) {
    const auto nested = fake.dir() / "new folder" / "deeper" / "clip (1).mp4";
    ASSERT_TRUE(recorder.startRecording(nested, kIPadAir));
    EXPECT_EQ(recorder.state(), State::recording);
    EXPECT_EQ(recorder.outputPath(), nested);
    EXPECT_TRUE(std::filesystem::is_directory(nested.parent_path()));
    ASSERT_TRUE(awaitRecordingCalls(1));
    // The probe and a listing for the tool check, a listing for the device check, the recording.
    EXPECT_EQ(fake.subcommands(), (Calls{"help", "list", "list", "io"}));
    EXPECT_EQ(fake.calls().back(), (Calls{"simctl", "io", kUdidAir, "recordVideo", "--codec",
                                          "h264", "--force", nested.string()}));
    EXPECT_TRUE(recorder.stopRecording());
    EXPECT_EQ(recorder.state(), State::idle);
    EXPECT_FALSE(recorder.outputPath());
    EXPECT_GT(fileSize(nested), 0u);

    // With nothing tracked, a stop returns at once (not after the file wait).
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(recorder.stopRecording());
    EXPECT_LT(secondsSince(start), kSlack);
    EXPECT_EQ(recorder.state(), State::idle);

    // Without a device, the first booted one; an existing file is replaced.
    testing::writeFile(output, "an older recording");
    ASSERT_TRUE(recorder.startRecording(output, std::nullopt));
    ASSERT_TRUE(awaitRecordingCalls(2));
    EXPECT_EQ(recordingCalls()[1][2], kUdid15);
    // The stand-in only writes when interrupted: the old file was removed before it started.
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_TRUE(recorder.stopRecording());
    EXPECT_GT(fileSize(output), 0u);
}

TEST_F(Recording, RefusalsCarryTheirCodeAndTouchNothing) {
    const auto folder = fake.dir() / "never made";
    const auto output = folder / "clip.mp4";
    const auto existing = fake.dir() / "keep.mp4";
    testing::writeFile(existing, "keep me");
    // Each refusal's code and, where it names devices, the ones still booted.
    const auto expectRefusal = [&](SimulatorRecorder& r, const std::filesystem::path& path,
                                   const std::optional<std::string>& device, int code,
                                   const std::string& named = "") {
        auto started = r.startRecording(path, device);
        ASSERT_FALSE(started) << code;
        EXPECT_EQ(started.error().domain, "SimulatorRecorder");
        EXPECT_EQ(started.error().code, code);
        EXPECT_NE(started.error().description.find(named), std::string::npos);
        EXPECT_EQ(r.state(), State::idle);
    };

    // A device that has been shut down; devices are matched by id, exactly.
    expectRefusal(recorder, output, kIPhoneSe, 1,
                  kIPhoneSe + " is not running. Available devices: iPhone 15, iPad Air");
    expectRefusal(recorder, existing, kIPhone15 + " ", 1, "is not running");

    SimulatorRecorder missingTools({(fake.dir() / "no-xcrun").string()});
    // The device is resolved before the tools are checked.
    expectRefusal(missingTools, output, std::nullopt, 1);
    expectRefusal(missingTools, output, kIPhone15, 2);
    SimulatorRecorder brokenTools({fake.unstartableLauncher()});
    expectRefusal(brokenTools, output, kIPhone15, 3);
    fake.setListing(deviceLine("iPhone 15", kUdid15, "Shutdown"));
    expectRefusal(recorder, output, kIPhone15, 4);

    EXPECT_TRUE(recordingCalls().empty());
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_EQ(testing::readFile(existing), "keep me");
}

TEST_F(Recording, StartingAgainFinishesTheTrackedRecordingFirst) {
    const auto first = fake.dir() / "first.mp4";
    const auto second = fake.dir() / "second.mp4";
    ASSERT_TRUE(recorder.startRecording(first, kIPhone15));
    ASSERT_TRUE(fake.waitForLogLine("call 8"));
    ASSERT_TRUE(recorder.startRecording(second, kIPadAir));
    EXPECT_GT(fileSize(first), 0u);
    ASSERT_TRUE(awaitRecordingCalls(2));

    // The first child was interrupted and had written its movie before the second was probed.
    const auto lines = fake.logLines();
    const auto at = [&](const char* line, auto from) { return std::find(from, lines.end(), line); };
    const auto firstCall = at("io", lines.begin());
    EXPECT_LT(at("wrote", at("signal INT", firstCall)), at("help", firstCall));
    EXPECT_EQ(recordingCalls()[1][7], second.string());

    EXPECT_TRUE(recorder.stopRecording());
    EXPECT_GT(fileSize(second), 0u);
}

TEST_F(Recording, DroppingARecorderFinishesItsRecording) {
    {
        SimulatorRecorder dropped({FakeXcrun::launcher()});
        dropped.setGracePeriod(2s);
        ASSERT_TRUE(dropped.startRecording(output, kIPhone15, {true, false}));
        ASSERT_TRUE(fake.waitForLogLine("call 8"));
        EXPECT_TRUE(dropped.isCapturing());
    }
    EXPECT_TRUE(fake.logHas("signal INT"));
    EXPECT_GT(fileSize(output), 0u);
    EXPECT_EQ(fake.calls().back(), (Calls{"simctl", "status_bar", kUdid15, "clear"}));
}

TEST_F(Recording, TheInterruptGetsTheGracePeriodAndOnlyThenATerminate) {
    // A child that stays 0.4 s after the interrupt (long enough to notice an early termination)
    // finishes by itself.
    fake.setMode("linger");
    EXPECT_GE(timedStop(), 0.4);
    EXPECT_TRUE(fake.logHas("signal INT"));
    EXPECT_FALSE(fake.logHas("signal TERM"));
    EXPECT_GT(fileSize(output), 0u);

    // One that ignores it is terminated once the grace period is over. It writes its movie at
    // once, so the file wait ends at the first check.
    std::filesystem::remove(fake.log());
    fake.setMode("ignore-int");
    const double took = timedStop();
    EXPECT_GE(took, 2.0);
    EXPECT_LT(took, 2.0 + kSlack);
    EXPECT_TRUE(fake.waitForLogLine("signal TERM", 2s));
    const auto lines = fake.logLines();
    EXPECT_LT(std::find(lines.begin(), lines.end(), "signal INT"),
              std::find(lines.begin(), lines.end(), "signal TERM"));
    EXPECT_EQ(recorder.state(), State::idle);
}

TEST_F(Recording, FileWaitLastsUntilTheFileHasData) {
    // The child exits on the interrupt without writing; the file appears empty, then grows.
    fake.setMode("no-file");
    std::thread grower;
    const double took = timedStop([&] {
        testing::writeFile(output, "");
        grower = std::thread([&] {
            std::this_thread::sleep_for(700ms);
            testing::writeFile(output, "movie data");
        });
    });
    grower.join();
    EXPECT_GE(took, 0.7);
    EXPECT_LT(took, 0.7 + kSlack);  // the full wait is 6 s
}

TEST_F(Recording, FailedLaunchKeepsThePathAndTheNextStopGivesUpAfterThirtyChecks) {
    // The second listing leaves an unstartable launcher first in line, so only the launch fails.
    const auto planted = fake.dir() / "planted-xcrun";
    fake.set("FAKE_XCRUN_PLANT", "2:" + planted.string());
    SimulatorRecorder r({planted.string(), FakeXcrun::launcher()});

    auto started = r.startRecording(output, kIPhone15);
    ASSERT_FALSE(started);
    EXPECT_EQ(started.error().domain, "POSIX");
    EXPECT_EQ(started.error().code, ENOENT);
    EXPECT_EQ(r.state(), State::failedLaunch);
    EXPECT_EQ(r.outputPath(), output);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(r.stopRecording());
    const double took = secondsSince(start);
    EXPECT_GE(took, 5.7);
    EXPECT_LT(took, 6.0 + kSlack);
    EXPECT_EQ(r.state(), State::idle);
}

TEST_F(Recording, ACleanStatusBarIsSetBeforeTheRecordingAndClearedAfterEveryEnding) {
    const RecordingOptions clean{true, false};
    // Refused before anything ran on the device: nothing to override, nothing to clear.
    ASSERT_FALSE(recorder.startRecording(output, kIPhoneSe, clean));
    for (const auto& call : fake.calls()) EXPECT_NE(call[1], "status_bar");

    ASSERT_TRUE(recorder.startRecording(output, kIPadAir, clean));
    ASSERT_TRUE(awaitRecordingCalls(1));
    EXPECT_TRUE(recorder.stopRecording());
    std::vector<Calls> bar;
    std::vector<std::string> order;
    for (const auto& call : fake.calls()) {
        order.push_back(call[1]);
        if (call[1] == "status_bar") bar.push_back(call);
    }
    ASSERT_EQ(bar.size(), 2u);
    EXPECT_EQ(Calls(bar[0].begin(), bar[0].begin() + 4),
              (Calls{"simctl", "status_bar", kUdidAir, "override"}));
    EXPECT_EQ(bar[1], (Calls{"simctl", "status_bar", kUdidAir, "clear"}));
    EXPECT_EQ(order.back(), "status_bar");  // cleared once the recording is over
    EXPECT_EQ(order[order.size() - 2], "io");

    // Without the option the status bar is left alone.
    ASSERT_TRUE(recorder.startRecording(output, kIPadAir));
    ASSERT_TRUE(awaitRecordingCalls(2));
    EXPECT_TRUE(recorder.stopRecording());
    EXPECT_EQ(fake.calls().back()[1], "io");
}

}  // namespace
}  // namespace kestro
