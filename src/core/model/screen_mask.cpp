#include "core/model/screen_mask.hpp"

namespace kestro {

std::optional<Image> screenOpeningMask(const Image& trimmedFrame) {
    if (!trimmedFrame.isWellFormed()) return std::nullopt;
    Image mask = trimmedFrame;
    for (std::size_t i = 3; i < mask.rgba.size(); i += 4) {
        mask.rgba[i] = static_cast<std::uint8_t>(255 - mask.rgba[i]);
    }
    return mask;
}

}  // namespace kestro
