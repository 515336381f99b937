#include "core/export/fixed_canvas_layout.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

Result<CanvasLayout, std::string> layoutFixedCanvas(std::int64_t width, std::int64_t height,
                                                    double paddingPercent, VideoSize content) {
    if (!(paddingPercent >= 0) || !std::isfinite(paddingPercent)) {
        return fail(std::string("The padding must be a percentage of 0 or more."));
    }
    const bool usable = content.width > 0 && content.height > 0 && std::isfinite(content.width) &&
                        std::isfinite(content.height);
    const double a = usable ? content.width / content.height : 16.0 / 9.0;
    const double W = static_cast<double>(width);
    const double H = static_cast<double>(height);
    const double pad = paddingPercent / 100 * std::min(W, H);
    const double boxW = W - 2 * pad;
    const double boxH = H - 2 * pad;
    if (!(boxW >= 2 && boxH >= 2)) {
        return fail(
            std::string("The padding leaves no room for the device on the canvas; choose a "
                        "smaller padding."));
    }
    const double dh = std::min(boxW / a, boxH);
    const double dw = dh * a;
    CanvasLayout layout;
    layout.width = width;
    layout.height = height;
    layout.device = {(W - dw) / 2, (H - dh) / 2, dw, dh};
    return layout;
}

}  // namespace kestro
