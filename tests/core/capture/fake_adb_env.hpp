#pragma once
// A scratch phone for tests/fixtures/fake-adb: its storage folder, its settings, the listing it
// prints, and the log of the calls it received. Restores the environment it changed.

#include "core/capture/fake_xcrun_env.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestro::testing {

class FakeAdb {
public:
    FakeAdb() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kestro-adb-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a scratch folder";
        dir_ = pattern;
        std::filesystem::create_directories(phone());
        if (const char* earlier = std::getenv("KESTRO_ADB")) earlierAdb_ = earlier;
        for (const char* name : kVariables) ::unsetenv(name);
        ::setenv("FAKE_ADB_PHONE", phone().c_str(), 1);
        ::setenv("FAKE_ADB_LOG", log().c_str(), 1);
        ::setenv("FAKE_ADB_FFMPEG", KESTRO_FFMPEG, 1);
    }
    ~FakeAdb() {
        for (const char* name : kVariables) ::unsetenv(name);
        // A test program may point KESTRO_ADB at a missing tool for all its tests.
        if (earlierAdb_) ::setenv("KESTRO_ADB", earlierAdb_->c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    FakeAdb(const FakeAdb&) = delete;
    FakeAdb& operator=(const FakeAdb&) = delete;

    static std::string program() { return KESTRO_FIXTURES_DIR "/fake-adb"; }
    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path phone() const { return dir_ / "phone"; }
    std::filesystem::path log() const { return dir_ / "adb.log"; }

    void setListing(std::string_view bytes) {
        writeFile(dir_ / "listing.txt", bytes);
        ::setenv("FAKE_ADB_LISTING", (dir_ / "listing.txt").c_str(), 1);
    }
    void setMode(const char* mode) { ::setenv("FAKE_ADB_MODE", mode, 1); }
    void setClipSeconds(const char* seconds) { ::setenv("FAKE_ADB_CLIP", seconds, 1); }

    // A setting on the phone, none when unset.
    std::optional<std::string> setting(const std::string& tableDotKey) const {
        const auto file = phone() / "settings" / tableDotKey;
        if (!std::filesystem::exists(file)) return std::nullopt;
        std::string value = readFile(file);
        while (!value.empty() && value.back() == '\n') value.pop_back();
        return value;
    }
    void putSetting(const std::string& tableDotKey, const std::string& value) {
        std::filesystem::create_directories(phone() / "settings");
        writeFile(phone() / "settings" / tableDotKey, value + "\n");
    }

    // The movies left on the phone.
    std::vector<std::string> phoneMovies() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(phone()))
            if (entry.path().extension() == ".mp4") names.push_back(entry.path().filename());
        return names;
    }

    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::istringstream in(readFile(log()));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Index of the first logged call containing `text`, or -1.
    int indexOf(std::string_view text) const {
        const auto lines = calls();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
        return -1;
    }
    int count(std::string_view text) const {
        int n = 0;
        for (const auto& line : calls()) n += line.find(text) != std::string::npos;
        return n;
    }
    bool waitFor(std::string_view text, int times = 1,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (count(text) < times) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    static constexpr const char* kVariables[] = {
        "FAKE_ADB_PHONE", "FAKE_ADB_LOG",    "FAKE_ADB_LISTING", "FAKE_ADB_MODE",
        "FAKE_ADB_CLIP",  "FAKE_ADB_FFMPEG", "KESTRO_ADB"};
    std::filesystem::path dir_;
    std::optional<std::string> earlierAdb_;
};

}  // namespace kestro::testing
