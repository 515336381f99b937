// kestro-cli record: records a booted iOS simulator's screen until Ctrl-C.

#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "core/capture/simulator_recorder.hpp"

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <thread>

namespace kestro::cli {

namespace {

volatile sig_atomic_t gStopRequested = 0;

void requestStop(int) {
    gStopRequested = 1;
}

// Ctrl-C, a termination request or a closed terminal end the recording the orderly way, so the
// movie is finished instead of lost with the process.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

struct RecordOptions {
    std::string output;
    std::string device;
    bool json = false;
};

int runRecord(const RecordOptions& options) {
    SimulatorRecorder recorder(
        SimulatorRecorder::launcherCandidatesFrom(std::getenv("KESTRO_XCRUN")));
    std::error_code ec;
    std::filesystem::path output = std::filesystem::absolute(options.output, ec);
    if (ec) output = options.output;

    // Only the UDID is given; it also stands for the name, which the recorder shows only for a
    // device that is not booted, and so not listed by name anyway.
    std::optional<SimulatorDevice> device;
    if (!options.device.empty()) device = SimulatorDevice{options.device, options.device};

    catchStopSignals();
    auto started = recorder.startRecording(output, device);
    if (!started) {
        printError(started.error().description, std::nullopt, options.json);
        return kExitFailed;
    }
    if (!options.json)
        std::cerr << "Recording to " << output.string() << ". Press Ctrl-C to stop.\n";

    // The recording also ends when simctl gives up on its own (a simulator that shuts down).
    while (!gStopRequested && recorder.isChildRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!options.json) std::cerr << "Finishing the recording...\n";
    recorder.stopRecording();

    struct stat info {};
    if (::stat(output.c_str(), &info) != 0 || info.st_size <= 0) {
        printError("The recording was not written to " + output.string() + ".",
                   "simctl stopped without finishing the movie; check that the simulator is "
                   "still booted.",
                   options.json);
        return kExitFailed;
    }
    const auto size = static_cast<long long>(info.st_size);
    if (options.json) {
        printJson({{"output", output.string()}, {"size", size}});
    } else {
        std::cout << output.string() << " (" << size << " bytes)\n";
    }
    return kExitOk;
}

}  // namespace

void addRecordCommand(CLI::App& app, Runner& run) {
    auto* sub = app.add_subcommand("record", "Record a booted iOS simulator's screen until Ctrl-C");
    sub->footer(
        "Ctrl-C (or SIGTERM) stops the recording: simctl is interrupted, given 2 s to finish the "
        "movie, then terminated; the file is awaited for up to 6 s more.\n"
        "xcrun is looked for at /usr/bin/xcrun, "
        "/Applications/Xcode.app/Contents/Developer/usr/bin/xcrun and "
        "/Library/Developer/CommandLineTools/usr/bin/xcrun, in this order.\n"
        "KESTRO_XCRUN, a colon-separated list of paths, replaces these places.");
    auto options = std::make_shared<RecordOptions>();
    sub->add_option("-o,--output", options->output,
                    "The H.264 movie to write (replaced if it exists)")
        ->required();
    sub->add_option("--device", options->device,
                    "UDID of the booted simulator to record (default: the first booted one)");
    sub->add_flag(
        "--json", options->json,
        "Print {\"output\": path, \"size\": bytes} or the error as JSON on standard output");
    sub->callback([&run, options] { run = [options] { return runRecord(*options); }; });
}

}  // namespace kestro::cli
