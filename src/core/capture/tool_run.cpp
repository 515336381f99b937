#include "core/capture/tool_run.hpp"

namespace kestro {

ToolRun runTool(const std::string& executable, const std::vector<std::string>& arguments) {
    ToolRun run;
    auto child = ChildProcess::spawn(
        SpawnRequest{executable, arguments, ChildStream::collect, ChildStream::collect, false});
    if (!child) {
        run.launchError = child.error();
        return run;
    }
    // Read to the end before waiting, so a long answer never blocks the tool on a full pipe.
    CollectedOutput output = child->readOutputToEnd();
    run.exitCode = child->waitForExit();
    run.standardOutput = std::move(output.standardOutput);
    run.standardError = std::move(output.standardError);
    return run;
}

}  // namespace kestro
