#include "core/capture/simulator_listing.hpp"

#include <cstddef>

namespace kestro {

namespace {

constexpr std::string_view kBootedMarker = "(Booted)";
constexpr size_t kUdidLength = 36;

// Length of the sequence starting at s[i] and its code point; the text is already validated.
size_t decodeAt(std::string_view s, size_t i, char32_t& cp) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    if (lead < 0xE0) {
        cp = (char32_t(lead & 0x1F) << 6) | (byte(1) & 0x3F);
        return 2;
    }
    if (lead < 0xF0) {
        cp = (char32_t(lead & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        return 3;
    }
    cp = (char32_t(lead & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) |
         (char32_t(byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    return 4;
}

bool isLineBreak(char32_t cp) {
    return (cp >= 0x0A && cp <= 0x0D) || cp == 0x85 || cp == 0x2028 || cp == 0x2029;
}

// White space and line breaks as Unicode counts them (space separators, tab and the breaks).
bool isSpaceOrBreak(char32_t cp) {
    return cp == 0x09 || cp == 0x20 || isLineBreak(cp) || cp == 0xA0 || cp == 0x1680 ||
           (cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F || cp == 0x205F || cp == 0x3000;
}

std::string_view trim(std::string_view s) {
    size_t begin = 0;
    while (begin < s.size()) {
        char32_t cp;
        const size_t length = decodeAt(s, begin, cp);
        if (!isSpaceOrBreak(cp)) break;
        begin += length;
    }
    size_t end = s.size();
    while (end > begin) {
        size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) --start;
        char32_t cp;
        decodeAt(s, start, cp);
        if (!isSpaceOrBreak(cp)) break;
        end = start;
    }
    return s.substr(begin, end - begin);
}

bool isUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool isUdidAt(std::string_view line, size_t at) {
    if (line.size() - at < kUdidLength) return false;
    for (size_t k = 0; k < kUdidLength; ++k) {
        const char c = line[at + k];
        const bool hyphen = k == 8 || k == 13 || k == 18 || k == 23;
        if (hyphen ? c != '-' : !isUpperHex(c)) return false;
    }
    return true;
}

// Position of the first UDID in the line, or npos.
size_t findUdid(std::string_view line) {
    if (line.size() < kUdidLength) return std::string_view::npos;
    for (size_t at = 0; at + kUdidLength <= line.size(); ++at)
        if (isUdidAt(line, at)) return at;
    return std::string_view::npos;
}

void parseLine(std::string_view line, std::vector<SimulatorDevice>& devices) {
    if (line.find(kBootedMarker) == std::string_view::npos) return;
    const size_t at = findUdid(line);
    if (at == std::string_view::npos) return;
    std::string_view name = line.substr(0, at);
    name = name.substr(0, name.find('('));
    devices.push_back(
        SimulatorDevice{std::string(trim(name)), std::string(line.substr(at, kUdidLength))});
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        unsigned char low = 0x80;  // bounds of the second byte rule out overlongs and surrogates
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
        if (second < low || second > high) return false;
        for (size_t k = 2; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

std::vector<SimulatorDevice> parseBootedDevices(std::string_view listing) {
    std::vector<SimulatorDevice> devices;
    if (!isValidUtf8(listing)) return devices;
    size_t lineStart = 0;
    size_t i = 0;
    while (i < listing.size()) {
        char32_t cp;
        const size_t length = decodeAt(listing, i, cp);
        if (isLineBreak(cp)) {
            parseLine(listing.substr(lineStart, i - lineStart), devices);
            lineStart = i + length;
        }
        i += length;
    }
    parseLine(listing.substr(lineStart), devices);
    return devices;
}

bool isSimulatorUdid(std::string_view text) {
    return text.size() == kUdidLength && isUdidAt(text, 0);
}

}  // namespace kestro
