#pragma once
// Reading the booted simulators out of the text that `simctl list devices available` prints.

#include "core/capture/simulator_device.hpp"

#include <string_view>
#include <vector>

namespace kestro {

// Every line that carries the marker "(Booted)" and a UDID (upper-case hexadecimal, 8-4-4-4-12)
// gives one device, in listing order and with duplicates kept: its id is the first UDID of the
// line, its name what precedes the UDID up to the first "(", trimmed. Lines end at any line
// break (LF, CR, VT, FF, NEL, LS, PS). Bytes that are not valid UTF-8 give an empty list.
std::vector<SimulatorDevice> parseBootedDevices(std::string_view listing);

// Whether the text is exactly one UDID as simctl prints them (upper-case hexadecimal, 8-4-4-4-12):
// how a front end tells a simulator's id from an Android serial.
bool isSimulatorUdid(std::string_view text);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view bytes);

}  // namespace kestro
