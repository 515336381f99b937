#include "core/capture/child_process.hpp"

#include "core/platform.hpp"
#include "core/thread_name.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

extern char** environ;

namespace kestro {

namespace {

// Closes its descriptor when it goes out of scope unless released.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

struct PipeEnds {
    UniqueFd read;
    UniqueFd write;
};

// Both ends are close-on-exec from the start, so a child started concurrently by another thread
// cannot inherit them.
int openPipe(PipeEnds& ends) {
    int fds[2];
    if (int err = platform::openCloseOnExecPipe(fds); err != 0) return err;
    ends.read = UniqueFd(fds[0]);
    ends.write = UniqueFd(fds[1]);
    return 0;
}

ProcessError errorFromNumber(int code) {
    return ProcessError{code, std::generic_category().message(code)};
}

// Starts a named thread with every signal blocked, so that signal handlers of the program run on
// its own threads and never interrupt ours.
template <class F>
std::thread startQuietThread(const char* name, F&& body) {
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    struct RestoreMask {
        sigset_t mask;
        ~RestoreMask() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } restore{previous};
    return std::thread([name, body = std::forward<F>(body)]() mutable {
        nameThisThread(name);
        body();
    });
}

int decodeWaitStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

class SpawnFileActions {
public:
    SpawnFileActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnFileActions() {
        if (ok_) posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
    bool ok_ = false;
};

class SpawnAttributes {
public:
    SpawnAttributes() { ok_ = posix_spawnattr_init(&attributes_) == 0; }
    ~SpawnAttributes() {
        if (ok_) posix_spawnattr_destroy(&attributes_);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    bool ok() const { return ok_; }
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
    bool ok_ = false;
};

}  // namespace

// The parent's ends of the child's output pipes and the thread that empties them.
struct ChildProcess::Pipes {
    UniqueFd output;
    UniqueFd error;
    bool collectOutput = false;
    bool collectError = false;
    std::function<void(std::string_view)> onOutput;  // called on the reader thread
    PipeEnds wake;  // a byte written here tells the reader to stop before end of file
    CollectedOutput collected;
    std::thread reader;

    ~Pipes() { stop(); }

    void start() {
        if (int code = openPipe(wake); code != 0)
            throw std::system_error(code, std::generic_category());
        reader = startQuietThread("kestro-pipes", [this] { run(); });
    }

    // Waits for the child (and anything it passed the pipes to) to close them.
    void join() {
        if (reader.joinable()) reader.join();
    }

    // Stops reading at once; what is still unread is dropped with the pipes.
    void stop() {
        if (!reader.joinable()) return;
        const char byte = 1;
        ssize_t written;
        do {
            written = ::write(wake.write.get(), &byte, 1);
        } while (written < 0 && errno == EINTR);
        reader.join();
    }

