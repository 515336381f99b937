#pragma once
// Ending a recording child the orderly way, shared by the recorders: a signal or a request that
// lets it finish its file, a grace period, then SIGTERM for a child that did not listen.

#include "core/capture/child_process.hpp"

#include <chrono>

namespace kestro {

// Waits up to `grace` for the child to exit (polling), then sends SIGTERM when it still runs.
// Returns whether the child exited within the grace period. Blocks its caller.
bool awaitExitOrTerminate(ChildProcess& child, std::chrono::milliseconds grace);

// SIGINT to the child, then awaitExitOrTerminate.
bool interruptAndAwait(ChildProcess& child, std::chrono::milliseconds grace);

}  // namespace kestro
