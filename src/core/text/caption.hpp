#pragma once
// Captions and title cards: text drawn over the exported movie. Times are seconds of the
// output (0 is the first exported picture), sizes are percent of the canvas height so every
// target scales alike, and colours are straight RGBA.

#include "core/model/image.hpp"

#include <optional>
#include <string>
#include <vector>

namespace kestro {

enum class CaptionPosition { top, bottom, centre, point };

struct Caption {
    double start = 0;  // seconds of the output; shown on [start, end)
    double end = 0;
    std::string text;  // UTF-8; '\n' breaks lines
    CaptionPosition position = CaptionPosition::bottom;
    // For CaptionPosition::point: the caption's centre in percent of the canvas, from the
    // top-left corner.
    double pointX = 50;
    double pointY = 50;
    double sizePercent = 3.5;  // the font's pixel size in percent of the canvas height
    Rgba textColour{255, 255, 255, 255};
    Rgba pillColour{0, 0, 0, 255};
    double pillOpacity = 0.6;  // 0..1; 0 draws no pill
    double fadeIn = 0.25;      // seconds
    double fadeOut = 0.25;
};

// A card shown over the background instead of the device, with a fade to (intro) or from
// (outro) the device.
struct TitleCard {
    std::string title;     // UTF-8, not empty
    std::string subtitle;  // may be empty
    double seconds = 2;    // how long the card shows, its fade included
    double fade = 0.5;     // seconds
    Rgba textColour{255, 255, 255, 255};
};

struct StoryText {
    std::vector<Caption> captions;
    std::optional<TitleCard> intro;
    std::optional<TitleCard> outro;

    bool empty() const { return captions.empty() && !intro && !outro; }
};

inline constexpr double kMinCaptionSizePercent = 1;
inline constexpr double kMaxCaptionSizePercent = 25;
inline constexpr double kMinTitleSeconds = 0.5;
inline constexpr double kMaxTitleSeconds = 10;

// Why `text` cannot be drawn, or none: empty (or only spaces), not valid UTF-8, or holding a
// control character other than a line break.
std::optional<std::string> captionTextProblem(const std::string& text);

// Why the caption cannot be drawn, or none: its text, its times (finite, start >= 0, end after
// start), its size, its fades or its point.
std::optional<std::string> captionProblem(const Caption& caption);

// How strongly a caption shows at output time `t`: 0 outside [start, end), ramping over the
// fades (each at most half the caption's length).
double captionOpacityAt(const Caption& caption, double t);

}  // namespace kestro
