#include "core/capture/getevent_touches.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace kestro {

namespace {

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        result.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return result;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) result.push_back(line.substr(start, i - start));
    }
    return result;
}

// A whole number following `key` in `text` ("min 0, max 1079"); none when absent or not one.
std::optional<long> numberAfter(std::string_view text, std::string_view key) {
    const auto at = text.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t i = at + key.size();
    while (i < text.size() && text[i] == ' ') ++i;
    std::size_t end = i;
    if (end < text.size() && text[end] == '-') ++end;
    const std::size_t digits = end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end == digits || end - i > 10) return std::nullopt;
    return std::strtol(std::string(text.substr(i, end - i)).c_str(), nullptr, 10);
}

std::optional<long> hexValue(std::string_view text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    long value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    // Axis values are signed 32-bit: ffffffff is -1.
    return static_cast<long>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

}  // namespace

std::optional<Touchscreen> findTouchscreen(std::string_view listing) {
    Touchscreen device;
    std::optional<std::pair<long, long>> x, y;
    const auto finish = [&]() -> std::optional<Touchscreen> {
        if (device.device.empty() || !x || !y || x->second <= x->first || y->second <= y->first)
            return std::nullopt;
        device.minX = static_cast<int>(x->first), device.maxX = static_cast<int>(x->second);
        device.minY = static_cast<int>(y->first), device.maxY = static_cast<int>(y->second);
        return device;
    };
    for (const std::string_view line : lines(listing)) {
        const auto add = line.find("add device");
        if (add != std::string_view::npos) {
            if (auto found = finish()) return found;
            device = Touchscreen{};
            x.reset(), y.reset();
            const auto colon = line.find(':', add);
            if (colon == std::string_view::npos) continue;
            const auto path = words(line.substr(colon + 1));
            if (!path.empty()) device.device = std::string(path.front());
            continue;
        }
        for (auto [axis, range] :
             {std::pair{"ABS_MT_POSITION_X", &x}, std::pair{"ABS_MT_POSITION_Y", &y}}) {
            const auto at = line.find(axis);
            if (at == std::string_view::npos) continue;
            // Not ABS_MT_POSITION_X1 or such: the name ends there.
            const std::size_t after = at + std::string_view(axis).size();
            if (after < line.size() && !std::isspace(static_cast<unsigned char>(line[after])) &&
                line[after] != ':')
                continue;
            const auto min = numberAfter(line.substr(after), "min");
            const auto max = numberAfter(line.substr(after), "max");
            if (min && max) *range = std::pair{*min, *max};
        }
    }
    return finish();
}

std::optional<DisplaySize> parseWmSize(std::string_view text) {
    std::optional<DisplaySize> physical, override;
    for (const std::string_view line : lines(text)) {
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const auto value = words(line.substr(colon + 1));
        if (value.size() != 1) continue;
        const auto x = value[0].find('x');
        if (x == std::string_view::npos) continue;
        const std::string w(value[0].substr(0, x)), h(value[0].substr(x + 1));
        if (w.empty() || h.empty() || w.size() > 5 || h.size() > 5 ||
            !std::all_of(w.begin(), w.end(), ::isdigit) ||
            !std::all_of(h.begin(), h.end(), ::isdigit))
            continue;
        const DisplaySize size{std::atoi(w.c_str()), std::atoi(h.c_str())};
        if (size.width <= 0 || size.height <= 0) continue;
        if (line.find("Override") != std::string_view::npos)
            override = size;
        else if (line.find("Physical") != std::string_view::npos)
            physical = size;
    }
    return override ? override : physical;
}

int parseDisplayRotation(std::string_view text) {
    for (const std::string_view line : lines(text)) {
        // Newer systems list viewports; the internal display's is the one recorded.
        if (line.find("Viewport") != std::string_view::npos &&
            line.find("INTERNAL") != std::string_view::npos) {
            if (auto value = numberAfter(line, "orientation="); value && *value >= 0 && *value <= 3)
                return static_cast<int>(*value);
        }
    }
    for (const std::string_view line : lines(text)) {
        if (auto value = numberAfter(line, "SurfaceOrientation:");
            value && *value >= 0 && *value <= 3)
            return static_cast<int>(*value);
    }
    return 0;
}

