// The Android device listing (`adb devices -l`): any output gives devices with a serial and a
// state, whose texts carry no control bytes, never a crash.

#include "core/capture/adb_listing.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool hasControlBytes(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view listing(reinterpret_cast<const char*>(data), size);
    for (const auto& device : kestro::parseAdbDevices(listing)) {
        if (device.serial.empty() || device.state.empty()) std::abort();
        if (hasControlBytes(device.name) || hasControlBytes(device.serial) ||
            hasControlBytes(device.state)) {
            std::abort();
        }
    }
    (void)kestro::androidDeviceName(listing);
    return 0;
}
