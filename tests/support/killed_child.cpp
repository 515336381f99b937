#include "support/killed_child.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace kestro::test {

void killWhenReady(const std::vector<std::string>& arguments) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    // The helper tells it is mid-way by writing one byte to its standard output.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addclose(&actions, ready[1]);
    const std::string program = KESTRO_KILLED_CHILD;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    if (spawned != 0) {
        ::close(ready[0]);
        FAIL() << "cannot start " << program << ": " << std::strerror(spawned);
    }
    char byte = 0;
    ssize_t got = 0;
    do {
        got = ::read(ready[0], &byte, 1);
    } while (got < 0 && errno == EINTR);
    ::close(ready[0]);
    if (got == 1) ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_EQ(got, 1) << "the helper ended before it got going (exit status " << status << ")";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

}  // namespace kestro::test
