#pragma once
// The canvas background of an export: a colour, or nothing at all. Components are 0 to 1 in
// device RGB, not premultiplied.

#include <string>

namespace kestro {

struct BackgroundFill {
    std::string kind = "transparent";  // "transparent" or "color"
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;

    // A colour with (almost) no alpha is drawn as no background at all, so every renderer gives
    // the same answer for ("color", r, g, b, 0) as for "transparent".
    bool isTransparent() const;

    static BackgroundFill transparent();
    static BackgroundFill white();
    static BackgroundFill black();
    static BackgroundFill color(double red, double green, double blue, double alpha = 1.0);

    bool operator==(const BackgroundFill&) const = default;
};

// Alpha at or below this counts as transparent.
inline constexpr double kTransparentAlphaLimit = 0.001;

}  // namespace kestro
