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

// The paths to try, in order: the KESTRO_ADB entries alone when it names any; else `adb` in
// each PATH folder, then $ANDROID_HOME/platform-tools/adb, $ANDROID_SDK_ROOT/platform-tools/adb
// and ~/Android/Sdk/platform-tools/adb.
std::vector<std::string> adbCandidates(const AdbSearchEnvironment& environment);

}  // namespace kestro
