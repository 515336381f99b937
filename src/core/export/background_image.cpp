#include "core/export/background_image.hpp"

#include "core/media/jpeg_image.hpp"
#include "core/model/png.hpp"

#include <array>
#include <fstream>

namespace kestro {

Result<Image, std::string> loadBackgroundImage(const std::filesystem::path& path) {
    const std::string named = "The background image \"" + path.string() + "\"";
    std::array<unsigned char, 3> head{};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return fail(named + " cannot be opened.");
        in.read(reinterpret_cast<char*>(head.data()), head.size());
    }
    std::optional<Image> image;
    if (head[0] == 0x89 && head[1] == 'P' && head[2] == 'N') {
        image = loadPng(path);
    } else if (head[0] == 0xFF && head[1] == 0xD8) {
        image = loadJpeg(path);
    } else {
        return fail(named + " is neither a PNG nor a JPEG.");
    }
    if (!image || !image->isWellFormed()) {
        return fail(named + " is damaged or larger than " + std::to_string(kMaxPngDimension) +
                    " pixels on a side.");
    }
    return std::move(*image);
}

}  // namespace kestro
