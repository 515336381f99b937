#include "core/project/track_json.hpp"

#include "core/project/json_fields.hpp"

#include <cstdio>

namespace kestro {

namespace {

using json = nlohmann::json;
using json_fields::Fields;
using json_fields::fail;

template <class T, class Read>
Result<T, ProjectError> guarded(Read read) {
    try {
        return read();
    } catch (const ProjectError& error) {
        return kestro::fail(error);
    } catch (const json::exception& error) {
        return kestro::fail(ProjectError{"", error.what()});
    }
}

// Reads a JSON list item by item; each item sees the ones read before it, for order checks.
template <class T, class ReadItem>
std::vector<T> listOf(const json& value, const std::string& pointer, ReadItem readItem) {
    if (!value.is_array()) fail(pointer, "must be a list");
    std::vector<T> items;
    items.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        items.push_back(readItem(Fields(value[i], json_fields::child(pointer, i)), items));
    }
    return items;
}

Rgba colourField(const Fields& f, const char* key, Rgba otherwise) {
    const auto text = f.string(key);
    if (!text) return otherwise;
    const auto colour = colourFromHex(*text);
    if (!colour) fail(f.at(key), "must be #RRGGBB or #RRGGBBAA");
    return *colour;
}

std::string_view phaseName(TouchPhase phase) {
    switch (phase) {
        case TouchPhase::down: return "down";
        case TouchPhase::move: return "move";
        case TouchPhase::up: return "up";
    }
    return "down";
}

std::optional<TouchPhase> phaseFromName(std::string_view name) {
    if (name == "down") return TouchPhase::down;
    if (name == "move") return TouchPhase::move;
    if (name == "up") return TouchPhase::up;
    return std::nullopt;
}

std::string_view positionName(CaptionPosition position) {
    switch (position) {
        case CaptionPosition::top: return "top";
        case CaptionPosition::bottom: return "bottom";
        case CaptionPosition::centre: return "centre";
        case CaptionPosition::point: return "point";
    }
    return "bottom";
}

std::optional<CaptionPosition> positionFromName(std::string_view name) {
    if (name == "top") return CaptionPosition::top;
    if (name == "bottom") return CaptionPosition::bottom;
    if (name == "centre" || name == "center") return CaptionPosition::centre;
    if (name == "point") return CaptionPosition::point;
    return std::nullopt;
}

// The segment's times: finite, from 0, the end after the start.
void checkSpan(const Fields& f, double start, double end) {
    if (start < 0) fail(f.at("start"), "must not be negative");
    if (!(end > start)) fail(f.at("end"), "must be after the start");
}

}  // namespace

std::string colourToHex(const Rgba& c) {
    char text[10];
    std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", c.r, c.g, c.b, c.a);
    return text;
}

std::optional<Rgba> colourFromHex(const std::string& text) {
    if ((text.size() != 7 && text.size() != 9) || text[0] != '#') return std::nullopt;
    unsigned value[4] = {0, 0, 0, 255};
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        unsigned byte = 0;
        for (std::size_t k = 1; k <= 2; ++k) {
            const char c = text[i + k];
            byte <<= 4;
            if (c >= '0' && c <= '9') byte |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f') byte |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') byte |= static_cast<unsigned>(c - 'A' + 10);
            else return std::nullopt;
        }
        value[i / 2] = byte;
    }
    return Rgba{static_cast<std::uint8_t>(value[0]), static_cast<std::uint8_t>(value[1]),
                static_cast<std::uint8_t>(value[2]), static_cast<std::uint8_t>(value[3])};
}

json cameraTrackToJson(const CameraTrack& track) {
    json out = json::array();
    for (const ZoomSegment& s : track) {
        out.push_back({{"start", s.start},
                       {"end", s.end},
                       {"focusX", s.focusX},
                       {"focusY", s.focusY},
                       {"scale", s.scale},
                       {"easeIn", s.easeIn},
                       {"easeOut", s.easeOut}});
    }
    return out;
}

Result<CameraTrack, ProjectError> cameraTrackFromJson(const json& value, const std::string& pointer) {
    return guarded<CameraTrack>([&] {
        return listOf<ZoomSegment>(value, pointer, [](const Fields& f, const CameraTrack&) {
            ZoomSegment s;
            s.start = f.number("start", 0);
            s.end = f.number("end", 0);
            checkSpan(f, s.start, s.end);
            s.focusX = f.numberIn("focusX", 0.5, 0, 1);
            s.focusY = f.numberIn("focusY", 0.5, 0, 1);
            s.scale = f.numberIn("scale", 2, kMinZoomScale, kMaxZoomScale);
            s.easeIn = f.numberIn("easeIn", kDefaultZoomEase, 0, 10);
            s.easeOut = f.numberIn("easeOut", kDefaultZoomEase, 0, 10);
            return s;
        });
    });
}

json touchesToJson(const TouchTrack& track, const TapStyle& style) {
    json points = json::array();
    for (const TouchPoint& p : track.touches) {
        points.push_back({{"t", p.t},
                          {"x", p.x},
                          {"y", p.y},
                          {"phase", std::string(phaseName(p.phase))},
                          {"id", p.id}});
    }
    return {{"points", points},
            {"style",
             {{"enabled", style.enabled},
              {"size", style.sizePercent},
              {"colour", colourToHex(style.colour)},
              {"opacity", style.opacity}}}};
}

