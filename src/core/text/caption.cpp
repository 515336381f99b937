#include "core/text/caption.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

// The code point starting at text[i] and its length in bytes, or none when the bytes there
// are not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
std::optional<std::pair<char32_t, size_t>> decodeAt(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return std::pair<char32_t, size_t>{lead, 1};
    size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + length > text.size()) return std::nullopt;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return std::pair<char32_t, size_t>{value, length};
}

bool isControl(char32_t c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0); }

// Characters that draw nothing on their own: Unicode's white space and the zero-width format
// characters people paste or type (a CJK input method's space is U+3000).
bool isBlank(char32_t c) {
    switch (c) {
        case U'\n':
        case U' ':
        case 0x00A0:
        case 0x1680:
        case 0x180E:
        case 0x2028:
        case 0x2029:
        case 0x202F:
        case 0x205F:
        case 0x2060:
        case 0x3000:
        case 0xFEFF:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200D;  // the typographic spaces and zero-width ones
    }
}

}  // namespace

std::optional<std::string> captionTextProblem(const std::string& text) {
    bool visible = false;
    for (size_t i = 0; i < text.size();) {
        const auto decoded = decodeAt(text, i);
        if (!decoded) return "the text is not valid UTF-8";
        const char32_t c = decoded->first;
        if (c != U'\n' && isControl(c)) return "the text holds a control character";
        if (!isBlank(c)) visible = true;
        i += decoded->second;
    }
    if (!visible) return "the text is empty";
    return std::nullopt;
}

std::optional<std::string> captionProblem(const Caption& caption) {
    if (auto problem = captionTextProblem(caption.text)) return problem;
    if (!std::isfinite(caption.start) || !std::isfinite(caption.end) || caption.start < 0) {
        return "the times must be seconds from 0";
    }
    if (!(caption.end > caption.start)) return "the end must come after the start";
    if (!(caption.sizePercent >= kMinCaptionSizePercent &&
          caption.sizePercent <= kMaxCaptionSizePercent)) {
        return "the size must be from 1 to 25 percent of the canvas height";
    }
    if (!(caption.fadeIn >= 0) || !(caption.fadeOut >= 0) || !std::isfinite(caption.fadeIn) ||
        !std::isfinite(caption.fadeOut)) {
        return "the fades must be seconds from 0";
    }
    if (!(caption.pillOpacity >= 0 && caption.pillOpacity <= 1)) {
        return "the pill's opacity must be from 0 to 1";
    }
    if (caption.position == CaptionPosition::point &&
        !(caption.pointX >= 0 && caption.pointX <= 100 && caption.pointY >= 0 &&
          caption.pointY <= 100)) {
        return "the point must lie on the canvas (0 to 100 percent)";
    }
    return std::nullopt;
}

double captionOpacityAt(const Caption& caption, double t) {
    if (!(t >= caption.start && t < caption.end)) return 0;
    const double half = (caption.end - caption.start) / 2;
    const double in = std::min(caption.fadeIn, half);
    const double out = std::min(caption.fadeOut, half);
    double opacity = 1;
    if (in > 0) opacity = std::min(opacity, (t - caption.start) / in);
    if (out > 0) opacity = std::min(opacity, (caption.end - t) / out);
    return std::clamp(opacity, 0.0, 1.0);
}

}  // namespace kestro
