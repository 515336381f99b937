#pragma once
// The size of the export canvas: the resolution's width, and the height that gives the canvas
// the aspect of the trimmed frame image.

#include "core/model/export_resolution.hpp"
#include "core/model/image.hpp"

#include <cstdint>

namespace kestro {

// The largest canvas side, for every format alike, movies and stills: 8K is past every screen a
// framed recording is shown on, and a canvas beyond it comes from a broken request (a frame
// image of an absurd shape), not from a resolution anyone exports. Said before anything is
// composed or written, with the limit, rather than left to an encoder or a PNG writer that fails
// at the end.
inline constexpr std::int64_t kMaxCanvasSide = 8192;

struct CanvasSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool operator==(const CanvasSize&) const = default;
};

// width / (imageWidth / imageHeight), rounded half away from zero, at least 2, and made even by
// adding 1 (video encoders need even sizes). 0 when either image dimension is not positive.
std::int64_t canvasHeightForFrame(std::int64_t width, int imageWidth, int imageHeight);

// With no frame (or an empty one) the canvas is 1280x720, 1920x1080 or 2560x1440.
CanvasSize canvasSize(ExportResolution resolution, const Image* trimmedFrame);

}  // namespace kestro
