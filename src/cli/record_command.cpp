// kestro-cli record: records a booted iOS simulator or an Android phone or emulator until Ctrl-C.

#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "core/capture/android_recorder.hpp"
#include "core/capture/simulator_listing.hpp"
#include "core/capture/simulator_recorder.hpp"

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

namespace kestro::cli {

namespace {

volatile sig_atomic_t gStopRequested = 0;

void requestStop(int) {
    gStopRequested = 1;
}

// Ctrl-C, a termination request or a closed terminal end the recording the orderly way, so the
// movie is finished (and the device's settings put back) instead of lost with the process.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

struct RecordOptions {
    std::string output;
    std::string device;
    bool cleanStatusBar = false;
    bool showTouches = false;
    bool json = false;
};

// Waits for Ctrl-C or for the recording to end by itself.
void recordUntilStopped(const std::function<bool()>& stillRecording, bool json,
                        const std::filesystem::path& output) {
    if (!json) std::cerr << "Recording to " << output.string() << ". Press Ctrl-C to stop.\n";
    while (!gStopRequested && stillRecording())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!json) std::cerr << "Finishing the recording...\n";
}

int reportMovie(const std::filesystem::path& output, const char* kind, const char* whyMissing,
                bool json) {
    struct stat info {};
    if (::stat(output.c_str(), &info) != 0 || info.st_size <= 0) {
        printError("The recording was not written to " + output.string() + ".", whyMissing, json);
        return kExitFailed;
    }
    const auto size = static_cast<long long>(info.st_size);
    if (json) {
        printJson({{"output", output.string()}, {"size", size}, {"kind", kind}});
    } else {
        std::cout << output.string() << " (" << size << " bytes)\n";
    }
    return kExitOk;
}

// The recorder that records, and what the output says about its kind of device.
struct Capture {
    Recorder& recorder;
    const char* kind;        // "simulator" or "android", for --json
    const char* whyMissing;  // when the recorder finished without a movie
};

void printRecorderError(const RecorderError& error, std::optional<std::string> fallback,
                        bool json) {
    printError(error.description,
               error.recoverySuggestion.empty()
                   ? std::move(fallback)
                   : std::optional<std::string>(error.recoverySuggestion),
               json);
}

// `othersConnected`: some device of another kind is there, so "boot a simulator or connect a
// phone" would not help when this one fails to start.
int record(const RecordOptions& options, const std::filesystem::path& output, Capture capture,
           bool othersConnected) {
    std::optional<std::string> device;
    if (!options.device.empty()) device = options.device;
    auto started = capture.recorder.startRecording(output, device,
                                                   {options.cleanStatusBar, options.showTouches});
    if (!started) {
        std::optional<std::string> suggestion;
        if (!device && !othersConnected)
            suggestion =
                "Boot an iOS simulator, or connect an Android phone with USB debugging "
                "turned on (or start an emulator).";
        printRecorderError(started.error(), suggestion, options.json);
        return kExitFailed;
    }
    recordUntilStopped([&] { return capture.recorder.isCapturing(); }, options.json, output);
    if (auto stopped = capture.recorder.stopRecording(); !stopped) {
        printRecorderError(stopped.error(), std::nullopt, options.json);
        return kExitFailed;
    }
    return reportMovie(output, capture.kind, capture.whyMissing, options.json);
}

int runRecord(const RecordOptions& options) {
    SimulatorRecorder simulators(
        SimulatorRecorder::launcherCandidatesFrom(std::getenv("KESTRO_XCRUN")));
    AndroidRecorder android;
    const Capture simulator{simulators, "simulator",
                            "simctl stopped without finishing the movie; check that the simulator "
                            "is still booted."};
    const Capture phone{android, "android", "adb saved no movie."};
    std::error_code ec;
    std::filesystem::path output = std::filesystem::absolute(options.output, ec);
    if (ec) output = options.output;
    // A folder cannot take the movie; said before anything is recorded rather than after.
    if (std::filesystem::is_directory(output, ec)) {
        printError("The output \"" + output.string() + "\" is a folder; name the movie to write.",
                   std::nullopt, options.json);
        return kExitUsage;
    }

    catchStopSignals();
    // A simulator's id has the UDID's shape; anything else names an Android serial. Without a
    // device: the first booted simulator, else the first Android device adb lists (whose state
    // says what is wrong when none is authorised).
    if (!options.device.empty())
        return record(options, output, isSimulatorUdid(options.device) ? simulator : phone, true);
    if (!simulators.listBootedDevices().empty()) return record(options, output, simulator, true);
    if (!android.listDevices().empty()) return record(options, output, phone, true);
    return record(options, output, simulator, false);
}

}  // namespace

void addRecordCommand(CLI::App& app, Runner& run) {
    auto* sub = app.add_subcommand(
        "record", "Record a booted iOS simulator or an Android device's screen until Ctrl-C");
    // The grace period as the recorder has it, so the help cannot promise another.
    const auto grace = std::chrono::duration<double>(SimulatorRecorder::kGracePeriod).count();
    char graceText[32];
    std::snprintf(graceText, sizeof graceText, "%g", grace);
    sub->footer(
        "Ctrl-C (or SIGTERM) stops the recording and saves it (exit status 0).\n"
        "Simulators: simctl is interrupted, given " + std::string(graceText) +
        " s to finish the movie, then terminated; the "
        "file is awaited for up to 6 s more. xcrun is looked for at /usr/bin/xcrun, "
        "/Applications/Xcode.app/Contents/Developer/usr/bin/xcrun and "
        "/Library/Developer/CommandLineTools/usr/bin/xcrun, in this order; KESTRO_XCRUN, a "
        "colon-separated list of paths, replaces these places.\n"
        "Android: the phone's screenrecord records in pieces of 3 minutes that are copied to "
        "this computer, removed from the phone and joined without re-encoding. adb is looked "
        "for on PATH, then in $ANDROID_HOME/platform-tools, $ANDROID_SDK_ROOT/platform-tools and "
        "~/Android/Sdk/platform-tools; KESTRO_ADB, a colon-separated list of paths, replaces "
        "these places.\n"
        "--clean-status-bar and --show-touches last only as long as the recording; the earlier "
        "settings are restored however it ends.");
    auto options = std::make_shared<RecordOptions>();
    sub->add_option("-o,--output", options->output,
                    "The H.264 movie to write (replaced only once the recording is saved for "
                    "Android; at the start for simulators)")
        ->required();
    sub->add_option("--device", options->device,
                    "A booted simulator's UDID or an Android serial (default: the first booted "
                    "simulator, else the first authorised Android device)");
    sub->add_flag("--clean-status-bar", options->cleanStatusBar,
                  "Show 9:41, a full battery, full signal and no notifications while recording "
                  "(simulator status bar override; Android demo mode)");
    sub->add_flag("--show-touches", options->showTouches,
                  "Android: show a dot where the screen is touched while recording");
    sub->add_flag("--json", options->json,
                  "Print {\"output\": path, \"size\": bytes, \"kind\": \"simulator\" | "
                  "\"android\"} or the error as JSON on standard output");
    sub->callback([&run, options] { run = [options] { return runRecord(*options); }; });
}

}  // namespace kestro::cli
