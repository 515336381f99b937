// kestro-cli devices and record, run against the xcrun stand-in.

#include "cli/cli_run.hpp"
#include "core/capture/fake_adb_env.hpp"
#include "core/capture/fake_xcrun_env.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>

namespace kestro {
namespace {

using namespace std::chrono_literals;
using testing::deviceLine;
using testing::FakeAdb;
using testing::FakeXcrun;
using testing::kUdid15;
using testing::kUdidAir;
using testing::kUdidSe;

using test::CliRun;
using test::finishCli;
using test::runCli;
using test::startCli;

// The simulator side of a devices object.
nlohmann::json withoutAndroid(const std::string& out) {
    nlohmann::json value = nlohmann::json::parse(out);
    value.erase("android");
    return value;
}

// A side of a devices object with nothing on it.
nlohmann::json nothing(const char* availability) {
    return {{"availability", availability}, {"devices", nlohmann::json::array()}};
}

class CaptureCli : public ::testing::Test {
protected:
    void SetUp() override {
        fake.set("KESTRO_XCRUN",
                 (fake.dir() / "missing-xcrun").string() + ":" + FakeXcrun::launcher());
        fake.setListing("== Devices ==\r\n-- iOS 17.5 --\r\n" + deviceLine("iPhone 15", kUdid15) +
                        deviceLine("iPhone SE (3rd generation)", kUdidSe, "Shutdown") +
                        deviceLine("iPad Air", kUdidAir));
        // No test runs the machine's own adb.
        adb.setListing("List of devices attached\n");
        withoutAdb();
    }
    void withoutAdb() { fake.set("KESTRO_ADB", (fake.dir() / "missing-adb").string()); }
    void withAdb() { fake.set("KESTRO_ADB", FakeAdb::program()); }
    FakeXcrun fake;
    FakeAdb adb;
};

TEST_F(CaptureCli, DevicesListsTheBootedSimulatorsOrSaysPlainlyWhyNone) {
    const CliRun plain = runCli({"devices"});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, std::string(kUdid15) + "  iPhone 15\n" + kUdidAir + "  iPad Air\n");

