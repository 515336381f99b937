#include "core/capture/simulator_recorder.hpp"

#include "core/capture/fake_xcrun_env.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kestro {
namespace {

using testing::deviceLine;
using testing::FakeXcrun;
using testing::kUdid15;
using testing::kUdidAir;
using testing::kUdidSe;
using Availability = SimulatorRecorder::Availability;
using Devices = std::vector<SimulatorDevice>;
using Calls = std::vector<std::string>;

TEST(LauncherDiscovery, FirstExecutableCandidateWins) {
    FakeXcrun fake;
    const std::string missing = (fake.dir() / "missing").string();
    const std::string plainFile = (fake.dir() / "not-executable").string();
    testing::writeFile(plainFile, "#!/bin/sh\n");
    ::chmod(plainFile.c_str(), 0644);
    const std::string folder = fake.dir().string();  // searchable, yet no program
    const std::string second = fake.unstartableLauncher();

    EXPECT_EQ(
        SimulatorRecorder({missing, plainFile, folder, FakeXcrun::launcher(), second}).xcrunPath(),
        FakeXcrun::launcher());
    // Preference order holds even when later candidates work too.
    EXPECT_EQ(SimulatorRecorder({second, FakeXcrun::launcher()}).xcrunPath(), second);
    // None works: the first is still the answer, and its callers find it unusable.
    SimulatorRecorder none({plainFile, missing});
    EXPECT_EQ(none.xcrunPath(), plainFile);
    EXPECT_EQ(none.checkAvailability(), Availability::xcodeMissing);
    EXPECT_TRUE(none.listBootedDevices().empty());

    EXPECT_EQ(SimulatorRecorder::launcherCandidatesFrom("/a::/b:"),
              (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(SimulatorRecorder::launcherCandidatesFrom(""),
              SimulatorRecorder::defaultLauncherCandidates());
    EXPECT_EQ(SimulatorRecorder::launcherCandidatesFrom(nullptr),
              SimulatorRecorder::defaultLauncherCandidates());
}

TEST(ToolAvailability, ProbeThenListing) {
    FakeXcrun fake;
    SimulatorRecorder recorder({FakeXcrun::launcher()});

    fake.setListing("== Devices ==\n" + deviceLine("iPhone 15", kUdid15, "Shutdown"));
    EXPECT_EQ(recorder.checkAvailability(), Availability::noBootedSimulators);
    EXPECT_EQ(fake.subcommands(), (Calls{"help", "list"}));
    EXPECT_EQ(fake.calls()[0], (Calls{"simctl", "help"}));
    EXPECT_EQ(fake.calls()[1], (Calls{"simctl", "list", "devices", "available"}));

    fake.setListing(deviceLine("iPhone 15", kUdid15));
    EXPECT_EQ(recorder.checkAvailability(), Availability::available);

    // A simctl that starts but fails cannot record either.
    fake.set("FAKE_XCRUN_HELP_STATUS", "3");
    EXPECT_EQ(recorder.checkAvailability(), Availability::simctlUnavailable);

    // Nor can a launcher that does not start; the working one after it is not tried instead.
    const auto calls = fake.calls().size();
    SimulatorRecorder unstartable({fake.unstartableLauncher(), FakeXcrun::launcher()});
    EXPECT_EQ(unstartable.checkAvailability(), Availability::simctlUnavailable);
    EXPECT_TRUE(unstartable.listBootedDevices().empty());
    EXPECT_EQ(fake.calls().size(), calls);
}

// With only the Command Line Tools selected, xcrun runs but has no simctl; an installed Xcode
// is then reached through DEVELOPER_DIR, for the listing and for the recording alike.
TEST(ToolAvailability, OnlyCommandLineToolsSelectedRetriesThroughAnInstalledXcode) {
    using namespace std::chrono_literals;
    FakeXcrun fake;
    const auto xcode = fake.dir() / "Xcode.app" / "Contents" / "Developer";
    std::filesystem::create_directories(xcode);
    const std::string cltOnly = (fake.dir() / "clt-xcrun").string();
    testing::writeFile(cltOnly, "#!/bin/sh\n[ \"$DEVELOPER_DIR\" = \"" + xcode.string() +
                                    "\" ] || { echo 'unable to find utility \"simctl\"' >&2; "
                                    "exit 72; }\nexec " + FakeXcrun::launcher() + " \"$@\"\n");
    ::chmod(cltOnly.c_str(), 0755);
    fake.setListing(deviceLine("iPhone 15", kUdid15));

    SimulatorRecorder withoutXcode({cltOnly});
    withoutXcode.setXcodeFolders({(fake.dir() / "no-such-Xcode.app").string()});
    EXPECT_EQ(withoutXcode.checkAvailability(), Availability::simctlUnavailable);
    EXPECT_TRUE(withoutXcode.listBootedDevices().empty());
    // The message no longer says the Command Line Tools would do.
    EXPECT_NE(SimulatorRecorder::availabilityMessage(Availability::simctlUnavailable).find("install Xcode"),
              std::string_view::npos);

    SimulatorRecorder recorder({cltOnly});
    recorder.setXcodeFolders({(fake.dir() / "no-such-Xcode.app").string(), xcode.string()});
    recorder.setGracePeriod(2s);
    EXPECT_EQ(recorder.checkAvailability(), Availability::available);
    EXPECT_EQ(recorder.listBootedDevices(), (Devices{{"iPhone 15", kUdid15}}));
    const auto movie = fake.dir() / "out.mp4";
    ASSERT_TRUE(recorder.startRecording(movie, std::string(kUdid15),
                                        RecordingOptions{.cleanStatusBar = true}));
    ASSERT_TRUE(fake.waitForLogLine("recordVideo"));
    EXPECT_TRUE(recorder.stopRecording());
    EXPECT_GT(testing::fileSize(movie), 0u);
    EXPECT_EQ(fake.subcommands(),
              (Calls{"help", "list", "list", "help", "list", "list", "status_bar", "io", "status_bar"}));
}

// The listing's own rules (line breaks, UTF-8) are pinned by the listing parser's tests.
TEST(BootedDevices, ReadFromTheListingOfTheTool) {
    FakeXcrun fake;
    SimulatorRecorder recorder({FakeXcrun::launcher()});
    // simctl's own layout, with Windows line ends and a long listing beyond a pipe's buffer.
    std::string listing = "== Devices ==\r\n-- iOS 17.5 --\r\n";
    for (int i = 0; i < 2000; ++i)
        listing += "    iPhone " + std::to_string(i) + " (" + kUdidAir + ") (Shutdown) \r\n";
    listing += "    iPhone SE (3rd generation) (" + std::string(kUdidSe) + ") (Booted) \r\n";
    listing += "    iPhone 15 (" + std::string(kUdid15) + ") (Booted) \r\n";
    listing += "-- tvOS 17.5 --\r\n";
    fake.setListing(listing);
    EXPECT_EQ(recorder.listBootedDevices(),
              (Devices{{"iPhone SE", kUdidSe}, {"iPhone 15", kUdid15}}));
}

}  // namespace
}  // namespace kestro
