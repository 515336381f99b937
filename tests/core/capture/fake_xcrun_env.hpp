#pragma once
// A scratch folder and the environment of tests/fixtures/fake-xcrun for one test: the listing it
// prints, how it records, and the log of the calls it received.

#include <gtest/gtest.h>

#include <sys/stat.h>

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

class FakeXcrun {
public:
    FakeXcrun() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kestro-capture-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a scratch folder";
        dir_ = pattern;
        if (const char* earlier = std::getenv("KESTRO_XCRUN")) earlierLauncher_ = earlier;
        for (const char* name : {"FAKE_XCRUN_LISTING", "FAKE_XCRUN_MODE", "FAKE_XCRUN_HELP_STATUS",
                                 "FAKE_XCRUN_PLANT", "KESTRO_XCRUN"})
            ::unsetenv(name);
        ::setenv("FAKE_XCRUN_LOG", log().c_str(), 1);
        ::setenv("FAKE_XCRUN_FFMPEG", KESTRO_FFMPEG, 1);
    }
    ~FakeXcrun() {
        for (const char* name :
             {"FAKE_XCRUN_LISTING", "FAKE_XCRUN_MODE", "FAKE_XCRUN_HELP_STATUS", "FAKE_XCRUN_PLANT",
              "FAKE_XCRUN_LOG", "FAKE_XCRUN_FFMPEG", "KESTRO_XCRUN"})
            ::unsetenv(name);
        // A test program may point KESTRO_XCRUN at a missing tool for all its tests.
        if (earlierLauncher_) ::setenv("KESTRO_XCRUN", earlierLauncher_->c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    FakeXcrun(const FakeXcrun&) = delete;
    FakeXcrun& operator=(const FakeXcrun&) = delete;

    static std::string launcher() { return KESTRO_FIXTURES_DIR "/fake-xcrun"; }
    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path log() const { return dir_ / "calls.log"; }

    void setListing(std::string_view bytes) {
        writeFile(dir_ / "listing.txt", bytes);
        ::setenv("FAKE_XCRUN_LISTING", (dir_ / "listing.txt").c_str(), 1);
    }
    void setMode(const char* mode) { ::setenv("FAKE_XCRUN_MODE", mode, 1); }
    void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

    // A file the executability check accepts but that no exec can start.
    std::string unstartableLauncher() const {
        const auto path = dir_ / "broken-xcrun";
        writeFile(path, "#!/nonexistent/interpreter\n");
        ::chmod(path.c_str(), 0755);
        return path.string();
    }

    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::istringstream in(readFile(log()));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
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
        for (const auto& l : logLines())
            if (l == line) return true;
        return false;
    }

    // Polls the log until it holds `line`, for at most `limit`.
    bool waitForLogLine(std::string_view line,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (logHas(line)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return logHas(line);
    }

private:
    std::filesystem::path dir_;
    std::optional<std::string> earlierLauncher_;
};

inline double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace kestro::testing
