#include "core/platform.hpp"

#include "core/thread_name.hpp"
#include "core/thread_priority.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

// Which branch this build takes; KESTRO_PLATFORM_FORCE_POSIX compiles the fallback anywhere.
#if defined(KESTRO_PLATFORM_FORCE_POSIX)
#define KESTRO_ON_LINUX 0
#define KESTRO_ON_MACOS 0
#elif defined(__linux__)
#define KESTRO_ON_LINUX 1
#define KESTRO_ON_MACOS 0
#elif defined(__APPLE__)
#define KESTRO_ON_LINUX 0
#define KESTRO_ON_MACOS 1
#else
#define KESTRO_ON_LINUX 0
#define KESTRO_ON_MACOS 0
#endif

#if KESTRO_ON_LINUX
#include <sys/prctl.h>
#include <sys/syscall.h>
#endif
#if KESTRO_ON_MACOS
#include <mach-o/dyld.h>
#include <xlocale.h>
#endif
#include <locale.h>
#include <stdlib.h>

namespace kestro {

namespace {
#if KESTRO_ON_LINUX
// On Linux the nice value belongs to the thread, addressed by its id, and threads it creates
// start with it.
id_t thisThreadId() {
    return static_cast<id_t>(::syscall(SYS_gettid));
}
#endif
}  // namespace

void nameThisThread(const char* name) {
    platform::nameThisThread(name);
}

void lowerThisThreadPriority() {
#if KESTRO_ON_LINUX
    // Weighs about a third of a normal thread: the window is served first, and the work still
    // has every core the window leaves idle.
    constexpr int kBackgroundNiceStep = 5;
    if (const std::optional<int> current = platform::thisThreadNice())
        ::setpriority(PRIO_PROCESS, thisThreadId(), std::min(*current + kBackgroundNiceStep, 19));
#endif
}

namespace platform {

std::optional<int> thisThreadNice() {
#if KESTRO_ON_LINUX
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, thisThreadId());
    if (errno == 0) return nice;
#endif
    return std::nullopt;
}

std::filesystem::path executablePath() {
    std::error_code error;
#if KESTRO_ON_LINUX
    auto resolved = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : resolved;
#elif KESTRO_ON_MACOS
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buffer(size + 1, '\0');
    if (_NSGetExecutablePath(buffer.data(), &size) != 0) return {};
    auto resolved = std::filesystem::canonical(buffer.data(), error);
    return error ? std::filesystem::path(buffer.data()) : resolved;
#else
    // Plain POSIX has no way to ask; resources then come from the environment or the build tree.
    (void)error;
    return {};
#endif
}

void nameThisThread(const char* name) {
#if KESTRO_ON_LINUX
    char cut[16] = {};
    std::strncpy(cut, name, sizeof cut - 1);
    pthread_setname_np(pthread_self(), cut);
#elif KESTRO_ON_MACOS
    pthread_setname_np(name);
#else
    (void)name;  // no portable call; the names are a convenience only
#endif
}

int openCloseOnExecPipe(int fds[2]) {
#if KESTRO_ON_LINUX
    if (::pipe2(fds, O_CLOEXEC) != 0) return errno;
    return 0;
#else
    // Without pipe2 there is a window before the flags are set; spawns close every other
    // descriptor in the child (closeOtherDescriptorsOnSpawn) where the system allows.
    if (::pipe(fds) != 0) return errno;
    for (int i = 0; i < 2; ++i) {
        if (::fcntl(fds[i], F_SETFD, FD_CLOEXEC) != 0) {
            const int err = errno;
            ::close(fds[0]);
            ::close(fds[1]);
            return err;
        }
    }
    return 0;
#endif
}

int closeOtherDescriptorsOnSpawn(posix_spawn_file_actions_t& actions, short& flags) {
#if KESTRO_ON_LINUX && defined(__GLIBC__) && \
    (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    (void)flags;
    return posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#elif KESTRO_ON_MACOS
    (void)actions;
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
    return 0;
#else
    (void)actions;
    (void)flags;
    return 0;
#endif
}

int inheritDescriptorOnSpawn(posix_spawn_file_actions_t& actions, int fd) {
#if KESTRO_ON_MACOS
    return posix_spawn_file_actions_addinherit_np(&actions, fd);
#else
    (void)actions;
    (void)fd;
    return 0;
#endif
}

std::uint64_t peakResidentBytes(const struct rusage& usage) {
    const auto value = static_cast<std::uint64_t>(usage.ru_maxrss < 0 ? 0 : usage.ru_maxrss);
#if KESTRO_ON_MACOS
    return value;  // bytes
#else
    return value * 1024;  // kibibytes on Linux and the BSDs
#endif
}

std::uint64_t peakResidentBytes() {
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return peakResidentBytes(usage);
}

int openUnnamedFile(const std::filesystem::path& folder) {
#if KESTRO_ON_LINUX && defined(O_TMPFILE)
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

int nameUnnamedFile(int fd, const std::filesystem::path& path) {
#if KESTRO_ON_LINUX && defined(O_TMPFILE)
    // AT_EMPTY_PATH needs a privilege most users lack; the descriptor's /proc link does not.
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno == EEXIST) return errno;
    const std::string self = pathOfDescriptor(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    return errno;
#else
    (void)fd;
    (void)path;
    return EOPNOTSUPP;
#endif
}

int flushToDisk(int fd) {
#if KESTRO_ON_MACOS
    if (::fcntl(fd, F_FULLFSYNC) == 0) return 0;
    if (errno == EBADF) return errno;
#endif
    return ::fsync(fd) == 0 ? 0 : errno;
}

double strtodInCLocale(const char* text, char** end) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
#if KESTRO_ON_LINUX || KESTRO_ON_MACOS
    if (c != static_cast<locale_t>(0)) return strtod_l(text, end, c);
    return std::strtod(text, end);
#else
    // POSIX has no strtod_l; switching this thread's locale for the call does the same.
    if (c == static_cast<locale_t>(0)) return std::strtod(text, end);
    const locale_t previous = uselocale(c);
    const double value = std::strtod(text, end);
    uselocale(previous);
    return value;
#endif
}

std::string pathOfDescriptor(int fd) {
#if KESTRO_ON_LINUX
    return "/proc/self/fd/" + std::to_string(fd);
#else
    (void)fd;
    return {};
#endif
}

void declineTransparentHugePages() {
#if KESTRO_ON_LINUX
    // A refusal (a kernel without the call) leaves the memory as it was: only slower.
    (void)prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
#endif
}

}  // namespace platform
}  // namespace kestro
