#include "core/model/image.hpp"

#include <algorithm>

namespace kestro {

Image Image::filled(int width, int height, Rgba colour) {
    Image image;
    if (width <= 0 || height <= 0) return image;
    image.width = width;
    image.height = height;
    image.rgba.resize(image.byteCount());
    image.fillRect(0, 0, width, height, colour);
    return image;
}

void Image::fillRect(int x0, int y0, int w, int h, Rgba colour) {
    const int left = std::max(x0, 0);
    const int top = std::max(y0, 0);
    const int right = std::min(x0 + w, width);
    const int bottom = std::min(y0 + h, height);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) set(x, y, colour);
    }
}

}  // namespace kestro
