#pragma once
// A canvas whose size a destination fixes (a store listing's banner or promo video), with the
// device placed on it as on any canvas of a fixed shape: centred, as large as the padding
// allows, keeping its own shape.

#include "core/export/canvas_layout.hpp"
#include "core/export/render_geometry.hpp"
#include "core/result.hpp"

#include <cstdint>
#include <string>

namespace kestro {

// `width` and `height` are the canvas (even, as encoders need); `content` the shape of what the
// device box holds, 16:9 when unusable. Fails like layoutCanvas when the padding is not a
// number from 0 up or leaves no room.
Result<CanvasLayout, std::string> layoutFixedCanvas(std::int64_t width, std::int64_t height,
                                                    double paddingPercent, VideoSize content);

}  // namespace kestro
