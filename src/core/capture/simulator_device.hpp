#pragma once
// A booted simulator as the device listing names it.

#include <string>

namespace kestro {

struct SimulatorDevice {
    std::string name;  // the listed name up to its first "(", trimmed; may be empty
    std::string id;    // the UDID: upper-case hexadecimal in groups of 8-4-4-4-12

    // Name first, then id; lists and pickers identify a device by its id alone.
    friend bool operator==(const SimulatorDevice&, const SimulatorDevice&) = default;
};

}  // namespace kestro
