#include "core/capture/simulator_recorder.hpp"

#include "core/capture/child_stop.hpp"
#include "core/capture/recording_files.hpp"
#include "core/capture/simulator_listing.hpp"
#include "core/capture/tool_locator.hpp"
#include "core/capture/tool_run.hpp"
#include "core/platform.hpp"

#include <algorithm>
#include <chrono>
#include <utility>

namespace kestro {

namespace {

using namespace std::chrono_literals;

constexpr int kFileChecks = 30;
constexpr auto kFileCheckInterval = 200ms;
constexpr const char* kFallbackLauncher = "/usr/bin/xcrun";

// On macOS /usr/bin/xcrun exists even without the developer tools: it is a stub that opens an
// installation dialog. `xcode-select -p` fails quietly in that case, so it is asked first.
bool developerToolsSelected() {
    auto probe = ChildProcess::spawn(SpawnRequest{
        "/usr/bin/xcode-select", {"-p"}, ChildStream::null, ChildStream::null, false});
    return probe && probe->waitForExit() == 0;
}

RecorderError recorderError(int code, std::string description) {
    return RecorderError{std::string(kRecorderErrorDomain), code, std::move(description)};
}

}  // namespace

std::vector<std::string> SimulatorRecorder::defaultLauncherCandidates() {
    return {kFallbackLauncher, "/Applications/Xcode.app/Contents/Developer/usr/bin/xcrun",
            "/Library/Developer/CommandLineTools/usr/bin/xcrun"};
}

std::vector<std::string> SimulatorRecorder::defaultXcodeFolders() {
    return {"/Applications/Xcode.app/Contents/Developer",
            "/Applications/Xcode-beta.app/Contents/Developer"};
}

std::vector<std::string> SimulatorRecorder::launcherCandidatesFrom(const char* colonSeparatedList) {
    std::vector<std::string> candidates = splitSearchList(colonSeparatedList);
    return candidates.empty() ? defaultLauncherCandidates() : candidates;
}

std::string_view SimulatorRecorder::availabilityName(Availability availability) {
    switch (availability) {
        case Availability::available:
            return "available";
        case Availability::xcodeMissing:
            return "xcodeMissing";
        case Availability::simctlUnavailable:
            return "simctlUnavailable";
        case Availability::noBootedSimulators:
            return "noBootedSimulators";
    }
    return "xcodeMissing";
}

std::string_view SimulatorRecorder::availabilityMessage(Availability availability) {
    switch (availability) {
        case Availability::available:
            return {};
        case Availability::xcodeMissing:
            return "Xcode not found. Recording iOS simulators needs Xcode, from the App Store.";
        case Availability::simctlUnavailable:
            return "simctl is unavailable. The Command Line Tools alone have no simulators: "
                   "install Xcode, or select it with sudo xcode-select -s "
                   "/Applications/Xcode.app.";
        case Availability::noBootedSimulators:
            return "No booted simulators found. Boot an iOS simulator in Xcode.";
    }
    return {};
}

SimulatorRecorder::SimulatorRecorder() : candidates_(defaultLauncherCandidates()) {}

SimulatorRecorder::SimulatorRecorder(std::vector<std::string> launcherCandidates)
    : candidates_(std::move(launcherCandidates)) {}

SimulatorRecorder::~SimulatorRecorder() {
    // Only a running child has a movie to finish; a failed launch has nothing to wait for.
    if (process_) (void)stopRecording();
}

std::optional<std::string> SimulatorRecorder::usableLauncher() const {
    for (const std::string& candidate : candidates_) {
        if (!isExecutableFile(candidate)) continue;
        if (platform::kIsMacOS && candidate == kFallbackLauncher && !developerToolsSelected())
            continue;
        return candidate;
    }
    return std::nullopt;
}

std::string SimulatorRecorder::xcrunPath() const {
    if (auto launcher = usableLauncher()) return *launcher;
    // Callers test the answer again; a launcher that is not executable means missing tools.
    return candidates_.empty() ? std::string(kFallbackLauncher) : candidates_.front();
}

SimulatorRecorder::Availability SimulatorRecorder::checkAvailability() const {
    return checkAvailability(nullptr);
}

SimulatorRecorder::Availability SimulatorRecorder::checkAvailability(
    std::vector<SimulatorDevice>* booted) const {
    std::string developerDir;
    return check(booted, &developerDir);
}

SimulatorRecorder::Availability SimulatorRecorder::check(std::vector<SimulatorDevice>* booted,
                                                         std::string* developerDir) const {
    if (booted) booted->clear();
    const std::optional<std::string> launcher = usableLauncher();
    if (!launcher) return Availability::xcodeMissing;
    // A launcher that starts but whose simctl fails (tools half installed, a licence not yet
    // accepted, only the Command Line Tools and no Xcode) cannot record either.
    if (!runSimctl(*launcher, {"simctl", "help"}, developerDir).succeeded())
        return Availability::simctlUnavailable;
    const SpawnRequest list =
        simctlRequest(*launcher, *developerDir, {"simctl", "list", "devices", "available"});
    std::vector<SimulatorDevice> devices =
        parseBootedDevices(runTool(list.executable, list.arguments).standardOutput);
    const Availability availability =
        devices.empty() ? Availability::noBootedSimulators : Availability::available;
    if (booted) *booted = std::move(devices);
    return availability;
}

std::vector<SimulatorDevice> SimulatorRecorder::listBootedDevices() const {
    const std::optional<std::string> launcher = usableLauncher();
    if (!launcher) return {};
    std::string developerDir;
    const ToolRun listing =
        runSimctl(*launcher, {"simctl", "list", "devices", "available"}, &developerDir);
    return parseBootedDevices(listing.standardOutput);
}

SpawnRequest SimulatorRecorder::simctlRequest(const std::string& launcher,
                                              const std::string& developerDir,
                                              std::vector<std::string> arguments) const {
    if (developerDir.empty()) return SpawnRequest{launcher, std::move(arguments)};
    // env(1) sets the one variable and starts the launcher; the rest of the environment stays.
    arguments.insert(arguments.begin(), {"DEVELOPER_DIR=" + developerDir, launcher});
    return SpawnRequest{"/usr/bin/env", std::move(arguments)};
}

ToolRun SimulatorRecorder::runSimctl(const std::string& launcher,
                                     const std::vector<std::string>& arguments,
                                     std::string* developerDir) const {
    developerDir->clear();
    ToolRun run = runTool(launcher, arguments);
    // A launcher that cannot start at all is not helped by another developer folder.
    if (run.succeeded() || run.launchError) return run;
    for (const std::string& folder : xcodeFolders_) {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) continue;
        const SpawnRequest through = simctlRequest(launcher, folder, arguments);
        ToolRun retried = runTool(through.executable, through.arguments);
        if (retried.succeeded()) {
            *developerDir = folder;
            return retried;
        }
    }
    return run;
}

