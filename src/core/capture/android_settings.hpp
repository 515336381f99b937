#pragma once
// The device settings a recording changes on an Android phone for its own length: the system
// UI's demo mode (a clean status bar) and the touch dots. Each earlier value is read first and
// put back by restore(), which every ending of a recording calls.
//
// Threads: used by one thread at a time; every call blocks while adb runs.

#include "core/capture/recording_options.hpp"

#include <optional>
#include <string>

namespace kestro {

class AndroidSettings {
public:
    AndroidSettings(std::string adb, std::string serial);
    AndroidSettings(const AndroidSettings&) = delete;
    AndroidSettings& operator=(const AndroidSettings&) = delete;
    ~AndroidSettings() { restore(); }

    // Applies what the options ask for. Best effort: a phone that refuses a setting still
    // records, only without it.
    void apply(const RecordingOptions& options);
    // Undoes everything apply() did, once; later calls do nothing.
    void restore();

private:
    // A setting's value before we changed it: digits, or none when it was unset.
    struct Earlier {
        std::optional<std::string> value;
    };
    std::optional<Earlier> read(const char* table, const char* key) const;
    void put(const char* table, const char* key, const Earlier& earlier) const;
    void shell(std::initializer_list<std::string> command) const;
    void demo(std::initializer_list<std::string> extras) const;

    std::string adb_;
    std::string serial_;
    std::optional<Earlier> demoAllowed_;  // set while demo mode is on
    std::optional<Earlier> showTouches_;  // set while touches are shown
};

}  // namespace kestro
