#pragma once
// Where captions sit on the canvas. A top or bottom caption goes on the canvas beside the
// device when the padding or the canvas's shape leaves room for it there, and otherwise over
// the device, inside its box, on its pill. Captions at the same position that show at the same
// time stack (away from the edge they belong to) instead of covering each other; each keeps its
// place for its whole interval, so nothing jumps when another appears.

#include "core/text/caption.hpp"

#include <vector>

namespace kestro {

struct CaptionBox {
    int x = 0;  // top-left corner on the canvas
    int y = 0;
    int width = 0;
    int height = 0;
};

struct PlacementCanvas {
    int width = 0;
    int height = 0;
    // The device box, top-left origin; empty means the device fills the canvas.
    double deviceX = 0, deviceY = 0, deviceW = 0, deviceH = 0;
};

// `sizes` holds each caption's rendered width and height (x and y ignored); the result gives
// every caption its corner, in the same order.
std::vector<CaptionBox> placeCaptions(const std::vector<Caption>& captions,
                                      const std::vector<CaptionBox>& sizes,
                                      const PlacementCanvas& canvas);

}  // namespace kestro
