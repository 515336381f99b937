// Placeholder until the verb is built.
#include "cli/commands.hpp"

#include <iostream>

namespace kestro::cli {

void addRecordCommand(CLI::App& app, Runner& run) {
    auto* sub = app.add_subcommand("record", "(not available yet)");
    sub->allow_extras();
    sub->callback([&run] {
        run = [] {
            std::cerr << "kestro-cli: record is not available yet\n";
            return kExitFailed;
        };
    });
}

}  // namespace kestro::cli
