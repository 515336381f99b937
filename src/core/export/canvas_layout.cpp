#include "core/export/canvas_layout.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

// Rounded, at least 2, and made even by adding 1: encoders need even sizes.
std::int64_t evenSide(double exact) {
    std::int64_t side = std::llround(exact);
    if (side < 2) side = 2;
    if (side % 2 != 0) side += 1;
    return side;
}

}  // namespace

double effectivePadding(CanvasAspect aspect, std::optional<double> paddingPercent) {
    if (paddingPercent) return *paddingPercent;
    return aspect == CanvasAspect::frame ? 0.0 : kDefaultFixedAspectPadding;
}

Result<CanvasLayout, std::string> layoutCanvas(std::int64_t width, CanvasAspect aspect,
                                               double paddingPercent, VideoSize content) {
    if (!(paddingPercent >= 0) || !std::isfinite(paddingPercent)) {
        return fail(std::string("The padding must be a percentage of 0 or more."));
    }
    const bool usable = content.width > 0 && content.height > 0 && std::isfinite(content.width) &&
                        std::isfinite(content.height);
    const double a = usable ? content.width / content.height : 16.0 / 9.0;
    const double p = paddingPercent / 100;
    const double w = static_cast<double>(std::max<std::int64_t>(width, 2));

    CanvasLayout layout;
    layout.width = static_cast<std::int64_t>(w);
    if (const auto ratio = fixedRatio(aspect)) {
        layout.height = evenSide(w / *ratio);
    } else if (p == 0) {
        layout.height = evenSide(w / a);
    } else {
        // The content plus the same padding on every side, the padding measured on the shorter
        // side of the canvas that results: a portrait content makes a portrait canvas.
        const double q = std::min(p, 0.5);
        layout.height =
            evenSide(a <= 1 ? w * ((1 - 2 * q) / a + 2 * q) : w / (a * (1 - 2 * q) + 2 * q));
    }
    const double W = static_cast<double>(layout.width);
    const double H = static_cast<double>(layout.height);
    const double pad = p * std::min(W, H);
    const double boxW = W - 2 * pad;
    const double boxH = H - 2 * pad;
    if (!(boxW >= 2 && boxH >= 2)) {
        return fail(
            std::string("The padding leaves no room for the device on the canvas; choose "
                        "a smaller padding."));
    }
    if (!fixedRatio(aspect)) {
        // The canvas was made from the content's shape: the box is the content, up to the
        // rounding of the height to whole even pixels.
        layout.device = {pad, pad, boxW, boxH};
        return layout;
    }
    const double s = std::min(boxW / a, boxH);  // the device's height
    const double dw = s * a;
    const double dh = s;
    layout.device = {(W - dw) / 2, (H - dh) / 2, dw, dh};
    return layout;
}

CanvasRect canvasPixels(const ScreenRect& r, double canvasWidth, double canvasHeight) {
    return {r.x / 100 * canvasWidth, r.y / 100 * canvasHeight, r.w / 100 * canvasWidth,
            r.h / 100 * canvasHeight};
}

ScreenRect canvasPercent(const CanvasRect& r, double canvasWidth, double canvasHeight) {
    return {r.x / canvasWidth * 100, r.y / canvasHeight * 100, r.w / canvasWidth * 100,
            r.h / canvasHeight * 100};
}

ScreenRect devicePercent(const CanvasLayout& layout) {
    const double H = static_cast<double>(layout.height);
    return canvasPercent(toTopLeftOrigin(layout.device, H), static_cast<double>(layout.width), H);
}

ScreenRect deviceToCanvas(const ScreenRect& inDevice, const ScreenRect& device) {
    return {device.x + inDevice.x / 100 * device.w, device.y + inDevice.y / 100 * device.h,
            inDevice.w / 100 * device.w, inDevice.h / 100 * device.h};
}

}  // namespace kestro
