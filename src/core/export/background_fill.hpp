#pragma once
// The canvas background of an export: a colour (no colour at all is a transparent one), a linear
// gradient between two colours, or a picture. Components are 0 to 1 in device RGB, not
// premultiplied. Names for the kinds ("gradient", "image", ...) exist only where choices are
// read or stored as text: the command line and the editor's preferences.

#include <string>
#include <variant>

namespace kestro {

struct FillColour {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;

    bool operator==(const FillColour&) const = default;
};

struct LinearGradient {
    FillColour from;
    FillColour to;
    // The direction in degrees as CSS reads it: 0 runs to the top, 90 to the right, 180 to the
    // bottom.
    double angle = 180;

    bool operator==(const LinearGradient&) const = default;
};

// A PNG or JPEG file, scaled to cover the canvas and centred.
struct BackgroundPicture {
    std::string path;

    bool operator==(const BackgroundPicture&) const = default;
};

struct BackgroundFill {
    std::variant<FillColour, LinearGradient, BackgroundPicture> paint;

    // A colour with (almost) no alpha is drawn as no background at all, so every renderer gives
    // the same answer for it as for transparent(); so is a gradient whose two colours both are.
    // A picture never counts as transparent, whatever its pixels.
    bool isTransparent() const;

    // The paint when it is of that kind, else null.
    const FillColour* asColour() const { return std::get_if<FillColour>(&paint); }
    const LinearGradient* asGradient() const { return std::get_if<LinearGradient>(&paint); }
    const BackgroundPicture* asPicture() const { return std::get_if<BackgroundPicture>(&paint); }

    static BackgroundFill transparent();
    static BackgroundFill white();
    static BackgroundFill black();
    static BackgroundFill color(double red, double green, double blue, double alpha = 1.0);
    static BackgroundFill gradient(const FillColour& from, const FillColour& to,
                                   double angleDegrees = 180);
    static BackgroundFill image(std::string path);

    bool operator==(const BackgroundFill&) const = default;
};

// Alpha at or below this counts as transparent.
inline constexpr double kTransparentAlphaLimit = 0.001;

}  // namespace kestro
