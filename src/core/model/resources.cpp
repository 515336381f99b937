#include "core/model/resources.hpp"

#include "core/platform.hpp"

#include <cstdlib>
#include <system_error>

#ifndef KESTRO_BUILD_RESOURCES
#define KESTRO_BUILD_RESOURCES ""
#endif

namespace kestro {

std::filesystem::path resourcesDir() {
    if (const char* fromEnvironment = std::getenv("KESTRO_RESOURCES");
        fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return fromEnvironment;
    }
    if (const auto executable = platform::executablePath(); !executable.empty()) {
        // An installed tree (<prefix>/bin and <prefix>/share/kestro), then an app bundle
        // (Contents/MacOS and Contents/Resources).
        const auto above = executable.parent_path().parent_path();
        for (const auto& candidate : {above / "share" / "kestro", above / "Resources"}) {
            std::error_code error;
            if (std::filesystem::is_directory(candidate, error)) return candidate;
        }
    }
    return KESTRO_BUILD_RESOURCES;
}

}  // namespace kestro
