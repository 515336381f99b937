#pragma once
// The canvas background of an export: nothing at all, a colour, a linear gradient between two
// colours, or a picture. Components are 0 to 1 in device RGB, not premultiplied.

#include <string>

namespace kestro {

struct BackgroundFill {
    std::string kind = "transparent";  // "transparent", "color", "gradient" or "image"
    // The colour, or where the gradient starts.
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;
    // Where the gradient ends, and its direction in degrees as CSS reads it: 0 runs to the top,
    // 90 to the right, 180 to the bottom.
    double endRed = 0;
    double endGreen = 0;
    double endBlue = 0;
    double endAlpha = 0;
    double angle = 180;
    // A PNG or JPEG file, scaled to cover the canvas and centred.
    std::string imagePath;

    // A colour with (almost) no alpha is drawn as no background at all, so every renderer gives
    // the same answer for ("color", r, g, b, 0) as for "transparent"; so is a gradient whose two
    // colours both are. A picture never counts as transparent, whatever its pixels.
    bool isTransparent() const;

    static BackgroundFill transparent();
    static BackgroundFill white();
    static BackgroundFill black();
    static BackgroundFill color(double red, double green, double blue, double alpha = 1.0);
    // From the colour `from` (its red, green, blue and alpha) to the colour `to`.
    static BackgroundFill gradient(const BackgroundFill& from, const BackgroundFill& to,
                                   double angleDegrees = 180);
    static BackgroundFill image(std::string path);

    bool operator==(const BackgroundFill&) const = default;
};

// Alpha at or below this counts as transparent.
inline constexpr double kTransparentAlphaLimit = 0.001;

}  // namespace kestro
