// kestro-cli devices: whether the developer tools work, and the booted iOS simulators.

#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "core/capture/simulator_recorder.hpp"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace kestro::cli {

namespace {

using Availability = SimulatorRecorder::Availability;

int runDevices(bool json) {
    SimulatorRecorder recorder(
        SimulatorRecorder::launcherCandidatesFrom(std::getenv("KESTRO_XCRUN")));
    std::vector<SimulatorDevice> devices;
    const Availability availability = recorder.checkAvailability(&devices);
    const bool toolsMissing = availability == Availability::xcodeMissing ||
                              availability == Availability::simctlUnavailable;

    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const SimulatorDevice& d : devices) list.push_back({{"name", d.name}, {"id", d.id}});
        printJson({{"availability", SimulatorRecorder::availabilityName(availability)},
                   {"devices", list}});
        return toolsMissing ? kExitFailed : kExitOk;
    }

    const std::string message(SimulatorRecorder::availabilityMessage(availability));
    switch (availability) {
        case Availability::xcodeMissing:
            printError(message,
                       "No xcrun was found at " + recorder.xcrunPath() +
                           " or the other places it is installed.",
                       false);
            return kExitFailed;
        case Availability::simctlUnavailable:
            printError(message, "xcrun at " + recorder.xcrunPath() + " could not be started.",
                       false);
            return kExitFailed;
        case Availability::noBootedSimulators:
        case Availability::available:
            break;
    }
    if (devices.empty()) {
        std::cout << SimulatorRecorder::availabilityMessage(Availability::noBootedSimulators)
                  << '\n';
        return kExitOk;
    }
    for (const SimulatorDevice& d : devices) std::cout << d.id << "  " << d.name << '\n';
    return kExitOk;
}

}  // namespace

void addDevicesCommand(CLI::App& app, Runner& run) {
    auto* sub =
        app.add_subcommand("devices", "List the booted iOS simulators (through xcrun simctl)");
    sub->footer(
        "xcrun is looked for at /usr/bin/xcrun, "
        "/Applications/Xcode.app/Contents/Developer/usr/bin/xcrun and "
        "/Library/Developer/CommandLineTools/usr/bin/xcrun, in this order.\n"
        "KESTRO_XCRUN, a colon-separated list of paths, replaces these places.\n"
        "Exit status 1 when the developer tools are missing or cannot be started.");
    auto json = std::make_shared<bool>(false);
    sub->add_flag(
        "--json", *json,
        "Print {\"availability\": ..., \"devices\": [{\"name\", \"id\"}]} on standard output");
    sub->callback([&run, json] { run = [json] { return runDevices(*json); }; });
}

}  // namespace kestro::cli
