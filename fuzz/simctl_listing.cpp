// The simulator listing (`xcrun simctl list devices booted`): any output gives devices whose
// ids have the UDID shape and whose names are valid UTF-8, never a crash.

#include "core/capture/simulator_listing.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view listing(reinterpret_cast<const char*>(data), size);
    for (const auto& device : kestro::parseBootedDevices(listing)) {
        if (device.id.size() != 36 || !kestro::isValidUtf8(device.name)) std::abort();
    }
    (void)kestro::isValidUtf8(listing);
    return 0;
}
