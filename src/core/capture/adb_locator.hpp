#pragma once
// Where adb is looked for. Pure over the environment values it is given, so the order can be
// checked without touching the process environment.

#include <string>
#include <vector>

namespace kestro {

// The environment variables that steer the search; null for an unset one.
struct AdbSearchEnvironment {
    const char* kestroAdb = nullptr;    // KESTRO_ADB: colon-separated paths, replaces all else
    const char* path = nullptr;         // PATH
    const char* androidHome = nullptr;  // ANDROID_HOME
    const char* sdkRoot = nullptr;      // ANDROID_SDK_ROOT
    const char* home = nullptr;         // HOME
};

// The process's own values of those variables.
AdbSearchEnvironment adbSearchEnvironment();

// The paths to try, in order, each once: the KESTRO_ADB entries alone when it names any; else
// `adb` in each PATH folder, then $ANDROID_HOME/platform-tools/adb,
// $ANDROID_SDK_ROOT/platform-tools/adb, the Android Studio SDKs (~/Android/Sdk on Linux,
// ~/Library/Android/sdk on macOS) and Homebrew's folders. A program started from the Finder
// gets a PATH of /usr/bin:/bin:/usr/sbin:/sbin only, so the fixed folders matter there.
std::vector<std::string> adbCandidates(const AdbSearchEnvironment& environment);

// The command that installs adb here, for hints: Homebrew's formula on macOS, the
// distribution's package on Linux, told from the text of /etc/os-release (`osRelease`). Empty
// for a system we cannot name a command for.
std::string adbInstallCommand(bool macOS, const std::string& osRelease);

// The same for the running system.
std::string adbInstallCommand();

}  // namespace kestro
