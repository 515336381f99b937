#pragma once
// Long background work (an export, with the encoder threads it starts) runs below the
// interface's priority, so a busy machine takes its time from the work rather than from the
// window. Threads the caller starts afterwards inherit the lower priority. It changes nothing
// where the system offers no per-thread priority, and it never fails loudly: a thread left at
// normal priority is only slower to yield.
//
// Only for work the interface thread never waits on: a lowered thread holding a lock the window
// needs makes the window wait for it. The movie player shares its latest picture under a lock,
// so its threads keep normal priority.

namespace kestro {

void lowerThisThreadPriority();

}  // namespace kestro
