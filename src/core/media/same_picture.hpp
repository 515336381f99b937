#pragma once
// Whether two decoded pictures are the same picture: a recorder that writes a frame on every
// tick while the screen stands still (or a variable-rate one that sends a keep-alive frame)
// decodes to pixels identical to the previous frame's, and an export need not scale, compose
// or encode those again.

extern "C" {
#include <libavutil/frame.h>
}

namespace kestro {

// True when both are in system memory with the same format, size, cropping, pixel aspect and
// colour tags, and every sample of every plane is equal (the padding beyond a row's width is not
// looked at). Pictures in device memory or with a palette are never called the same. Stops at
// the first differing row, so pictures that differ near their top cost next to nothing.
bool samePicture(const AVFrame& a, const AVFrame& b);

}  // namespace kestro
