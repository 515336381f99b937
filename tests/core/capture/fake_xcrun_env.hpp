#pragma once
// Scratch environments for the stand-ins of xcrun (tests/fixtures/fake-xcrun) and adb, and the
// file helpers their tests share.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kestro::testing {

inline constexpr const char* kUdid15 = "11111111-2222-3333-4444-555555555555";
inline constexpr const char* kUdidAir = "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE";
inline constexpr const char* kUdidSe = "0A1B2C3D-4E5F-6A7B-8C9D-0E1F2A3B4C5D";

// One device line as simctl prints it.
inline std::string deviceLine(std::string_view name, std::string_view udid,
                              std::string_view state = "Booted") {
    return "    " + std::string(name) + " (" + std::string(udid) + ") (" + std::string(state) +
           ") \n";
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::uintmax_t fileSize(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

// Polls until `done` holds, for at most `limit`; tells whether it did.
template <class Done>
bool pollUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// What the stand-in tools share: a scratch folder, the FAKE_<TOOL>_ variables they read (cleared
// on the way in and out), the log of their calls, and the KESTRO_<TOOL> launcher variable, which a
// test program may set for all its tests and which is restored afterwards.
class FakeTool {
public:
    FakeTool(std::string prefix, const char* launcherVariable, const char* logName)
        : prefix_(std::move(prefix)), launcherVariable_(launcherVariable) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kestro-capture-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a scratch folder";
        dir_ = pattern;
        log_ = dir_ / logName;
        if (const char* earlier = std::getenv(launcherVariable)) earlierLauncher_ = earlier;
        clearVariables();
        setVariable("LOG", log_.string());
        setVariable("FFMPEG", KESTRO_FFMPEG);
    }
    ~FakeTool() {
        clearVariables();
        if (earlierLauncher_) ::setenv(launcherVariable_, earlierLauncher_->c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    FakeTool(const FakeTool&) = delete;
    FakeTool& operator=(const FakeTool&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    const std::filesystem::path& log() const { return log_; }
    void setListing(std::string_view bytes) {
        writeFile(dir_ / "listing.txt", bytes);
        setVariable("LISTING", (dir_ / "listing.txt").string());
    }
    void setMode(const char* mode) { setVariable("MODE", mode); }

    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::istringstream in(readFile(log_));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

protected:
    void setVariable(const char* name, const std::string& value) {
        ::setenv((prefix_ + name).c_str(), value.c_str(), 1);
    }

private:
    void clearVariables() {
        for (const char* name :
             {"LISTING", "MODE", "LOG", "FFMPEG", "HELP_STATUS", "PLANT", "PHONE", "CLIP"})
            ::unsetenv((prefix_ + name).c_str());
        ::unsetenv(launcherVariable_);
    }
    std::string prefix_;
    const char* launcherVariable_;
    std::filesystem::path dir_;
    std::filesystem::path log_;
    std::optional<std::string> earlierLauncher_;
};

// tests/fixtures/fake-xcrun: the listing it prints, how it records, the calls it received.
class FakeXcrun : public FakeTool {
public:
    FakeXcrun() : FakeTool("FAKE_XCRUN_", "KESTRO_XCRUN", "calls.log") {}

    static std::string launcher() { return KESTRO_FIXTURES_DIR "/fake-xcrun"; }
    void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

    // A file the executability check accepts but that no exec can start.
    std::string unstartableLauncher() const {
        const auto path = dir() / "broken-xcrun";
        writeFile(path, "#!/nonexistent/interpreter\n");
        ::chmod(path.c_str(), 0755);
        return path.string();
    }

    // Each call's arguments, in the order the calls arrived.
    std::vector<std::vector<std::string>> calls() const {
        std::vector<std::vector<std::string>> result;
        const auto lines = logLines();
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind("call ", 0) != 0) continue;
            const size_t count = std::stoul(lines[i].substr(5));
            std::vector<std::string> arguments;
            for (size_t k = 0; k < count && i + 1 + k < lines.size(); ++k)
                arguments.push_back(lines[i + 1 + k]);
            result.push_back(arguments);
            i += count;
        }
        return result;
    }

    // The second argument of every call: "help", "list" or "io".
    std::vector<std::string> subcommands() const {
        std::vector<std::string> result;
        for (const auto& call : calls()) result.push_back(call.size() > 1 ? call[1] : "");
        return result;
    }

    bool logHas(std::string_view line) const {
        const auto lines = logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool waitForLogLine(std::string_view line,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        return pollUntil([&] { return logHas(line); }, limit);
    }
};

inline double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace kestro::testing
