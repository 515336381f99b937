#include "core/export/background_fill.hpp"

namespace kestro {

bool BackgroundFill::isTransparent() const {
    // NaN alpha cannot be drawn; treat it like no colour rather than as opaque.
    if (kind == "image") return false;
    if (kind == "gradient") {
        return !(alpha > kTransparentAlphaLimit) && !(endAlpha > kTransparentAlphaLimit);
    }
    return kind == "transparent" || !(alpha > kTransparentAlphaLimit);
}

BackgroundFill BackgroundFill::transparent() { return BackgroundFill{}; }
BackgroundFill BackgroundFill::white() { return color(1, 1, 1, 1); }
BackgroundFill BackgroundFill::black() { return color(0, 0, 0, 1); }

BackgroundFill BackgroundFill::color(double red, double green, double blue, double alpha) {
    BackgroundFill fill;
    fill.kind = "color";
    fill.red = red;
    fill.green = green;
    fill.blue = blue;
    fill.alpha = alpha;
    return fill;
}

BackgroundFill BackgroundFill::gradient(const BackgroundFill& from, const BackgroundFill& to,
                                        double angleDegrees) {
    BackgroundFill fill = color(from.red, from.green, from.blue, from.alpha);
    fill.kind = "gradient";
    fill.endRed = to.red;
    fill.endGreen = to.green;
    fill.endBlue = to.blue;
    fill.endAlpha = to.alpha;
    fill.angle = angleDegrees;
    return fill;
}

BackgroundFill BackgroundFill::image(std::string path) {
    BackgroundFill fill;
    fill.kind = "image";
    fill.imagePath = std::move(path);
    return fill;
}

}  // namespace kestro
