#pragma once
// The editor's canvas choices: the canvas's shape and padding, the device's shadow, and a
// gradient or picture chosen in place of the background colour. Plain data the state holds and
// hands to the export request and the preview alike.

#include "core/export/background_fill.hpp"
#include "core/model/canvas_aspect.hpp"

#include <optional>

namespace kestro {

struct CanvasChoices {
    CanvasAspect aspect = CanvasAspect::frame;
    std::optional<double> paddingPercent;  // none: the aspect's default
    // On by default: the preview has always shown the device with its shadow.
    bool shadow = true;
    // A "gradient" or "image" background replacing the colour choice; none: the colour.
    std::optional<BackgroundFill> pattern;

    bool operator==(const CanvasChoices&) const = default;
};

}  // namespace kestro
