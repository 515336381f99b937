#pragma once
// Running a tool to its end and keeping what it printed: the short commands the recorders issue
// (listings, settings, pull, rm).

#include "core/capture/child_process.hpp"

#include <optional>
#include <string>
#include <vector>

namespace kestro {

struct ToolRun {
    std::optional<ProcessError> launchError;  // set when the tool could not be started
    int exitCode = -1;                        // as ChildProcess::waitForExit reports it
    std::string standardOutput;
    std::string standardError;

    bool succeeded() const { return !launchError && exitCode == 0; }
};

// Starts `executable` with `arguments` (never through a shell), reads both streams to their
// end, then waits for it. Blocks its caller.
ToolRun runTool(const std::string& executable, const std::vector<std::string>& arguments);

}  // namespace kestro
