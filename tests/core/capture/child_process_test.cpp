#include "core/capture/child_process.hpp"

#include "core/capture/fake_xcrun_env.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <sstream>

namespace kestro {
namespace {

using namespace std::chrono_literals;
using testing::FakeXcrun;

ChildProcess mustSpawn(const SpawnRequest& request) {
    auto child = ChildProcess::spawn(request);
    if (!child) ADD_FAILURE() << "spawn failed: " << child.error().description;
    return std::move(*child);
}

// Waits for the child within a limit, so a child stuck on a full pipe fails the test instead of
// hanging it; a stuck child is killed.
bool exitsWithin(ChildProcess& child, std::chrono::milliseconds limit) {
    if (testing::pollUntil([&] { return !child.isRunning(); }, limit)) return true;
    ::kill(child.pid(), SIGKILL);
    child.waitForExit();
    return false;
}

// Gone means reaped: kill(pid, 0) still succeeds on a zombie.
bool isReapedWithin(pid_t pid, std::chrono::milliseconds limit) {
    return testing::pollUntil([&] { return ::kill(pid, 0) != 0 && errno == ESRCH; }, limit);
}

TEST(ChildProcessStart, FailureCarriesTheSystemsMessage) {
    FakeXcrun scratch;
    struct Case {
        std::string executable;
        int code;
    };
    const Case cases[] = {
        {(scratch.dir() / "missing").string(), ENOENT},
        {scratch.unstartableLauncher(), ENOENT},  // its interpreter does not exist
        {scratch.dir().string(), EACCES},         // a folder
    };
    for (const Case& c : cases) {
        auto child = ChildProcess::spawn(SpawnRequest{c.executable, {}});
        ASSERT_FALSE(child) << c.executable;
        EXPECT_EQ(child.error().code, c.code) << c.executable;
        EXPECT_EQ(child.error().description, std::strerror(c.code)) << c.executable;
    }
}

TEST(ChildProcessStart, ArgumentsArriveVerbatimWithoutAShell) {
    FakeXcrun scratch;
    const std::string marker = (scratch.dir() / "touched").string();
    const std::vector<std::string> arguments = {"iPhone 15 (3rd generation)",
                                                "",
                                                "$(touch " + marker + ")",
                                                "a; touch " + marker,
                                                "'quoted' \"twice\"",
                                                "*",
                                                "tab\there"};
    SpawnRequest request{"/usr/bin/printf", {"%s\\n"}, ChildStream::collect};
    request.arguments.insert(request.arguments.end(), arguments.begin(), arguments.end());
    ChildProcess child = mustSpawn(request);
    const std::string output = child.readOutputToEnd().standardOutput;
    EXPECT_EQ(child.waitForExit(), 0);

    std::string expected;
    for (const auto& a : arguments) expected += a + "\n";
    EXPECT_EQ(output, expected);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(ChildProcessOutput, FullPipesNeverBlockTheChild) {
    // 1 MiB on each stream is far beyond a pipe's buffer.
    const std::string script =
        "head -c 1048576 /dev/zero; head -c 1048576 /dev/zero >&2; printf end";
    {
        ChildProcess child = mustSpawn(
            SpawnRequest{"/bin/sh", {"-c", script}, ChildStream::collect, ChildStream::collect});
        const CollectedOutput output = child.readOutputToEnd();
        EXPECT_TRUE(exitsWithin(child, 10s));
        EXPECT_EQ(output.standardOutput.size(), 1048576u + 3);
        EXPECT_EQ(output.standardOutput.substr(output.standardOutput.size() - 3), "end");
        EXPECT_EQ(output.standardError.size(), 1048576u);
    }
    {
        // Discarded streams are emptied without anyone reading the result.
        ChildProcess child = mustSpawn(
            SpawnRequest{"/bin/sh", {"-c", script}, ChildStream::discard, ChildStream::discard});
        EXPECT_TRUE(exitsWithin(child, 10s));
        EXPECT_EQ(child.waitForExit(), 0);
        EXPECT_EQ(child.readOutputToEnd().standardOutput, "");
    }
}

TEST(ChildProcessLifetime, ExitStatusAndSignals) {
    ChildProcess exits = mustSpawn(SpawnRequest{"/bin/sh", {"-c", "exit 3"}});
    EXPECT_EQ(exits.waitForExit(), 3);
    EXPECT_FALSE(exits.isRunning());
    EXPECT_FALSE(exits.interrupt()) << "a reaped child's id may belong to someone else by now";

    ChildProcess sleeper = mustSpawn(SpawnRequest{"/bin/sleep", {"5"}});
    EXPECT_TRUE(sleeper.isRunning());
    EXPECT_TRUE(sleeper.terminate());
    EXPECT_EQ(sleeper.waitForExit(), 128 + SIGTERM);
}

TEST(ChildProcessLifetime, InterruptReachesTheChildEvenWhenThisProcessIgnoresIt) {
    // An ignored signal survives exec; the child must still be stoppable by SIGINT.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &previous);
    ChildProcess child = mustSpawn(SpawnRequest{"/bin/sleep", {"5"}});
    sigaction(SIGINT, &previous, nullptr);

    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(child.interrupt());
    EXPECT_TRUE(exitsWithin(child, 3s));
    EXPECT_EQ(child.waitForExit(), 128 + SIGINT);
}

TEST(ChildProcessLifetime, AbandonedChildrenAreReapedNotLeftAsZombies) {
    // Signalled, then dropped at once.
    pid_t terminated;
    {
        ChildProcess child = mustSpawn(SpawnRequest{"/bin/sleep", {"5"}});
        terminated = child.pid();
        child.terminate();
    }
    // Dropped while running and still writing more than a pipe holds: it must be drained to
    // its end and reaped in the background.
    pid_t writing;
    {
        ChildProcess child = mustSpawn(SpawnRequest{
            "/bin/sh", {"-c", "sleep 0.2; head -c 1048576 /dev/zero"}, ChildStream::discard});
        writing = child.pid();
    }
    EXPECT_TRUE(isReapedWithin(terminated, 5s));
    EXPECT_TRUE(isReapedWithin(writing, 5s));
}

TEST(ChildProcessLifetime, ParentDescriptorsDoNotReachTheChild) {
    // A descriptor opened without close-on-exec, and the live pipes of another child.
    const int plain = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(plain, 0);
    const int high = ::fcntl(plain, F_DUPFD, 100);
    ChildProcess other =
        mustSpawn(SpawnRequest{"/bin/sleep", {"2"}, ChildStream::discard, ChildStream::discard});

    ChildProcess lister = mustSpawn(SpawnRequest{"/bin/ls", {"/dev/fd/"}, ChildStream::collect});
    std::istringstream listed(lister.readOutputToEnd().standardOutput);
    lister.waitForExit();
    std::set<int> open;
    for (int fd; listed >> fd;) open.insert(fd);
    // Standard streams, plus the descriptor ls opens to read the folder.
    EXPECT_EQ(open, (std::set<int>{0, 1, 2, 3}));

    other.terminate();
    ::close(high);
    ::close(plain);
}

}  // namespace
}  // namespace kestro
