#include "core/capture/adb_locator.hpp"

#include "core/capture/tool_locator.hpp"

#include <cstdlib>

namespace kestro {

AdbSearchEnvironment adbSearchEnvironment() {
    return AdbSearchEnvironment{std::getenv("KESTRO_ADB"), std::getenv("PATH"),
                                std::getenv("ANDROID_HOME"), std::getenv("ANDROID_SDK_ROOT"),
                                std::getenv("HOME")};
}

std::vector<std::string> adbCandidates(const AdbSearchEnvironment& environment) {
    std::vector<std::string> candidates = splitSearchList(environment.kestroAdb);
    if (!candidates.empty()) return candidates;
    candidates = candidatesOnPath("adb", environment.path);
    const auto sdk = [&](const char* root, const char* below) {
        if (root == nullptr || *root == '\0') return;
        std::string folder(root);
        if (folder.back() != '/') folder += '/';
        candidates.push_back(folder + below);
    };
    sdk(environment.androidHome, "platform-tools/adb");
    sdk(environment.sdkRoot, "platform-tools/adb");
    sdk(environment.home, "Android/Sdk/platform-tools/adb");
    return candidates;
}

}  // namespace kestro
