#include "core/export/feature_graphic.hpp"

#include "core/model/png.hpp"

#include <cstdint>

namespace kestro {

Result<Done, std::string> saveFeatureGraphic(const Image& picture,
                                             const std::filesystem::path& path) {
    Image flat = picture;
    // Over black, a straight colour keeps alpha's share of itself.
    for (std::size_t i = 0; i + 3 < flat.rgba.size(); i += 4) {
        const unsigned alpha = flat.rgba[i + 3];
        for (std::size_t c = 0; c < 3; ++c) {
            flat.rgba[i + c] = static_cast<std::uint8_t>((flat.rgba[i + c] * alpha + 127) / 255);
        }
        flat.rgba[i + 3] = 255;
    }
    return savePng(flat, path, PngAlpha::drop);
}

}  // namespace kestro
