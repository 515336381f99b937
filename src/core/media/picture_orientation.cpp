#include "core/media/picture_orientation.hpp"

#include <array>
#include <cstring>

namespace kestro {

namespace {

// -1, 0 or 1 for a 16.16 matrix entry that is a rotation's or mirror's cosine or sine.
int unitSign(std::int32_t value) {
    constexpr std::int32_t kHalf = 1 << 15;
    return value > kHalf ? 1 : value < -kHalf ? -1 : 0;
}

}  // namespace

int exifOrientation(const std::int32_t* matrix) {
    if (!matrix) return 1;
    // Only the 2 x 2 part matters; the translation and the projective column do not change
    // which way the picture is shown.
    const std::array<int, 4> signs{unitSign(matrix[0]), unitSign(matrix[1]), unitSign(matrix[3]),
                                   unitSign(matrix[4])};
    static constexpr std::array<std::array<int, 4>, 8> kMatrices{{
        {1, 0, 0, 1},
        {-1, 0, 0, 1},
        {-1, 0, 0, -1},
        {1, 0, 0, -1},
        {0, 1, 1, 0},
        {0, 1, -1, 0},
        {0, -1, -1, 0},
        {0, -1, 1, 0},
    }};
    for (std::size_t i = 0; i < kMatrices.size(); ++i) {
        if (kMatrices[i] == signs) return static_cast<int>(i) + 1;
    }
    return 1;
}

Image uprightCopy(const std::uint8_t* rows, std::ptrdiff_t linesize, int width, int height,
                  int orientation) {
    const bool swapped = orientation >= 5 && orientation <= 8;
    Image image = Image::filled(swapped ? height : width, swapped ? width : height);
    const auto stored = [&](int x, int y) {
        return rows + static_cast<std::ptrdiff_t>(y) * linesize +
               static_cast<std::ptrdiff_t>(x) * 4;
    };
    const int lastX = width - 1;
    const int lastY = height - 1;
    for (int v = 0; v < image.height; ++v) {
        std::uint8_t* out = image.pixel(0, v);
        if (orientation < 2 || orientation > 8) {
            std::memcpy(out, stored(0, v), image.stride());
            continue;
        }
        for (int u = 0; u < image.width; ++u, out += 4) {
            // (u, v) is where the pixel is shown; (x, y) where the file stores it.
            int x = u;
            int y = v;
            switch (orientation) {
                case 2:
                    x = lastX - u;
                    break;
                case 3:
                    x = lastX - u;
                    y = lastY - v;
                    break;
                case 4:
                    y = lastY - v;
                    break;
                case 5:
                    x = v;
                    y = u;
                    break;
                case 6:
                    x = v;
                    y = lastY - u;
                    break;
                case 7:
                    x = lastX - v;
                    y = lastY - u;
                    break;
                default:  // 8
                    x = lastX - v;
                    y = u;
                    break;
            }
            std::memcpy(out, stored(x, y), 4);
        }
    }
    return image;
}

}  // namespace kestro
