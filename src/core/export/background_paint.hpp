#pragma once
// How a background fills the canvas, pixel by pixel: the geometry of the linear gradient and of
// the cover fit of a picture. Pure functions, so the export and the preview paint alike.

#include "core/export/background_fill.hpp"
#include "core/export/render_geometry.hpp"

#include <array>

namespace kestro {

// Where along a gradient of `angleDegrees` (CSS: 0 runs to the top, 90 to the right) the centre
// of canvas pixel (x, y) lies, top-left origin: 0 at the start colour, 1 at the end. As in CSS
// the gradient line is long enough that the two corners it runs between get exactly the two
// colours. A non-finite angle counts as 180.
double gradientPosition(double angleDegrees, int x, int y, double width, double height);

// The premultiplied RGBA (0 to 1) of a "color" or "gradient" background at canvas pixel (x, y);
// transparent black for anything else. Gradients interpolate premultiplied colours, as CSS
// does, so a fade to transparent does not darken.
std::array<float, 4> backgroundAt(const BackgroundFill& fill, int x, int y, double width,
                                  double height);

// Where a picture of imageWidth x imageHeight is drawn to cover the canvas, centred, keeping its
// shape (top-left origin). Empty for an empty picture.
CanvasRect coverRect(double imageWidth, double imageHeight, double canvasWidth,
                     double canvasHeight);

}  // namespace kestro
