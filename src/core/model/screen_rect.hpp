#pragma once
// Where the screen opening of a device frame lies, in percent of the frame image (or canvas).
// x and w are percent of the width, y and h percent of the height; y is the distance of the
// opening's lower edge from the bottom edge, as every renderer reads it.

#include <nlohmann/json_fwd.hpp>

namespace kestro {

struct ScreenRect {
    double x = 9;
    double y = 6;
    double w = 82;
    double h = 88;

    bool operator==(const ScreenRect&) const = default;
};

// The rectangle every preset falls back to: symmetric, 6% above and below the opening.
inline constexpr ScreenRect kDefaultScreenRect{9, 6, 82, 88};

void to_json(nlohmann::json& j, const ScreenRect& r);
void from_json(const nlohmann::json& j, ScreenRect& r);

}  // namespace kestro
