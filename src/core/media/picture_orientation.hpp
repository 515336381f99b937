#pragma once
// Pictures stored other than upright: cameras and phones write the sensor's rows as they come
// and note in the file how to show them (the EXIF orientation, 1 to 8). libavcodec's JPEG
// decoder hands that note on as a display matrix; these turn it back into the picture a photo
// viewer shows.

#include "core/model/image.hpp"

#include <cstddef>
#include <cstdint>

namespace kestro {

// The EXIF orientation a display matrix (nine 16.16/2.30 fixed-point values, as libavutil
// writes them) describes: 1 upright, 2 mirrored left to right, 3 turned half round, 4 mirrored
// top to bottom, 5 mirrored about the main diagonal, 6 to be turned a quarter clockwise,
// 7 mirrored about the other diagonal, 8 to be turned a quarter counter-clockwise. A null
// matrix, or one that is no quarter turn or mirror, gives 1.
int exifOrientation(const std::int32_t* matrix);

// The `width` x `height` RGBA pixels at `rows` (rows `linesize` bytes apart) as they are shown
// with `orientation`; orientations 5 to 8 swap width and height. Any other value copies the
// pixels as stored.
Image uprightCopy(const std::uint8_t* rows, std::ptrdiff_t linesize, int width, int height,
                  int orientation);

}  // namespace kestro
