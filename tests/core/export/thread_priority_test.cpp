// A lowered thread yields to the interface thread: only it (and what it starts) is lowered.

#include "core/platform.hpp"
#include "core/thread_priority.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace kestro {
namespace {

TEST(ThreadPriority, LowersTheCallingThreadAndWhatItStartsButNotTheOthers) {
    const std::optional<int> before = platform::thisThreadNice();
    if (!before) GTEST_SKIP() << "this system has no per-thread priority";
    std::optional<int> lowered;
    std::optional<int> child;
    std::thread worker([&] {
        lowerThisThreadPriority();
        lowered = platform::thisThreadNice();
        std::thread started([&] { child = platform::thisThreadNice(); });
        started.join();
    });
    worker.join();
    ASSERT_TRUE(lowered && child);
    EXPECT_GT(*lowered, *before);
    EXPECT_EQ(*child, *lowered);
    EXPECT_EQ(platform::thisThreadNice(), before);
}

}  // namespace
}  // namespace kestro
