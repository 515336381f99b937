#include "core/capture/adb_locator.hpp"

#include "core/capture/tool_locator.hpp"
#include "core/platform.hpp"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

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
    sdk(environment.home, "Library/Android/sdk/platform-tools/adb");
    sdk("/opt/homebrew/bin", "adb");
    sdk("/usr/local/bin", "adb");
    std::vector<std::string> once;
    for (std::string& c : candidates)
        if (std::find(once.begin(), once.end(), c) == once.end()) once.push_back(std::move(c));
    return once;
}

namespace {

// The words of an os-release field (ID=fedora, ID_LIKE="rhel centos"), quotes removed.
std::vector<std::string> osReleaseWords(const std::string& text, std::string_view key) {
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> words;
    while (std::getline(lines, line)) {
        if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 ||
            line[key.size()] != '=')
            continue;
        std::string value = line.substr(key.size() + 1);
        value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
        value.erase(std::remove(value.begin(), value.end(), '\''), value.end());
        std::istringstream split(value);
        for (std::string word; split >> word;) words.push_back(word);
    }
    return words;
}

}  // namespace

std::string adbInstallCommand(bool macOS, const std::string& osRelease) {
    if (macOS) return "brew install android-platform-tools";
    struct Family {
        const char* id;
        const char* command;
    };
    static constexpr Family kFamilies[] = {
        {"debian", "sudo apt install adb"},
        {"ubuntu", "sudo apt install adb"},
        {"fedora", "sudo dnf install android-tools"},
        {"arch", "sudo pacman -S android-tools"},
        {"opensuse", "sudo zypper install android-tools"},
        {"suse", "sudo zypper install android-tools"},
        {"alpine", "sudo apk add android-tools"},
    };
    // The system itself first, then the ones it says it is like (Mint is like Ubuntu).
    std::vector<std::string> ids = osReleaseWords(osRelease, "ID");
    for (std::string& like : osReleaseWords(osRelease, "ID_LIKE")) ids.push_back(std::move(like));
    for (const std::string& id : ids)
        for (const Family& family : kFamilies)
            if (id == family.id || id.rfind(std::string(family.id) + "-", 0) == 0)
                return family.command;
    return {};
}

std::string adbInstallCommand() {
    std::ostringstream text;
    if (!platform::kIsMacOS) {
        std::ifstream release("/etc/os-release");
        if (!release) release.open("/usr/lib/os-release");
        text << release.rdbuf();
    }
    return adbInstallCommand(platform::kIsMacOS, text.str());
}

}  // namespace kestro
