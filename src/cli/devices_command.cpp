// Placeholder until the verb is built.
#include "cli/commands.hpp"

#include <iostream>

namespace kestro::cli {

void addDevicesCommand(CLI::App& app, Runner& run) {
    auto* sub = app.add_subcommand("devices", "(not available yet)");
    sub->allow_extras();
    sub->callback([&run] {
        run = [] {
            std::cerr << "kestro-cli: devices is not available yet\n";
            return kExitFailed;
        };
    });
}

}  // namespace kestro::cli
