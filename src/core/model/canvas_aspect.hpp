#pragma once
// The shape of the export canvas the user chooses: the device's own shape, or a fixed ratio for
// a slide, a post or a story.

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class CanvasAspect {
    frame,        // "frame": the shape of what the device box holds (frame image or recording)
    wide16x9,     // "16:9"
    tall9x16,     // "9:16"
    square1x1,    // "1:1"
    portrait4x5,  // "4:5"
    classic4x3,   // "4:3"
};

const std::array<CanvasAspect, 6>& allCanvasAspects();
std::string_view rawValue(CanvasAspect aspect);
std::optional<CanvasAspect> canvasAspectFromRaw(std::string_view raw);
// Width over height of a fixed ratio; none for `frame`, whose ratio comes from the content.
std::optional<double> fixedRatio(CanvasAspect aspect);

}  // namespace kestro
