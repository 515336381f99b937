#pragma once
// A scratch phone for tests/fixtures/fake-adb: its storage folder, its settings, the listing it
// prints, and the log of the calls it received.

#include "core/capture/fake_xcrun_env.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestro::testing {

class FakeAdb : public FakeTool {
public:
    FakeAdb() : FakeTool("FAKE_ADB_", "KESTRO_ADB", "adb.log") {
        std::filesystem::create_directories(phone());
        setVariable("PHONE", phone().string());
    }

    static std::string program() { return KESTRO_FIXTURES_DIR "/fake-adb"; }
    std::filesystem::path phone() const { return dir() / "phone"; }
    void setClipSeconds(const char* seconds) { setVariable("CLIP", seconds); }
    // A touchscreen (`getevent -pl` output) and the events it replays (`getevent -lt` output).
    void replayTouches(const std::filesystem::path& events,
                       const std::filesystem::path& devices = recorded("touchscreen.txt")) {
        setVariable("GETEVENT", events.string());
        setVariable("GETEVENT_DEVICES", devices.string());
    }
    static std::filesystem::path recorded(const char* name) {
        return std::filesystem::path(KESTRO_FIXTURES_DIR) / "getevent" / name;
    }

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

    std::vector<std::string> calls() const { return logLines(); }
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
        return pollUntil([&] { return count(text) >= times; }, limit);
    }
};

}  // namespace kestro::testing
