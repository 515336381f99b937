#pragma once
// A child process started directly from an executable path and an argument list: never through a
// shell, so device names and file paths stay arguments and are never read as command text.
//
// Standard input is always the null device (a recording child in its own process group must never
// stop on a read from the terminal). Standard output and standard error are each inherited, sent to
// the null device, or connected to a pipe that a background thread reads as data arrives, so the
// child can never block on a full pipe; a piped stream is either discarded or collected.
//
// Descriptors of the parent never reach the child: everything above standard error is closed in
// the child, whatever its close-on-exec flag, and the pipes this layer opens are close-on-exec in
// the parent as well.
//
// No zombies: a ChildProcess that is destroyed while its child still runs hands the child to a
// detached reaper thread ("kestro-reaper") that waits for it and then stops the pipe reader. The
// child is never killed on destruction; it ends when it chooses to (or when it was signalled).
//
// Threads: a ChildProcess belongs to the thread that uses it (not safe for concurrent calls). Its
// pipe reader thread ("kestro-pipes") owns the read ends of the pipes and the collected text until
// the owner joins it in readOutputToEnd() or on destruction; it touches nothing else. Both helper
// threads block every signal, so a process-wide signal handler runs on the caller's threads.

#include "core/result.hpp"

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

// Where a standard stream of the child goes.
enum class ChildStream {
    inherit,  // the parent's own stream
    null,     // the null device
    discard,  // a pipe whose content is read as it arrives and dropped
    collect,  // a pipe whose content is kept for readOutputToEnd()
};

struct SpawnRequest {
    std::string executable;              // path of the program; argv[0] is this path
    std::vector<std::string> arguments;  // after argv[0], each one a separate argument
    ChildStream standardOutput = ChildStream::inherit;
    ChildStream standardError = ChildStream::inherit;
    // A child in its own process group does not receive the terminal's Ctrl-C meant for the
    // parent; only the signals this object sends reach it.
    bool ownProcessGroup = false;
    // With a piped standard output: each piece of it as it arrives, instead of discarding or
    // collecting it. Called on the pipe reader thread, which must not be held up for long.
    std::function<void(std::string_view)> onOutput;
};

// A failure to start the child: the OS error number and its message.
struct ProcessError {
    int code = 0;
    std::string description;
};

struct CollectedOutput {
    std::string standardOutput;
    std::string standardError;
};

class ChildProcess {
public:
    static Result<ChildProcess, ProcessError> spawn(const SpawnRequest& request);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }

    // Whether the child has not exited yet; reaps it when it has.
    bool isRunning();

    // Blocks until the child exits. Returns its exit code, 128 + the signal number when a signal
    // ended it, or -1 when its status could not be known.
    int waitForExit();

    // The signals that end a recording. They are sent only while the child has not been reaped,
    // so a process id that the system has reused is never signalled. False when nothing was sent.
    bool interrupt();
    bool terminate();

    // Blocks until the child has closed its piped streams, then returns what the collected ones
    // carried. Call it before waitForExit() for a child whose output must be read to its end.
    CollectedOutput readOutputToEnd();

private:
    struct Pipes;
    ChildProcess(pid_t pid, std::unique_ptr<Pipes> pipes);
    void release();

    pid_t pid_ = -1;
    std::optional<int> status_;  // set once the child has been reaped
    std::unique_ptr<Pipes> pipes_;
};

}  // namespace kestro