    void run() {
        char buffer[16384];
        for (;;) {
            pollfd fds[3];
            nfds_t count = 0;
            UniqueFd* streams[2] = {nullptr, nullptr};
            for (UniqueFd* fd : {&output, &error}) {
                if (fd->get() < 0) continue;
                streams[count] = fd;
                fds[count++] = pollfd{fd->get(), POLLIN, 0};
            }
            if (count == 0) return;
            const nfds_t wakeIndex = count;
            fds[count++] = pollfd{wake.read.get(), POLLIN, 0};
            if (::poll(fds, count, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[wakeIndex].revents != 0) return;
            for (nfds_t i = 0; i < wakeIndex; ++i) {
                if (fds[i].revents == 0) continue;
                const ssize_t got = ::read(streams[i]->get(), buffer, sizeof buffer);
                if (got > 0) {
                    if (streams[i] == &output && onOutput)
                        onOutput(std::string_view(buffer, static_cast<size_t>(got)));
                    else if (streams[i] == &output && collectOutput)
                        collected.standardOutput.append(buffer, static_cast<size_t>(got));
                    else if (streams[i] == &error && collectError)
                        collected.standardError.append(buffer, static_cast<size_t>(got));
                } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                    streams[i]->reset();
                }
            }
        }
    }
};

Result<ChildProcess, ProcessError> ChildProcess::spawn(const SpawnRequest& request) {
    SpawnFileActions actions;
    SpawnAttributes attributes;
    if (!actions.ok() || !attributes.ok()) return fail(errorFromNumber(ENOMEM));

    auto pipes = std::make_unique<Pipes>();
    PipeEnds outputPipe;
    PipeEnds errorPipe;
    int code =
        posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const auto route = [&](ChildStream mode, int target, PipeEnds& pipe) -> int {
        switch (mode) {
            case ChildStream::inherit:
                return platform::inheritDescriptorOnSpawn(*actions.get(), target);
            case ChildStream::null:
                return posix_spawn_file_actions_addopen(actions.get(), target, "/dev/null",
                                                        O_WRONLY, 0);
            case ChildStream::discard:
            case ChildStream::collect:
                if (int err = openPipe(pipe); err != 0) return err;
                return posix_spawn_file_actions_adddup2(actions.get(), pipe.write.get(), target);
        }
        return EINVAL;
    };
    if (code == 0) code = route(request.standardOutput, STDOUT_FILENO, outputPipe);
    if (code == 0) code = route(request.standardError, STDERR_FILENO, errorPipe);
    // Descriptors that other code opened without close-on-exec stop here too.
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (code == 0) code = platform::closeOtherDescriptorsOnSpawn(*actions.get(), flags);
    if (code != 0) return fail(errorFromNumber(code));

    // The child starts with no blocked signals and the default action for the ones that end a
    // recording, whatever this process has installed or ignored.
    if (request.ownProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(attributes.get(), 0);
    }
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGTERM, SIGPIPE, SIGHUP, SIGQUIT, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    posix_spawnattr_setsigdefault(attributes.get(), &defaults);
    posix_spawnattr_setflags(attributes.get(), flags);

    std::vector<std::string> storage;
    storage.reserve(request.arguments.size() + 1);
    storage.push_back(request.executable);
    storage.insert(storage.end(), request.arguments.begin(), request.arguments.end());
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    code = posix_spawn(&pid, request.executable.c_str(), actions.get(), attributes.get(),
                       argv.data(), environ);
    if (code != 0) return fail(errorFromNumber(code));

    // The child holds its own copies of the write ends; closing ours lets the reader see the end.
    pipes->output = std::move(outputPipe.read);
    pipes->error = std::move(errorPipe.read);
    outputPipe.write.reset();
    errorPipe.write.reset();
    pipes->collectOutput = request.standardOutput == ChildStream::collect;
    pipes->collectError = request.standardError == ChildStream::collect;
    pipes->onOutput = request.onOutput;
    if (pipes->output.get() >= 0 || pipes->error.get() >= 0) {
        try {
            pipes->start();
        } catch (...) {
            // Without a reader, closed pipes make the child's writes fail instead of blocking it.
            pipes->output.reset();
            pipes->error.reset();
        }
    }
    return ChildProcess(pid, std::move(pipes));
}

ChildProcess::ChildProcess(pid_t pid, std::unique_ptr<Pipes> pipes)
    : pid_(pid), pipes_(std::move(pipes)) {}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      status_(std::exchange(other.status_, std::nullopt)),
      pipes_(std::move(other.pipes_)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        release();
        pid_ = std::exchange(other.pid_, -1);
        status_ = std::exchange(other.status_, std::nullopt);
        pipes_ = std::move(other.pipes_);
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    release();
}

void ChildProcess::release() {
    if (pid_ > 0 && isRunning()) {
        // The child outlives this handle: someone must still collect its exit status, and its
        // pipes must keep being emptied until then.
        try {
            startQuietThread("kestro-reaper", [pid = pid_, pipes = std::move(pipes_)]() mutable {
                int status;
                while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
                }
                pipes.reset();
            }).detach();
        } catch (...) {
            // No thread to spare: the child is left to the system rather than blocking here.
        }
    }
    pipes_.reset();
    pid_ = -1;
    status_.reset();
}

bool ChildProcess::isRunning() {
    if (pid_ <= 0 || status_) return false;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) return true;
    // Someone else may have reaped it (a SIGCHLD set to be ignored does): it is gone all the same.
    status_ = result == pid_ ? decodeWaitStatus(status) : -1;
    return false;
}

int ChildProcess::waitForExit() {
    if (status_) return *status_;
    if (pid_ <= 0) return -1;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, 0);
    } while (result < 0 && errno == EINTR);
    status_ = result == pid_ ? decodeWaitStatus(status) : -1;
    return *status_;
}

bool ChildProcess::interrupt() {
    if (pid_ <= 0 || status_) return false;
    return ::kill(pid_, SIGINT) == 0;
}

bool ChildProcess::terminate() {
    if (pid_ <= 0 || status_) return false;
    return ::kill(pid_, SIGTERM) == 0;
}

CollectedOutput ChildProcess::readOutputToEnd() {
    if (!pipes_) return {};
    pipes_->join();
    return std::exchange(pipes_->collected, CollectedOutput{});
}

}  // namespace kestro
