#include "core/export/canvas_size.hpp"

#include <cmath>

namespace kestro {

std::int64_t canvasHeightForFrame(std::int64_t width, int imageWidth, int imageHeight) {
    if (imageWidth <= 0 || imageHeight <= 0) return 0;
    const double aspect = static_cast<double>(imageWidth) / static_cast<double>(imageHeight);
    std::int64_t height = std::llround(static_cast<double>(width) / aspect);
    if (height < 2) height = 2;
    if (height % 2 != 0) height += 1;
    return height;
}

CanvasSize canvasSize(ExportResolution resolution, const Image* trimmedFrame) {
    const std::int64_t width = canvasWidth(resolution);
    if (trimmedFrame == nullptr || trimmedFrame->width <= 0 || trimmedFrame->height <= 0) {
        return {width, heightWithoutFrame(resolution)};
    }
    return {width, canvasHeightForFrame(width, trimmedFrame->width, trimmedFrame->height)};
}

}  // namespace kestro
