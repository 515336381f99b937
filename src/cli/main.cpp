// kestro-cli: the headless front end of the Kestro core.

#include "cli/commands.hpp"

#include <iostream>

int main(int argc, char** argv) {
    using namespace kestro::cli;
    CLI::App app{"Kestro: frames phone screen recordings into presentation videos.", "kestro-cli"};
    app.require_subcommand(1);
    Runner run;
    addFramesCommand(app, run);
    addFrameInfoCommand(app, run);
    addExportCommand(app, run);
    addStillCommand(app, run);
    addDevicesCommand(app, run);
    addRecordCommand(app, run);
    addCheckCommand(app, run);
    addInitCommand(app, run);
    addRenderCommand(app, run);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? kExitOk : kExitUsage;
    }
    return run ? run() : kExitUsage;
}
