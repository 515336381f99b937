// A lowered thread yields to the interface thread: only it (and what it starts) is lowered.

#include "core/thread_priority.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace kestro {
namespace {

#ifdef __linux__
int niceOf(pid_t thread) {
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
}
pid_t thisThread() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

TEST(ThreadPriority, LowersTheCallingThreadAndWhatItStartsButNotTheOthers) {
    const int before = niceOf(thisThread());
    int lowered = before;
    int child = before;
    std::thread worker([&] {
        lowerThisThreadPriority();
        lowered = niceOf(thisThread());
        std::thread started([&] { child = niceOf(thisThread()); });
        started.join();
    });
    worker.join();
    EXPECT_GT(lowered, before);
    EXPECT_EQ(child, lowered);
    EXPECT_EQ(niceOf(thisThread()), before);
}
#endif

}  // namespace
}  // namespace kestro
