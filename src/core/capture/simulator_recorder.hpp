#pragma once
// Finds the developer tools and the booted iOS simulators through `xcrun simctl`, and records a
// simulator's screen into an H.264 movie by running `xcrun simctl io <UDID> recordVideo` as a
// child process until it is interrupted.
//
// Discovery (xcrunPath, checkAvailability, listBootedDevices) keeps no state and caches nothing:
// every call looks at the file system and starts fresh children, and never fails; every problem
// is folded into its result.
//
// Threads: every call is synchronous and blocks its caller while children run (stopRecording for
// up to about 8 seconds: 2 s of grace after the interrupt, then up to 6 s waiting for the file),
// so an interactive program calls it off its interface thread. A recorder is used from one thread
// at a time; the discovery calls touch no fields and may run concurrently with anything. The
// recording child's output pipes are emptied by ChildProcess's own reader thread, which touches no
// recorder state.

#include "core/capture/child_process.hpp"
#include "core/capture/recorder.hpp"
#include "core/capture/simulator_device.hpp"
#include "core/capture/tool_run.hpp"
#include "core/result.hpp"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

class SimulatorRecorder final : public Recorder {
public:
    enum class Availability {
        available,           // tools work and at least one simulator is booted
        xcodeMissing,        // no candidate launcher is an executable file
        simctlUnavailable,   // `xcrun simctl help` could not be started or failed
        noBootedSimulators,  // tools work, nothing booted
    };

    enum class State {
        idle,          // nothing tracked
        recording,     // a child and its output file are tracked
        failedLaunch,  // the output file is tracked but its child never started
    };

    // "/usr/bin/xcrun", then the launchers of Xcode and of the command line tools. On macOS
    // "/usr/bin/xcrun" only counts when `xcode-select -p` says the tools are there.
    static std::vector<std::string> defaultLauncherCandidates();

    // The candidates named in a colon-separated list (empty entries skipped), or the default ones
    // when the list is missing or names none. Lets a front end point the recorder at a stand-in.
    static std::vector<std::string> launcherCandidatesFrom(const char* colonSeparatedList);

    // The name used for an availability in machine-readable output ("available", "xcodeMissing",
    // "simctlUnavailable", "noBootedSimulators").
    static std::string_view availabilityName(Availability availability);
    // What to tell a user about an availability that keeps a recording from starting; empty for
    // available.
    static std::string_view availabilityMessage(Availability availability);

    SimulatorRecorder();
    // Candidates are tried in order; when none is executable the first one is still returned by
    // xcrunPath() (and found not executable by its callers).
    explicit SimulatorRecorder(std::vector<std::string> launcherCandidates);

    // A recorder dropped while its child records stops it first (with the waits), so the movie
    // is finished and the status bar put back.
    ~SimulatorRecorder() override;

    std::string xcrunPath() const;
    Availability checkAvailability() const;
    // The same check; when booted is not null it also receives the booted simulators from the
    // listing the check made (none when the tools are missing or cannot be started).
    Availability checkAvailability(std::vector<SimulatorDevice>* booted) const;
    std::vector<SimulatorDevice> listBootedDevices() const;

    // Stops any tracked recording first (with its waits), then checks the device (the booted
    // simulator with this UDID; the first booted one when none is given) and the tools, creates
    // the output folder, removes an existing file at `output` and starts the recording child.
    // Returns once the child has started. With options.cleanStatusBar the simulator's status bar
    // is overridden first and cleared again by stopRecording() (or at once when the child cannot
    // be started); showTouches does not apply to simulators.
    Result<Done, RecorderError> startRecording(const std::filesystem::path& output,
                                               const std::optional<std::string>& deviceId,
                                               const RecordingOptions& options = {}) override;

    // How long an interrupted simctl may take to finish its movie before it is sent SIGTERM.
    // simctl writes the picture data as it records; on the interrupt it only closes the file
    // (its index, written at the end), which takes a fraction of a second even for a long
    // recording, so 2 s leaves room to spare. A longer wait would only keep the user waiting on
    // a child that does not listen, and the file wait after it still catches a late file.
    static constexpr std::chrono::milliseconds kGracePeriod{2000};

    // Interrupts the tracked child, gives it the grace period to finish the movie (sending
    // SIGTERM after that), then waits up to about 6 s for a non-empty file at the tracked path.
    // Never fails (whether a movie came is read off the file); returns at once when nothing is
    // tracked. Afterwards the recorder is idle.
    Result<Done, RecorderError> stopRecording() override;

    // Tests shorten the grace period.
    void setGracePeriod(std::chrono::milliseconds grace) { gracePeriod_ = grace; }

    // The Xcode developer folders simctl is tried through (as DEVELOPER_DIR) when the selected
    // developer tools have none, which is the case when `xcode-select` points at the Command Line
    // Tools: /Applications/Xcode.app's, then Xcode-beta's. Only existing folders are tried. Set it
    // before using the recorder from other threads.
    static std::vector<std::string> defaultXcodeFolders();
    void setXcodeFolders(std::vector<std::string> folders) { xcodeFolders_ = std::move(folders); }

    State state() const;
    // Also true after a launch that failed: its path stays tracked until the next stop.
    bool isRecording() const override { return state() != State::idle; }
    // Whether the tracked recording child is still running (false when none is tracked).
    bool isCapturing() override;
    const std::optional<std::filesystem::path>& outputPath() const { return outputPath_; }

private:
    // The first candidate that can run simctl's launcher; none when the tools are missing.
    std::optional<std::string> usableLauncher() const;
    // `launcher simctl ...`, or the same through `env DEVELOPER_DIR=developerDir` when one is given.
    SpawnRequest simctlRequest(const std::string& launcher, const std::string& developerDir,
                               std::vector<std::string> arguments) const;
    // Runs `launcher` with `arguments`; when that fails, again through each Xcode folder in turn.
    // The developer folder that answered (empty for the selected tools) goes to *developerDir.
    ToolRun runSimctl(const std::string& launcher, const std::vector<std::string>& arguments,
                      std::string* developerDir) const;
    // checkAvailability, also telling which developer folder simctl answered through.
    Availability check(std::vector<SimulatorDevice>* booted, std::string* developerDir) const;

    std::vector<std::string> candidates_;
    std::vector<std::string> xcodeFolders_ = defaultXcodeFolders();
    std::string developerDir_;  // the tracked recording's developer folder; empty: the selected one
    std::chrono::milliseconds gracePeriod_ = kGracePeriod;
    std::optional<ChildProcess> process_;
    std::optional<std::filesystem::path> outputPath_;
    std::optional<std::string> statusBarDevice_;  // a simulator whose status bar we overrode

    void overrideStatusBar(const std::string& udid);
    void clearStatusBar();
};

}  // namespace kestro