Result<Done, RecorderError> SimulatorRecorder::startRecording(
    const std::filesystem::path& output, const std::optional<std::string>& deviceId,
    const RecordingOptions& options) {
    // Stopping a simulator's recording never fails.
    (void)stopRecording();

    SimulatorDevice target;
    if (deviceId) {
        // Only the UDID is known; it stands for the name in the message about a device that is
        // not booted (and so not listed by name anyway).
        target = SimulatorDevice{*deviceId, *deviceId};
    } else {
        const std::vector<SimulatorDevice> booted = listBootedDevices();
        if (booted.empty())
            return fail(recorderError(
                1, "No running iOS simulators found. Please boot a simulator first."));
        target = booted.front();
    }

    std::string developerDir;
    const Availability availability = check(nullptr, &developerDir);
    const std::string message(availabilityMessage(availability));
    switch (availability) {
        case Availability::available:
            break;
        case Availability::xcodeMissing:
            return fail(recorderError(2, message));
        case Availability::simctlUnavailable:
            return fail(recorderError(3, message));
        case Availability::noBootedSimulators:
            return fail(recorderError(4, message));
    }

    const std::vector<SimulatorDevice> booted = listBootedDevices();
    const bool isBooted = std::any_of(booted.begin(), booted.end(),
                                      [&](const SimulatorDevice& d) { return d.id == target.id; });
    if (!isBooted) {
        std::string names;
        for (const SimulatorDevice& d : booted) {
            if (!names.empty()) names += ", ";
            names += d.name;
        }
        return fail(recorderError(
            1, "Simulator " + target.name + " is not running. Available devices: " + names));
    }

    prepareDestination(output);
    developerDir_ = developerDir;
    if (options.cleanStatusBar) overrideStatusBar(target.id);

    SpawnRequest request = simctlRequest(
        xcrunPath(), developerDir_,
        {"simctl", "io", target.id, "recordVideo", "--codec", "h264", "--force", output.string()});
    request.standardOutput = ChildStream::discard;
    request.standardError = ChildStream::discard;
    // Only our interrupt may end the recording, not a Ctrl-C meant for us.
    request.ownProcessGroup = true;
    outputPath_ = output;
    auto child = ChildProcess::spawn(request);
    if (!child) {
        clearStatusBar();
        return fail(RecorderError{std::string(kLaunchErrorDomain), child.error().code,
                                  child.error().description});
    }
    process_.emplace(std::move(*child));
    return Done{};
}

Result<Done, RecorderError> SimulatorRecorder::stopRecording() {
    if (process_) interruptAndAwait(*process_, gracePeriod_);
    if (outputPath_) waitForData(*outputPath_, kFileChecks, kFileCheckInterval);
    clearStatusBar();
    // A child that ignored both signals is reaped in the background whenever it exits.
    process_.reset();
    outputPath_.reset();
    return Done{};
}

void SimulatorRecorder::overrideStatusBar(const std::string& udid) {
    // Whatever simctl answers, the clear is owed: an override may have been half applied.
    statusBarDevice_ = udid;
    const SpawnRequest request = simctlRequest(
        xcrunPath(), developerDir_,
        {"simctl", "status_bar", udid, "override", "--time", "9:41", "--batteryState", "charged",
         "--batteryLevel", "100", "--cellularBars", "4", "--wifiBars", "3"});
    runTool(request.executable, request.arguments);
}

void SimulatorRecorder::clearStatusBar() {
    if (!statusBarDevice_) return;
    const SpawnRequest request =
        simctlRequest(xcrunPath(), developerDir_, {"simctl", "status_bar", *statusBarDevice_, "clear"});
    runTool(request.executable, request.arguments);
    statusBarDevice_.reset();
}

SimulatorRecorder::State SimulatorRecorder::state() const {
    if (process_) return State::recording;
    return outputPath_ ? State::failedLaunch : State::idle;
}

bool SimulatorRecorder::isCapturing() {
    return process_ && process_->isRunning();
}

}  // namespace kestro
