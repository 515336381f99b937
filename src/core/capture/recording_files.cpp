#include "core/capture/recording_files.hpp"

#include <sys/stat.h>

#include <ctime>
#include <system_error>
#include <thread>

namespace kestro {

bool hasData(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

bool waitForData(const std::filesystem::path& path, int checks,
                 std::chrono::milliseconds interval) {
    for (int check = 1; check <= checks; ++check) {
        if (hasData(path)) return true;
        if (check < checks) std::this_thread::sleep_for(interval);
    }
    return false;
}

void prepareDestination(const std::filesystem::path& output) {
    std::error_code ignored;
    if (output.has_parent_path())
        std::filesystem::create_directories(output.parent_path(), ignored);
    // A folder at the destination is never removed along with its contents.
    const auto existing = std::filesystem::symlink_status(output, ignored);
    if (std::filesystem::exists(existing) && !std::filesystem::is_directory(existing))
        std::filesystem::remove(output, ignored);
}

std::string recordingStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    if (std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local) == 0) return "recording";
    return text;
}

}  // namespace kestro
