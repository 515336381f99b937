// PNG loading: any bytes give an image whose pixels fill exactly its size, or none.

#include "core/model/png.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto image = kestro::decodePng(data, size);
    if (image) {
        if (image->width <= 0 || image->height <= 0 || image->width > kestro::kMaxPngDimension ||
            image->height > kestro::kMaxPngDimension ||
            image->rgba.size() != static_cast<std::size_t>(image->width) *
                                      static_cast<std::size_t>(image->height) * 4) {
            std::abort();
        }
    }
    return 0;
}
