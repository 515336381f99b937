#pragma once
// Each verb of kestro-cli lives in its own file and registers itself here. Registration adds the
// subcommand and its options; when the subcommand is chosen, its callback stores the runner that
// main() calls after parsing. A runner returns the process exit status.

#include <CLI/CLI.hpp>

#include <functional>

namespace kestro::cli {

using Runner = std::function<int()>;

// Exit statuses shared by every verb.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

void addFramesCommand(CLI::App& app, Runner& run);
void addFrameInfoCommand(CLI::App& app, Runner& run);
void addExportCommand(CLI::App& app, Runner& run);
void addStillCommand(CLI::App& app, Runner& run);
void addDevicesCommand(CLI::App& app, Runner& run);
void addRecordCommand(CLI::App& app, Runner& run);
void addCheckCommand(CLI::App& app, Runner& run);
void addInitCommand(CLI::App& app, Runner& run);
void addRenderCommand(CLI::App& app, Runner& run);

}  // namespace kestro::cli
