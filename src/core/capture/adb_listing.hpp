#pragma once
// Reading the Android devices out of the text that `adb devices -l` prints. A pure function over
// the bytes, so any listing (a daemon's start-up chatter, a newer adb's fields, garbage) parses
// without harm.

#include <string>
#include <string_view>
#include <vector>

namespace kestro {

struct AndroidDevice {
    std::string name;  // from the model field ("Pixel_8_Pro" gives "Pixel 8 Pro"), else the serial
    std::string serial;  // what `adb -s` takes
    std::string state;   // "device" (ready), "unauthorized", "offline", "no permissions", ...

    // Only a device in the state "device" accepts commands; the others wait for the user.
    bool isRecordable() const { return state == "device"; }

    friend bool operator==(const AndroidDevice&, const AndroidDevice&) = default;
};

// One device per line that starts with a serial followed by a state, in listing order. Skipped:
// the heading ("List of devices attached"), the daemon's lines ("* daemon started ..."), blank
// lines and lines with a serial alone. Fields after the state are "key:value" words; only
// "model" is used, unknown ones are ignored. Lines end at LF or CR. Control bytes never reach a
// name, serial or state.
std::vector<AndroidDevice> parseAdbDevices(std::string_view listing);

// "Pixel_8_Pro" gives "Pixel 8 Pro": underscores become spaces, runs of spaces one, ends trimmed.
std::string androidDeviceName(std::string_view model);

}  // namespace kestro
