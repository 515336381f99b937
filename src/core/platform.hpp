#pragma once
// Everything that differs between the systems Kestro runs on, in one place: Linux gets its own
// calls where they are better (O_TMPFILE, pipe2, closefrom at spawn), macOS gets its own where
// POSIX has no answer (the executable's path, spawn flags), and every other POSIX system the
// plain fallback. Nothing else in the tree asks which system it is on; a lint run by the test
// suite keeps it that way.
//
// KESTRO_PLATFORM_FORCE_POSIX builds the plain POSIX fallback on any system, so that Linux can
// compile the branch other systems take.

#include <spawn.h>
#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kestro::platform {

#if defined(__APPLE__) && !defined(KESTRO_PLATFORM_FORCE_POSIX)
inline constexpr bool kIsMacOS = true;
#else
inline constexpr bool kIsMacOS = false;
#endif

// The running program's own file, resolved; empty when the system will not say.
std::filesystem::path executablePath();

// Names the calling thread for debuggers, profilers and crash reports. Linux keeps at most 15
// characters; longer names are cut rather than refused.
void nameThisThread(const char* name);

// A pipe whose both ends are close-on-exec from the start (atomically where the system can), so
// that a child started by another thread at the same moment cannot inherit them. 0 or an errno.
int openCloseOnExecPipe(int fds[2]);

// Adds to a spawn whatever makes the child start with only its standard streams, also when other
// code opened descriptors without close-on-exec. `flags` are the spawn attribute flags to set.
// 0 or an errno.
int closeOtherDescriptorsOnSpawn(posix_spawn_file_actions_t& actions, short& flags);

// Keeps `fd` open in a child spawned with closeOtherDescriptorsOnSpawn (a stream it inherits
// from us). 0 or an errno.
int inheritDescriptorOnSpawn(posix_spawn_file_actions_t& actions, int fd);

// The calling thread's own nice value where the system keeps one per thread (Linux); none
// elsewhere.
std::optional<int> thisThreadNice();

// The peak resident memory in bytes that getrusage reported (the field's unit differs between
// systems). peakResidentBytes() is this process's.
std::uint64_t peakResidentBytes(const struct rusage& usage);
std::uint64_t peakResidentBytes();

// A file in `folder` with no name yet, open for reading and writing: nothing is left behind if
// the process dies before nameUnnamedFile. -1 with errno set when the system or file system
// cannot make one (callers then fall back on a named temporary file).
int openUnnamedFile(const std::filesystem::path& folder);

// Gives a file from openUnnamedFile the name `path` (which must not exist). 0 or an errno.
int nameUnnamedFile(int fd, const std::filesystem::path& path);

// Makes everything written to `fd` durable: on the disk, not only in the drive's cache. fsync
// promises that on Linux; on macOS fsync stops at the drive's cache, and F_FULLFSYNC reaches the
// disk (plain fsync where a file system cannot, such as network shares). 0 or an errno.
int flushToDisk(int fd);

// strtod in the C locale whatever the process's locale is (a decimal point, never a comma).
double strtodInCLocale(const char* text, char** end);

// A path that reopens the file behind `fd` (for libraries that want a name); empty where the
// system has none.
std::string pathOfDescriptor(int fd);

// Stops this process's memory from being backed by transparent huge pages from now on, also
// where a library asks for them (libx264 does for its frame buffers). Linux only; elsewhere
// nothing happens. See the exporter for why.
void declineTransparentHugePages();

}  // namespace kestro::platform