DisplaySize TouchMapping::recorded() const {
    return rotation % 2 == 0 ? display : DisplaySize{display.height, display.width};
}

std::pair<double, double> TouchMapping::map(int rawX, int rawY) const {
    const double w = display.width, h = display.height;
    const double spanX = static_cast<double>(screen.maxX) - screen.minX + 1;
    const double spanY = static_cast<double>(screen.maxY) - screen.minY + 1;
    const double x = std::clamp((rawX - screen.minX + 0.5) * w / spanX, 0.0, w);
    const double y = std::clamp((rawY - screen.minY + 0.5) * h / spanY, 0.0, h);
    switch (rotation) {
        case 1:
            return {y, w - x};
        case 2:
            return {w - x, h - y};
        case 3:
            return {h - y, x};
        default:
            return {x, y};
    }
}

GeteventDecoder::GeteventDecoder(TouchMapping mapping) : mapping_(std::move(mapping)) {}

void GeteventDecoder::feed(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    const auto open = line.find('[');
    const auto close = line.find(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return;
    const auto stampText = words(line.substr(open + 1, close - open - 1));
    if (stampText.size() != 1 || stampText[0].size() > 24) return;
    char* end = nullptr;
    const std::string stampString(stampText[0]);
    const double stamp = std::strtod(stampString.c_str(), &end);
    if (end != stampString.c_str() + stampString.size() || !(stamp >= 0) || stamp > 1e12) return;

    auto fields = words(line.substr(close + 1));
    if (!fields.empty() && fields.front().back() == ':') {
        std::string_view device = fields.front();
        device.remove_suffix(1);
        if (device != mapping_.screen.device) return;
        fields.erase(fields.begin());
    }
    if (fields.size() != 3) return;
    lastStamp_ = stamp;
    const std::string_view type = fields[0], code = fields[1], valueText = fields[2];

    if (type == "EV_SYN") {
        if (code == "SYN_REPORT") endFrame(stamp);
        return;
    }
    if (type == "EV_KEY" && code == "BTN_TOUCH" && !usesTrackingIds_) {
        if (valueText == "DOWN")
            slots_[0].active = true;
        else if (valueText == "UP")
            slots_[0].active = false;
        return;
    }
    if (type != "EV_ABS") return;
    const auto value = hexValue(valueText);
    if (!value) return;
    if (code == "ABS_MT_SLOT") {
        if (*value >= 0 && *value < 64) current_ = static_cast<int>(*value);
    } else if (code == "ABS_MT_TRACKING_ID") {
        usesTrackingIds_ = true;
        slots_[current_].active = *value >= 0;
    } else if (code == "ABS_MT_POSITION_X") {
        Slot& slot = slots_[current_];
        slot.x = static_cast<int>(*value), slot.moved = slot.seen = true;
    } else if (code == "ABS_MT_POSITION_Y") {
        Slot& slot = slots_[current_];
        slot.y = static_cast<int>(*value), slot.moved = slot.seen = true;
    }
}

void GeteventDecoder::endFrame(double stamp) {
    for (auto& [id, slot] : slots_) {
        const auto [x, y] = mapping_.map(slot.x, slot.y);
        if (slot.active && !slot.down && slot.seen)
            ready_.push_back({stamp, x, y, TouchPhase::down, id});
        else if (slot.active && slot.down && slot.moved)
            ready_.push_back({stamp, x, y, TouchPhase::move, id});
        else if (!slot.active && slot.down)
            ready_.push_back({stamp, x, y, TouchPhase::up, id});
        slot.down = slot.active && (slot.down || slot.seen);
        slot.moved = false;
    }
}

std::vector<TouchPoint> GeteventDecoder::take() {
    return std::exchange(ready_, {});
}

}  // namespace kestro
