#pragma once
// The soft drop shadow a picture casts, shared by the preview and the export so both draw the
// same one: the picture's alpha, blurred by three passes of a box blur (close enough to a
// Gaussian for a shadow, and linear in the size whatever the radius), in one colour.

#include "core/model/image.hpp"

#include <cstddef>
#include <cstdint>

namespace kestro {

// Blurs, in place, the 8-bit samples at data + y * rowStride + x * step for x < width, y <
// height; samples past an edge repeat the edge. A radius below 1 leaves them as they are.
void boxBlurSamples(std::uint8_t* data, int width, int height, std::ptrdiff_t rowStride, int step,
                    int radius);

// The box radius a blur of `blur` pixels uses, and the room the shadow needs around the picture
// so the blur is not cut off.
int shadowBoxRadius(double blur);
int dropShadowMargin(double blur);

// The shadow of `source`: straight RGBA of `colour` whose alpha is the source's alpha blurred
// by `blur` pixels and scaled by the colour's alpha. The result is larger than the source by
// dropShadowMargin(blur) on every side; draw it at the source's position minus that margin,
// plus the shadow's offset.
Image dropShadow(const Image& source, double blur, Rgba colour);

}  // namespace kestro