Result<Done, ProjectError> touchesFromJson(const json& value, const std::string& pointer,
                                           TouchTrack& track, TapStyle& style) {
    return guarded<Done>([&] {
        const Fields f(value, pointer);
        TouchTrack readTrack;
        if (f.has("points")) {
            readTrack.touches = listOf<TouchPoint>(
                f.raw("points"), f.at("points"),
                [](const Fields& p, const std::vector<TouchPoint>& before) {
                    TouchPoint point;
                    point.t = p.number("t", 0);
                    if (point.t < 0) fail(p.at("t"), "must not be negative");
                    if (!before.empty() && point.t < before.back().t) {
                        fail(p.at("t"), "must not be before the touch before it");
                    }
                    point.x = p.number("x", 0);
                    point.y = p.number("y", 0);
                    point.phase =
                        json_fields::enumField(p, "phase", TouchPhase::down, phaseFromName);
                    point.id = static_cast<int>(p.integer("id").value_or(0));
                    return point;
                });
        }
        TapStyle readStyle;
        if (f.has("style")) {
            const Fields s(f.raw("style"), f.at("style"));
            readStyle.enabled = s.boolean("enabled", readStyle.enabled);
            // Wider than the editor's and the CLI's range: files written before those limits
            // were shared still open as they were.
            readStyle.sizePercent = s.numberIn("size", readStyle.sizePercent, 0.5, 50);
            readStyle.colour = colourField(s, "colour", readStyle.colour);
            readStyle.opacity = s.numberIn("opacity", readStyle.opacity, 0, 1);
        }
        track = std::move(readTrack);
        style = readStyle;
        return Done{};
    });
}

json speedTrackToJson(const SpeedTrack& track) {
    json out = json::array();
    for (const SpeedSegment& s : track) {
        out.push_back({{"start", s.start}, {"end", s.end}, {"factor", s.factor}});
    }
    return out;
}

Result<SpeedTrack, ProjectError> speedTrackFromJson(const json& value, const std::string& pointer) {
    return guarded<SpeedTrack>([&] {
        return listOf<SpeedSegment>(value, pointer, [](const Fields& f, const SpeedTrack& before) {
            SpeedSegment s;
            s.start = f.number("start", 0);
            s.end = f.number("end", 0);
            checkSpan(f, s.start, s.end);
            s.factor = f.numberIn("factor", 2, kMinSpeedFactor, kMaxSpeedFactor);
            if (!before.empty() && s.start < before.back().end) {
                fail(f.at("start"), "overlaps the segment before it");
            }
            return s;
        });
    });
}

json captionsToJson(const std::vector<Caption>& captions) {
    json out = json::array();
    for (const Caption& c : captions) {
        json item{{"start", c.start},
                  {"end", c.end},
                  {"text", c.text},
                  {"position", std::string(positionName(c.position))},
                  {"size", c.sizePercent},
                  {"textColour", colourToHex(c.textColour)},
                  {"pillColour", colourToHex(c.pillColour)},
                  {"pillOpacity", c.pillOpacity},
                  {"fadeIn", c.fadeIn},
                  {"fadeOut", c.fadeOut}};
        if (c.position == CaptionPosition::point) {
            item["x"] = c.pointX;
            item["y"] = c.pointY;
        }
        out.push_back(std::move(item));
    }
    return out;
}

Result<std::vector<Caption>, ProjectError> captionsFromJson(const json& value,
                                                            const std::string& pointer) {
    return guarded<std::vector<Caption>>([&] {
        return listOf<Caption>(value, pointer, [](const Fields& f, const std::vector<Caption>&) {
            Caption c;
            c.start = f.number("start", 0);
            c.end = f.number("end", 0);
            c.text = f.string("text").value_or("");
            c.position = json_fields::enumField(f, "position", c.position, positionFromName);
            c.pointX = f.number("x", c.pointX);
            c.pointY = f.number("y", c.pointY);
            c.sizePercent = f.number("size", c.sizePercent);
            c.textColour = colourField(f, "textColour", c.textColour);
            c.pillColour = colourField(f, "pillColour", c.pillColour);
            c.pillOpacity = f.number("pillOpacity", c.pillOpacity);
            c.fadeIn = f.number("fadeIn", c.fadeIn);
            c.fadeOut = f.number("fadeOut", c.fadeOut);
            if (const auto problem = captionProblem(c)) fail(f.pointer(), *problem);
            return c;
        });
    });
}

json titleCardToJson(const TitleCard& card) {
    return {{"title", card.title},
            {"subtitle", card.subtitle},
            {"seconds", card.seconds},
            {"fade", card.fade},
            {"textColour", colourToHex(card.textColour)}};
}

Result<TitleCard, ProjectError> titleCardFromJson(const json& value, const std::string& pointer) {
    return guarded<TitleCard>([&] {
        const Fields f(value, pointer);
        TitleCard card;
        card.title = f.requiredString("title");
        if (const auto problem = captionTextProblem(card.title)) fail(f.at("title"), *problem);
        card.subtitle = f.string("subtitle").value_or("");
        if (!card.subtitle.empty()) {
            if (const auto problem = captionTextProblem(card.subtitle)) fail(f.at("subtitle"), *problem);
        }
        card.seconds = f.numberIn("seconds", card.seconds, kMinTitleSeconds, kMaxTitleSeconds);
        card.fade = f.numberIn("fade", card.fade, 0, card.seconds / 2);
        card.textColour = colourField(f, "textColour", card.textColour);
        return card;
    });
}

}  // namespace kestro
