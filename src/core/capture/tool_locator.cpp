#include "core/capture/tool_locator.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace kestro {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> splitSearchList(const char* colonSeparatedList) {
    std::vector<std::string> entries;
    if (colonSeparatedList == nullptr) return entries;
    std::string_view rest(colonSeparatedList);
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        if (!entry.empty()) entries.emplace_back(entry);
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    }
    return entries;
}

std::vector<std::string> candidatesOnPath(std::string_view name, const char* pathList) {
    std::vector<std::string> candidates;
    for (std::string folder : splitSearchList(pathList)) {
        if (folder.back() != '/') folder += '/';
        candidates.push_back(folder + std::string(name));
    }
    return candidates;
}

std::optional<std::string> firstExecutable(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates)
        if (isExecutableFile(candidate)) return candidate;
    return std::nullopt;
}

}  // namespace kestro
