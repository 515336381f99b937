#include "core/model/resources.hpp"

#include <cstdlib>
#include <system_error>
#include <vector>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#else
#include <unistd.h>
#endif

#ifndef KESTRO_BUILD_RESOURCES
#define KESTRO_BUILD_RESOURCES ""
#endif

namespace kestro {

namespace {

std::filesystem::path executablePath() {
#if defined(__APPLE__)
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buffer(size + 1, '\0');
    if (_NSGetExecutablePath(buffer.data(), &size) != 0) return {};
    std::error_code error;
    auto resolved = std::filesystem::canonical(buffer.data(), error);
    return error ? std::filesystem::path(buffer.data()) : resolved;
#else
    std::error_code error;
    auto resolved = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : resolved;
#endif
}

}  // namespace

std::filesystem::path resourcesDir() {
    if (const char* fromEnvironment = std::getenv("KESTRO_RESOURCES");
        fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return fromEnvironment;
    }
    if (const auto executable = executablePath(); !executable.empty()) {
        const auto installed = executable.parent_path().parent_path() / "share" / "kestro";
        std::error_code error;
        if (std::filesystem::is_directory(installed, error)) return installed;
    }
    return KESTRO_BUILD_RESOURCES;
}

}  // namespace kestro
