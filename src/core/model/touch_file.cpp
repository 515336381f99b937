#include "core/model/touch_file.hpp"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>

namespace kestro {

namespace {

using Json = nlohmann::json;

// The deepest nesting a valid file has is two (the touches array inside the object, each touch
// an object inside it: three). Deeper input is refused before the recursive parser sees it, so
// "[[[[..." cannot exhaust the stack.
constexpr int kMaxNesting = 4;

bool nestingWithin(std::string_view text, int limit) {
    int depth = 0;
    bool inString = false, escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '[' || c == '{') {
            if (++depth > limit) return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

// nlohmann's messages start with "[json.exception.parse_error.101] parse error at line 1,
// column 5: ..."; people need only what follows the bracket.
std::string parseMessage(const std::string& what) {
    const auto close = what.find("] ");
    return close == std::string::npos ? what : what.substr(close + 2);
}

std::string shown(const Json& value) {
    std::string text = value.dump(-1, ' ', true, Json::error_handler_t::replace);
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return text;
}

const char* phaseName(TouchPhase phase) {
    switch (phase) {
        case TouchPhase::down:
            return "down";
        case TouchPhase::move:
            return "move";
        case TouchPhase::up:
            return "up";
    }
    return "down";
}

std::optional<TouchPhase> phaseNamed(const std::string& name) {
    if (name == "down") return TouchPhase::down;
    if (name == "move") return TouchPhase::move;
    if (name == "up") return TouchPhase::up;
    return std::nullopt;
}

Result<double, std::string> number(const Json& touch, const char* key, double low, double high) {
    const auto it = touch.find(key);
    if (it == touch.end()) return fail(std::string("has no \"") + key + "\"");
    if (!it->is_number())
        return fail(std::string("\"") + key + "\" must be a number, not " + shown(*it));
    const double value = it->get<double>();
    if (!std::isfinite(value) || value < low || value > high) {
        std::ostringstream range;
        range << "\"" << key << "\" must be between " << low << " and " << high << ", not "
              << shown(*it);
        return fail(range.str());
    }
    return value;
}

Result<TouchPoint, std::string> readTouch(const Json& touch) {
    if (!touch.is_object()) return fail("must be an object, not " + shown(touch));
    TouchPoint point;
    auto t = number(touch, "t", 0, kMaxTouchSeconds);
    if (!t) return fail(t.error());
    auto x = number(touch, "x", 0, kMaxTouchCoordinate);
    if (!x) return fail(x.error());
    auto y = number(touch, "y", 0, kMaxTouchCoordinate);
    if (!y) return fail(y.error());
    point.t = *t, point.x = *x, point.y = *y;

    const auto phase = touch.find("phase");
    if (phase == touch.end()) return fail(std::string("has no \"phase\""));
    const std::optional<TouchPhase> named =
        phase->is_string() ? phaseNamed(phase->get<std::string>()) : std::nullopt;
    if (!named) return fail("\"phase\" must be \"down\", \"move\" or \"up\", not " + shown(*phase));
    point.phase = *named;

    // Optional: a file from a one-finger source may leave it out.
    if (const auto id = touch.find("id"); id != touch.end()) {
        if (!id->is_number_integer() || id->get<std::int64_t>() < 0 ||
            id->get<std::int64_t>() > std::numeric_limits<int>::max())
            return fail("\"id\" must be a whole number from 0, not " + shown(*id));
        point.id = static_cast<int>(id->get<std::int64_t>());
    }
    return point;
}

}  // namespace

std::filesystem::path touchFilePath(const std::filesystem::path& recording) {
    std::filesystem::path sidecar = recording;
    sidecar.replace_extension();
    sidecar += ".touches.json";
    return sidecar;
}

Result<TouchTrack, std::string> parseTouchFile(std::string_view text) {
    if (text.size() > kMaxTouchFileBytes) return fail(std::string("The touch file is too large"));
    if (!nestingWithin(text, kMaxNesting))
        return fail(std::string("The touch file is not a touch file: it nests too deeply"));
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::exception& e) {
        return fail("The touch file is not valid JSON: " + parseMessage(e.what()));
    }
    if (!root.is_object())
        return fail("The touch file must hold a JSON object, not " + shown(root));

    const auto version = root.find("version");
    if (version == root.end()) return fail(std::string("The touch file has no \"version\""));
    if (!version->is_number_integer() || version->get<std::int64_t>() != kTouchFileVersion)
        return fail("The touch file's version " + shown(*version) +
                    " is not one this version of Kestro reads (it reads version 1)");

    const auto touches = root.find("touches");
    if (touches == root.end()) return fail(std::string("The touch file has no \"touches\""));
    if (!touches->is_array())
        return fail("The touch file's \"touches\" must be a list, not " + shown(*touches));
    if (touches->size() > kMaxTouchCount)
        return fail("The touch file holds more than " + std::to_string(kMaxTouchCount) +
                    " touches");

    TouchTrack track;
    track.touches.reserve(touches->size());
    for (std::size_t i = 0; i < touches->size(); ++i) {
        auto point = readTouch((*touches)[i]);
        const std::string which = "Touch " + std::to_string(i + 1) + " of the touch file ";
        if (!point) return fail(which + point.error());
        if (!track.touches.empty() && point->t < track.touches.back().t) {
            std::ostringstream order;
            order << which << "is out of time order: t " << point->t << " comes after t "
                  << track.touches.back().t;
            return fail(order.str());
        }
        track.touches.push_back(*point);
    }
    return track;
}

std::string touchFileText(const TouchTrack& track) {
    // One touch a line: the file stays readable and diffs well.
    std::string text = "{\"version\": 1, \"touches\": [";
    for (std::size_t i = 0; i < track.touches.size(); ++i) {
        const TouchPoint& p = track.touches[i];
        nlohmann::ordered_json touch;
        touch["t"] = p.t;
        touch["x"] = p.x;
        touch["y"] = p.y;
        touch["phase"] = phaseName(p.phase);
        touch["id"] = p.id;
        text += i == 0 ? "\n  " : ",\n  ";
        text += touch.dump();
    }
    text += track.touches.empty() ? "]}\n" : "\n]}\n";
    return text;
}

Result<TouchTrack, std::string> readTouchFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return fail("The touch file cannot be read: " + error.message());
    if (size > kMaxTouchFileBytes) return fail(std::string("The touch file is too large"));
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(std::string("The touch file cannot be opened"));
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(in.gcount()) != size)
        return fail(std::string("The touch file cannot be read"));
    return parseTouchFile(text);
}

Result<Done, std::string> writeTouchFile(const std::filesystem::path& path,
                                         const TouchTrack& track) {
    std::filesystem::path temporary = path;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << touchFileText(track);
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return fail("The touch file could not be written at " + path.string());
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return fail("The touch file could not be written at " + path.string() + ": " +
                    error.message());
    }
    return Done{};
}

Result<std::optional<TouchTrack>, std::string> readTouchFileBeside(
    const std::filesystem::path& recording) {
    const std::filesystem::path sidecar = touchFilePath(recording);
    std::error_code error;
    if (!std::filesystem::is_regular_file(sidecar, error)) return std::optional<TouchTrack>{};
    auto track = readTouchFile(sidecar);
    if (!track) return fail(track.error());
    return std::optional<TouchTrack>{std::move(*track)};
}

}  // namespace kestro
