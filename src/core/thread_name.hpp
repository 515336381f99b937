#pragma once
// Names the calling thread, so debuggers, profilers and crash reports show what each of our
// threads is for. macOS only names the calling thread and takes no thread argument; Linux wants
// the thread and keeps at most 15 characters of the name.

#include <pthread.h>

namespace kestro {

inline void nameThisThread(const char* name) {
#if defined(__APPLE__)
    pthread_setname_np(name);
#else
    pthread_setname_np(pthread_self(), name);
#endif
}

}  // namespace kestro
