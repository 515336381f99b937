#pragma once
// Draws caption and title text with Pango over Cairo, so shaping, bidirectional runs and font
// fallback (CJK, Arabic, Hebrew, Devanagari, colour emoji) all work. Every text starts from one
// fixed family (kCaptionFamily) with hinting off, so the same request gives the same pixels on
// every machine with the same fonts.
//
// A TextRenderer owns its own font map; one thread uses it at a time.

#include "core/text/caption.hpp"
#include "core/model/image.hpp"

#include <filesystem>
#include <memory>
#include <vector>

namespace kestro {

inline constexpr const char* kCaptionFamily = "Noto Sans";

struct RenderedText {
    Image image;            // straight RGBA, tight around the pill (captions)
    int unknownGlyphs = 0;  // characters no font could draw (shown as boxes)
};

class TextRenderer {
public:
    // The system's fonts.
    TextRenderer();
    // Only the given font files: to see what text looks like where fonts are missing.
    explicit TextRenderer(const std::vector<std::filesystem::path>& onlyFonts);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // The caption's text on its pill, lines centred, broken to fit 90% of the canvas width.
    RenderedText caption(const Caption& caption, int canvasWidth, int canvasHeight);

    // A title card's title and subtitle, centred on a transparent canvas-sized image.
    RenderedText titleCard(const TitleCard& card, int canvasWidth, int canvasHeight);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kestro
