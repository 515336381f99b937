#include "core/capture/adb_listing.hpp"

#include <array>

namespace kestro {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Bytes below the space and DEL would let a listing write into a terminal or a JSON consumer's
// idea of a line; they are never part of a serial, state or model.
bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

std::string withoutControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!isControl(c)) out.push_back(c);
    return out;
}

// The next run of non-blank bytes at or after `at`; `at` moves past it.
std::string_view nextWord(std::string_view line, size_t& at) {
    while (at < line.size() && isBlank(line[at])) ++at;
    const size_t start = at;
    while (at < line.size() && !isBlank(line[at])) ++at;
    return line.substr(start, at - start);
}

// adb spells this state with a space and follows it with an explanation in prose (with its own
// colons and brackets) up to a closing "]" or the end of the line.
constexpr std::string_view kNoPermissions = "no permissions";

constexpr std::array<std::string_view, 12> kKnownStates{
    "device",   "unauthorized", "offline",  "authorizing", "connecting", "bootloader",
    "recovery", "rescue",       "sideload", "host",        "detached",   "unknown"};

bool isKnownState(std::string_view state) {
    for (std::string_view known : kKnownStates)
        if (state == known) return true;
    return state == kNoPermissions;
}

void parseLine(std::string_view line, std::vector<AndroidDevice>& out) {
    size_t at = 0;
    const std::string_view serial = nextWord(line, at);
    if (serial.empty() || serial == "*" || serial.front() == '*') return;
    if (serial == "List" && line.substr(at).find("devices") != std::string_view::npos) return;

    while (at < line.size() && isBlank(line[at])) ++at;
    std::string_view rest = line.substr(at);
    std::string_view state;
    if (rest.starts_with(kNoPermissions)) {
        state = kNoPermissions;
        const size_t close = rest.find(']');
        rest = close == std::string_view::npos ? std::string_view{} : rest.substr(close + 1);
        at = 0;
    } else {
        at = 0;
        state = nextWord(rest, at);
        rest = rest.substr(at);
        at = 0;
    }
    if (state.empty()) return;
    // Other lines ("adb server version (41) doesn't match this client (39); killing...") also
    // start with two words; a device line has a state adb knows or, from a newer adb with a new
    // state, the transport field every device line carries.
    if (!isKnownState(state) && rest.find(" transport_id:") == std::string_view::npos) return;

    std::string_view model;
    for (std::string_view word = nextWord(rest, at); !word.empty(); word = nextWord(rest, at)) {
        if (word.starts_with("model:")) model = word.substr(6);
    }
    AndroidDevice device;
    device.serial = withoutControls(serial);
    device.state = withoutControls(state);
    device.name = androidDeviceName(model);
    if (device.name.empty()) device.name = device.serial;
    if (device.serial.empty() || device.state.empty()) return;
    out.push_back(std::move(device));
}

}  // namespace

std::string androidDeviceName(std::string_view model) {
    std::string name;
    bool pendingSpace = false;
    for (char c : model) {
        if (c == '_' || isBlank(c) || isControl(c)) {
            pendingSpace = !name.empty();
            continue;
        }
        if (pendingSpace) name.push_back(' ');
        pendingSpace = false;
        name.push_back(c);
    }
    return name;
}

std::vector<AndroidDevice> parseAdbDevices(std::string_view listing) {
    std::vector<AndroidDevice> devices;
    size_t start = 0;
    while (start <= listing.size()) {
        const size_t end = listing.find_first_of("\r\n", start);
        const std::string_view line = listing.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        parseLine(line, devices);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return devices;
}

}  // namespace kestro
