#include "support/killed_child.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestro::test {

void killWhenReady(const std::function<void(const std::function<void()>& ready)>& work) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(ready[0]);
        work([&ready] {
            const char byte = 1;
            (void)!::write(ready[1], &byte, 1);
            ::pause();  // killed here
        });
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool gotReady = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (gotReady) ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(gotReady) << "the child ended before it got going";
    ASSERT_TRUE(WIFSIGNALED(status));
}

}  // namespace kestro::test
