#pragma once
// Which Kestro this is and which libraries it runs on, as the About panel and `--version` show
// them. The versions are the ones loaded at run time, not the headers built against, so a
// report from a user names the libraries really in use.

#include <string>
#include <utility>
#include <vector>

namespace kestro {

// "0.1.0": the project version the build was configured with.
std::string kestroVersion();

// (name, version) for FFmpeg and its libraries, and libpng.
std::vector<std::pair<std::string, std::string>> libraryVersions();

}  // namespace kestro
