#include "core/export/background_fill.hpp"

namespace kestro {

namespace {

// NaN alpha cannot be drawn; treat it like no colour rather than as opaque.
bool seeThrough(const FillColour& c) {
    return !(c.alpha > kTransparentAlphaLimit);
}

}  // namespace

bool BackgroundFill::isTransparent() const {
    if (const FillColour* c = asColour()) return seeThrough(*c);
    if (const LinearGradient* g = asGradient()) return seeThrough(g->from) && seeThrough(g->to);
    return false;
}

BackgroundFill BackgroundFill::transparent() { return BackgroundFill{}; }
BackgroundFill BackgroundFill::white() { return color(1, 1, 1, 1); }
BackgroundFill BackgroundFill::black() { return color(0, 0, 0, 1); }

BackgroundFill BackgroundFill::color(double red, double green, double blue, double alpha) {
    return BackgroundFill{FillColour{red, green, blue, alpha}};
}

BackgroundFill BackgroundFill::gradient(const FillColour& from, const FillColour& to,
                                        double angleDegrees) {
    return BackgroundFill{LinearGradient{from, to, angleDegrees}};
}

BackgroundFill BackgroundFill::image(std::string path) {
    return BackgroundFill{BackgroundPicture{std::move(path)}};
}

}  // namespace kestro
