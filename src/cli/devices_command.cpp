// kestro-cli devices: the booted iOS simulators (xcrun simctl) and the Android phones and
// emulators (adb), with what keeps each kind from recording.

#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "core/capture/adb_locator.hpp"
#include "core/capture/android_recorder.hpp"
#include "core/capture/simulator_recorder.hpp"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace kestro::cli {

namespace {

using Availability = SimulatorRecorder::Availability;
using AndroidAvailability = AndroidRecorder::Availability;

int runDevices(bool json) {
    SimulatorRecorder simulators(
        SimulatorRecorder::launcherCandidatesFrom(std::getenv("KESTRO_XCRUN")));
    std::vector<SimulatorDevice> devices;
    const Availability availability = simulators.checkAvailability(&devices);

    AndroidRecorder android;
    std::vector<AndroidDevice> phones;
    const AndroidAvailability androidAvailability = android.checkAvailability(&phones);

    const bool recordable =
        !devices.empty() || std::any_of(phones.begin(), phones.end(),
                                        [](const AndroidDevice& d) { return d.isRecordable(); });
    const int status = recordable ? kExitOk : kExitFailed;

    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const SimulatorDevice& d : devices) list.push_back({{"name", d.name}, {"id", d.id}});
        nlohmann::json androidList = nlohmann::json::array();
        for (const AndroidDevice& d : phones)
            androidList.push_back({{"name", d.name}, {"id", d.serial}, {"state", d.state}});
        printJson({{"availability", SimulatorRecorder::availabilityName(availability)},
                   {"devices", list},
                   {"android",
                    {{"availability", AndroidRecorder::availabilityName(androidAvailability)},
                     {"devices", androidList}}}});
        return status;
    }

    const std::string message(SimulatorRecorder::availabilityMessage(availability));
    switch (availability) {
        case Availability::xcodeMissing:
            printError(message,
                       "No xcrun was found at " + simulators.xcrunPath() +
                           " or the other places it is installed.",
                       false);
            break;
        case Availability::simctlUnavailable:
            printError(message, "xcrun at " + simulators.xcrunPath() + " could not be started.",
                       false);
            break;
        case Availability::noBootedSimulators:
            std::cout << message << '\n';
            break;
        case Availability::available:
            break;
    }
    for (const SimulatorDevice& d : devices) std::cout << d.id << "  " << d.name << '\n';

    switch (androidAvailability) {
        case AndroidAvailability::adbMissing:
        {
            const std::string command = adbInstallCommand();
            printError(std::string(AndroidRecorder::availabilityMessage(androidAvailability)),
                       "Install the Android platform tools (" +
                           (command.empty() ? std::string("adb") : command) +
                           ") to record Android phones and emulators.",
                       false);
        }
            break;
        case AndroidAvailability::noDevices:
            std::cout << AndroidRecorder::availabilityMessage(androidAvailability) << '\n';
            break;
        case AndroidAvailability::available:
            break;
    }
    for (const AndroidDevice& d : phones) {
        std::cout << d.serial << "  " << d.name << "  (Android";
        if (!d.isRecordable()) std::cout << ", " << d.state;
        std::cout << ")\n";
    }
    return status;
}

}  // namespace

void addDevicesCommand(CLI::App& app, Runner& run) {
    auto* sub = app.add_subcommand(
        "devices", "List the booted iOS simulators (xcrun simctl) and the Android devices (adb)");
    sub->footer(
        "xcrun is looked for at /usr/bin/xcrun, "
        "/Applications/Xcode.app/Contents/Developer/usr/bin/xcrun and "
        "/Library/Developer/CommandLineTools/usr/bin/xcrun, in this order.\n"
        "KESTRO_XCRUN, a colon-separated list of paths, replaces these places.\n"
        "adb is looked for on PATH, then in $ANDROID_HOME/platform-tools, "
        "$ANDROID_SDK_ROOT/platform-tools and ~/Android/Sdk/platform-tools.\n"
        "KESTRO_ADB, a colon-separated list of paths, replaces these places.\n"
        "Exit status 0 when a booted simulator or an authorised Android device can be "
        "recorded, else 1.");
    auto json = std::make_shared<bool>(false);
    sub->add_flag("--json", *json,
                  "Print {\"availability\", \"devices\": [{\"name\", \"id\"}], \"android\": "
                  "{\"availability\", \"devices\": [{\"name\", \"id\", \"state\"}]}}");
    sub->callback([&run, json] { run = [json] { return runDevices(*json); }; });
}

}  // namespace kestro::cli
