#pragma once
// Names the calling thread, so debuggers, profilers and crash reports show what each of our
// threads is for. Names are at most 15 characters (the Linux limit; longer ones are cut). The
// system calls behind it live with the rest of the platform code (core/platform.hpp).

namespace kestro {

void nameThisThread(const char* name);

}  // namespace kestro
