#pragma once
// Finding the command-line tools the recorders drive (xcrun, adb): search lists given by the
// user, the PATH, and whether a candidate can really be started. Stateless; safe on any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

// An existing regular file (after symbolic links) that this user may execute. A directory with
// search permission does not count: it could never be started.
bool isExecutableFile(const std::string& path);

// The entries of a colon-separated list, in order, empty entries skipped. None for a null list.
std::vector<std::string> splitSearchList(const char* colonSeparatedList);

// `name` joined to each folder of a PATH-style list, in order. An empty folder means the
// current one in POSIX, which a program finding its tools must never use, so it is skipped.
std::vector<std::string> candidatesOnPath(std::string_view name, const char* pathList);

// The first candidate that is an executable file.
std::optional<std::string> firstExecutable(const std::vector<std::string>& candidates);

}  // namespace kestro
