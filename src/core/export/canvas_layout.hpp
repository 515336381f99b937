#pragma once
// The shape of the export canvas and where the device sits on it, as pure functions shared by
// the export and the preview, so the two cannot place the device differently.
//
// The device box holds the frame image, or the recording itself when there is no frame. The
// canvas is the chosen resolution's width; its height follows either the content's shape
// (`frame`, grown by the padding) or a fixed ratio. Padding is a percentage of the canvas's
// shorter side kept free on every side; the device is centred and as large as that allows.

#include "core/export/render_geometry.hpp"
#include "core/model/canvas_aspect.hpp"
#include "core/model/screen_rect.hpp"
#include "core/result.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

// Padding when none is given: a device on a canvas of its own shape touches the edges, as it
// always has; on a fixed ratio it gets some air.
inline constexpr double kDefaultFixedAspectPadding = 8;
double effectivePadding(CanvasAspect aspect, std::optional<double> paddingPercent);

struct CanvasLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;  // even, at least 2
    CanvasRect device;        // top-left origin, canvas pixels

    bool operator==(const CanvasLayout&) const = default;
};

// `content` is the size of what the device box holds; without a usable size (zero, negative or
// not a number) the content counts as 16:9. Fails, with a message for people, when the padding
// is not a number from 0 up or leaves less than 2 pixels for the device.
Result<CanvasLayout, std::string> layoutCanvas(std::int64_t width, CanvasAspect aspect,
                                               double paddingPercent, VideoSize content);

// A rectangle in percent of the canvas (y from the bottom edge) in canvas pixels, bottom-left
// origin; and back.
CanvasRect canvasPixels(const ScreenRect& percent, double canvasWidth, double canvasHeight);
ScreenRect canvasPercent(const CanvasRect& bottomLeft, double canvasWidth, double canvasHeight);

// Where the device box lies, in percent of the canvas (y from the bottom edge).
ScreenRect devicePercent(const CanvasLayout& layout);

// A rectangle given in percent of the device box (y from the box's bottom edge, as screen
// openings are stored) in percent of the whole canvas.
ScreenRect deviceToCanvas(const ScreenRect& inDevice, const ScreenRect& device);

}  // namespace kestro
