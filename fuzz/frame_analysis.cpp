// Frame analysis on any decoded image: trimming, opening detection and the opening's mask.
//
// The input is a picture, not a file: two bytes give its width and height (1 to 256), the rest
// its RGBA pixels, repeated to fill it. Most fuzzed bytes then reach the analysis itself rather
// than a decoder's checks.

#include "core/model/frame_image.hpp"
#include "core/model/image.hpp"
#include "core/model/screen_mask.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    kestro::Image image;
    image.width = data[0] + 1;
    image.height = data[1] + 1;
    const std::size_t bytes =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
    image.rgba.resize(bytes, 0);
    if (size > 2) {
        for (std::size_t i = 0; i < bytes; ++i) image.rgba[i] = data[2 + i % (size - 2)];
    }

    const kestro::Image trimmed = kestro::trimTransparentBorders(image);
    check(trimmed.width >= 0 && trimmed.height >= 0 && trimmed.width <= image.width &&
          trimmed.height <= image.height);
    check(trimmed.rgba.size() ==
          static_cast<std::size_t>(trimmed.width) * static_cast<std::size_t>(trimmed.height) * 4);

    for (const kestro::Image* picture : {&std::as_const(image), &trimmed}) {
        if (const auto rect = kestro::detectScreenRect(*picture)) {
            check(rect->x >= 0 && rect->y >= 0 && rect->w > 0 && rect->h > 0 &&
                  rect->x + rect->w <= 100.0001 && rect->y + rect->h <= 100.0001);
        }
        if (const auto mask = kestro::screenOpeningMask(*picture)) {
            check(mask->width == picture->width && mask->height == picture->height);
            check(mask->rgba.size() == picture->rgba.size());
        }
    }
    return 0;
}
