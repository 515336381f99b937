#include "core/export/background_fill.hpp"

namespace kestro {

bool BackgroundFill::isTransparent() const {
    // NaN alpha cannot be drawn; treat it like no colour rather than as opaque.
    return kind == "transparent" || !(alpha > kTransparentAlphaLimit);
}

BackgroundFill BackgroundFill::transparent() { return {"transparent", 0, 0, 0, 0}; }
BackgroundFill BackgroundFill::white() { return {"color", 1, 1, 1, 1}; }
BackgroundFill BackgroundFill::black() { return {"color", 0, 0, 0, 1}; }

BackgroundFill BackgroundFill::color(double red, double green, double blue, double alpha) {
    return {"color", red, green, blue, alpha};
}

}  // namespace kestro
