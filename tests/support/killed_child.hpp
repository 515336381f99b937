#pragma once
// A writer stopped the hard way: what a crash or a power cut leaves behind.
//
// The writer is a separate program (tests/support/killed_child_main.cpp), started fresh rather
// than forked from the test: a forked copy of a process that has used threads, or on macOS
// CoreFoundation, may not do much more than exec.

#include <string>
#include <vector>

namespace kestro::test {

// Starts the killed-child helper with `arguments` and kills it with SIGKILL once it says it is
// mid-way. The helper's jobs:
//   output-file DEST named|unnamed   writes 100 000 bytes into an OutputFile for DEST
//   export INPUT DEST                exports INPUT into DEST with the exporter tests' small
//                                    request, until the first frames are written
// Fails the test when the helper ends without getting mid-way, or was not the one killed.
void killWhenReady(const std::vector<std::string>& arguments);

}  // namespace kestro::test