    const CliRun json = runCli({"devices", "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(withoutAndroid(json.out),
              (nlohmann::json{{"availability", "available"},
                              {"devices",
                               {{{"name", "iPhone 15"}, {"id", kUdid15}},
                                {{"name", "iPad Air"}, {"id", kUdidAir}}}}}));

    fake.setListing("== Devices ==\n");  // nothing to record on either side
    const CliRun none = runCli({"devices", "--json"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(withoutAndroid(none.out), nothing("noBootedSimulators"));

    fake.set("KESTRO_XCRUN", (fake.dir() / "missing-xcrun").string());
    const CliRun missing = runCli({"devices"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(missing.err.empty());
    EXPECT_EQ(missing.out, "");
    const CliRun missingJson = runCli({"devices", "--json"});
    EXPECT_EQ(missingJson.status, 1);
    EXPECT_EQ(withoutAndroid(missingJson.out), nothing("xcodeMissing"));
}

// Either kind of device records until Ctrl-C, then the movie is reported; a phone's settings
// are put back.
TEST_F(CaptureCli, RecordRunsUntilCtrlCThenReportsTheMovieForEitherKind) {
    const auto simulatorMovie = fake.dir() / "takes" / "demo.mp4";
    ChildProcess simulator =
        startCli({"record", "-o", simulatorMovie.string(), "--device", kUdidAir, "--json"});
    ASSERT_TRUE(fake.waitForLogLine("call 8"));
    // Still recording: nothing ends it but the interrupt.
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(simulator.isRunning());
    EXPECT_FALSE(fake.logHas("signal INT"));
    ASSERT_TRUE(simulator.interrupt());
    const CliRun recorded = finishCli(simulator);
    EXPECT_EQ(recorded.status, 0) << recorded.err;
    const auto result = nlohmann::json::parse(recorded.out);
    EXPECT_EQ(result["output"], simulatorMovie.string());
    EXPECT_EQ(result["size"], testing::fileSize(simulatorMovie));
    EXPECT_EQ(result["kind"], "simulator");
    EXPECT_GT(testing::fileSize(simulatorMovie), 0u);
    ASSERT_FALSE(fake.calls().empty());
    EXPECT_EQ(fake.calls().back()[2], kUdidAir);
    EXPECT_TRUE(fake.logHas("signal INT"));

    fake.setListing("== Devices ==\n");  // no simulator: the phone is the default
    withAdb();
    adb.setListing("List of devices attached\nFAKE0001 device model:Pixel_8_Pro transport_id:1\n");
    adb.putSetting("global.sysui_demo_allowed", "0");
    const auto phoneMovie = fake.dir() / "phone.mp4";
    ChildProcess phone = startCli(
        {"record", "-o", phoneMovie.string(), "--clean-status-bar", "--show-touches", "--json"});
    ASSERT_TRUE(adb.waitFor("shell screenrecord"));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(phone.isRunning());
    EXPECT_EQ(adb.setting("system.show_touches"), "1");
    ASSERT_TRUE(phone.interrupt());
    const CliRun run = finishCli(phone);
    EXPECT_EQ(run.status, 0) << run.err;
    const auto phoneResult = nlohmann::json::parse(run.out);
    EXPECT_EQ(phoneResult["output"], phoneMovie.string());
    EXPECT_EQ(phoneResult["kind"], "android");
    EXPECT_GT(testing::fileSize(phoneMovie), 0u);
    EXPECT_EQ(adb.setting("global.sysui_demo_allowed"), "0");
    EXPECT_EQ(adb.setting("system.show_touches"), std::nullopt);
    EXPECT_TRUE(adb.phoneMovies().empty());
}

// The recorder's own texts are pinned by its tests; here they reach the user.
TEST_F(CaptureCli, RecordFailuresExitWithOneAndSayWhy) {
    const std::string output = (fake.dir() / "demo.mp4").string();
    const CliRun notBooted = runCli({"record", "-o", output, "--device", kUdidSe});
    EXPECT_EQ(notBooted.status, 1);
    // Only booted devices are listed by name, so this one is named by its id.
    EXPECT_NE(notBooted.err.find(std::string(kUdidSe) + " is not running"), std::string::npos)
        << notBooted.err;

    // As on a machine without Xcode: the device cannot even be chosen.
    fake.set("KESTRO_XCRUN", (fake.dir() / "missing-xcrun").string());
    const CliRun missing = runCli({"record", "-o", output, "--json"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(
        nlohmann::json::parse(missing.out)["error"]["description"].get<std::string>().empty());
    EXPECT_FALSE(std::filesystem::exists(output));

    // A folder cannot hold the movie: bad usage, found before anything records.
    fake.set("KESTRO_XCRUN", FakeXcrun::launcher());
    const CliRun folder = runCli({"record", "-o", fake.dir().string()});
    EXPECT_EQ(folder.status, 2) << folder.err;
    EXPECT_NE(folder.err.find("folder"), std::string::npos) << folder.err;
    for (const auto& call : fake.calls()) EXPECT_FALSE(call.size() > 1 && call[1] == "io");
}

TEST_F(CaptureCli, DevicesAddsTheAndroidSideAndExitsByWhatCanBeRecordedAndRecordAgrees) {
    fake.setListing("== Devices ==\n");
    const CliRun missing = runCli({"devices", "--json"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(nlohmann::json::parse(missing.out)["android"], nothing("adbMissing"));

    withAdb();
    adb.setListing("List of devices attached\nAAA unauthorized usb:1 transport_id:1\n");
    const CliRun waiting = runCli({"devices", "--json"});
    EXPECT_EQ(waiting.status, 1);  // listed, but it cannot be recorded yet
    EXPECT_EQ(nlohmann::json::parse(waiting.out)["android"]["availability"], "available");
    // Nor recorded: the user learns why, and the phone is left alone.
    const auto output = fake.dir() / "phone.mp4";
    const CliRun record =
        runCli({"record", "-o", output.string(), "--device", "AAA", "--clean-status-bar"});
    EXPECT_EQ(record.status, 1);
    EXPECT_NE(record.err.find("USB debugging"), std::string::npos) << record.err;
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_EQ(adb.indexOf("settings"), -1);

    adb.setListing(
        "List of devices attached\nAAA unauthorized transport_id:1\n"
        "emulator-5554 device product:sdk model:sdk_gphone64_arm64 transport_id:2\n");
    const CliRun ready = runCli({"devices", "--json"});
    EXPECT_EQ(ready.status, 0);
    EXPECT_EQ(
        nlohmann::json::parse(ready.out)["android"],
        (nlohmann::json{
            {"availability", "available"},
            {"devices",
             {{{"name", "AAA"}, {"id", "AAA"}, {"state", "unauthorized"}},
              {{"name", "sdk gphone64 arm64"}, {"id", "emulator-5554"}, {"state", "device"}}}}}));
    const CliRun plain = runCli({"devices"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_NE(plain.out.find("emulator-5554  sdk gphone64 arm64  (Android)\n"), std::string::npos)
        << plain.out;
}

}  // namespace
}  // namespace kestro
