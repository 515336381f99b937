#include "cli/export_options.hpp"

#include "core/platform.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <vector>

namespace kestro::cli {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// A plain decimal number: an optional '-', digits with at most one '.', an optional exponent.
// No hexadecimal, no "inf" or "nan", no inner spaces: the strictness of from_chars, which
// Apple's standard library lacks for double.
bool isPlainDecimal(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i - start;
    };
    if (i < text.size() && text[i] == '-') ++i;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

std::optional<double> parseNumber(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (!isPlainDecimal(text)) return std::nullopt;
    const std::string terminated(text);
    char* end = nullptr;
    errno = 0;
    const double value = platform::strtodInCLocale(terminated.c_str(), &end);
    // Out of range either way (overflow or underflow) is refused, as from_chars refuses it.
    if (errno == ERANGE || end != terminated.c_str() + terminated.size()) return std::nullopt;
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int> hexByte(std::string_view two) {
    int value = 0;
    const auto [end, error] = std::from_chars(two.data(), two.data() + 2, value, 16);
    if (error != std::errc() || end != two.data() + 2) return std::nullopt;
    return value;
}

}  // namespace

std::optional<BackgroundFill> parseBackground(std::string_view text) {
    const std::string name = lowered(text);
    if (name == "transparent") return BackgroundFill::transparent();
    if (name == "white") return BackgroundFill::white();
    if (name == "black") return BackgroundFill::black();
    if (name.size() != 7 && name.size() != 9) return std::nullopt;
    if (name.front() != '#') return std::nullopt;
    std::array<double, 4> components{0, 0, 0, 1};
    for (std::size_t i = 0; i * 2 + 1 < name.size(); ++i) {
        // from_chars would accept a sign; only digits and letters make a colour.
        const std::string_view pair = std::string_view(name).substr(1 + i * 2, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
            return std::nullopt;
        }
        const auto value = hexByte(pair);
        if (!value) return std::nullopt;
        components[i] = *value / 255.0;
    }
    return BackgroundFill::color(components[0], components[1], components[2], components[3]);
}

std::optional<BackgroundFill> parseGradient(std::string_view text) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t comma = text.find(',');
        std::string_view part = text.substr(0, comma);
        while (!part.empty() && std::isspace(static_cast<unsigned char>(part.front()))) {
            part.remove_prefix(1);
        }
        while (!part.empty() && std::isspace(static_cast<unsigned char>(part.back()))) {
            part.remove_suffix(1);
        }
        parts.push_back(part);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (parts.size() != 2 && parts.size() != 3) return std::nullopt;
    // Only colours in hexadecimal: a named colour such as "transparent" is not a gradient end.
    if (parts[0].empty() || parts[0].front() != '#' || parts[1].empty() ||
        parts[1].front() != '#') {
        return std::nullopt;
    }
    const auto from = parseBackground(parts[0]);
    const auto to = parseBackground(parts[1]);
    if (!from || !to) return std::nullopt;
    double angle = 180;
    if (parts.size() == 3) {
        const auto parsed = parseNumber(parts[2]);
        if (!parsed) return std::nullopt;
        angle = *parsed;
    }
    // Both ends are "#..." colours, so both parsed as colours.
    return BackgroundFill::gradient(*from->asColour(), *to->asColour(), angle);
}

std::optional<double> parsePadding(std::string_view text) {
    const auto value = parseNumber(text);
    if (!value || *value < 0 || *value >= 50) return std::nullopt;
    return value;
}

std::optional<ScreenRect> parseScreenRect(std::string_view text) {
    std::array<double, 4> values{};
    std::size_t count = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        if (count == values.size()) return std::nullopt;
        const auto value = parseNumber(text.substr(0, comma));
        if (!value || *value < 0 || *value > 100) return std::nullopt;
        values[count++] = *value;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (count != values.size()) return std::nullopt;
    const ScreenRect rect{values[0], values[1], values[2], values[3]};
    if (rect.w <= 0 || rect.h <= 0 || rect.x + rect.w > 100 || rect.y + rect.h > 100) {
        return std::nullopt;
    }
    return rect;
}

std::optional<ExportFormat> formatFromExtension(const std::filesystem::path& output) {
    const std::string extension = lowered(output.extension().string());
    if (extension == ".mov") return ExportFormat::mov;
    if (extension == ".mp4" || extension == ".m4v") return ExportFormat::mp4;
    if (extension == ".gif") return ExportFormat::gif;
    if (extension == ".webm") return ExportFormat::webm;
    return std::nullopt;
}

namespace {

// The two characters "\n" as a line break, so a shell without $'...' can ask for one.
std::string withLineBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

Result<Caption, std::string> parseCaption(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return fail(std::string("must be START-END:TEXT"));
    const std::string_view times = text.substr(0, colon);
    const std::size_t dash = times.find('-');
    if (dash == std::string_view::npos) return fail(std::string("must be START-END:TEXT"));
    const auto start = parseNumber(times.substr(0, dash));
    const auto end = parseNumber(times.substr(dash + 1));
    if (!start || !end || *start < 0) {
        return fail(std::string("needs START and END in seconds from 0, as in 1.5-4:TEXT"));
    }
    if (!(*end > *start)) return fail(std::string("needs an END after its START"));
    Caption caption;
    caption.start = *start;
    caption.end = *end;
    caption.text = withLineBreaks(text.substr(colon + 1));
    if (auto problem = captionTextProblem(caption.text)) return fail(*problem);
    return caption;
}

std::optional<CaptionPosition> parseCaptionPosition(std::string_view text) {
    const std::string name = lowered(text);
    if (name == "top") return CaptionPosition::top;
    if (name == "bottom") return CaptionPosition::bottom;
    if (name == "centre" || name == "center") return CaptionPosition::centre;
    return std::nullopt;
}

Result<TitleCard, std::string> parseTitle(std::string_view text) {
    const std::size_t bar = text.find('|');
    TitleCard card;
    card.title = withLineBreaks(text.substr(0, bar));
    if (bar != std::string_view::npos) card.subtitle = withLineBreaks(text.substr(bar + 1));
    if (auto problem = captionTextProblem(card.title)) return fail("the title: " + *problem);
    if (bar != std::string_view::npos) {
        if (auto problem = captionTextProblem(card.subtitle)) {
            return fail("the subtitle: " + *problem);
        }
    }
    return card;
}

}  // namespace kestro::cli
