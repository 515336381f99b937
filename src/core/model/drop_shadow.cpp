#include "core/model/drop_shadow.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestro {

void boxBlurSamples(std::uint8_t* data, int width, int height, std::ptrdiff_t rowStride, int step,
                    int radius) {
    if (radius < 1 || width <= 0 || height <= 0 || data == nullptr) return;
    std::vector<int> line(static_cast<std::size_t>(std::max(width, height)));
    auto at = [&](int x, int y) -> std::uint8_t& {
        return data[static_cast<std::ptrdiff_t>(y) * rowStride +
                    static_cast<std::ptrdiff_t>(x) * step];
    };
    const int taps = 2 * radius + 1;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y) {
            int sum = 0;
            for (int x = -radius; x <= radius; ++x) sum += at(std::clamp(x, 0, width - 1), y);
            for (int x = 0; x < width; ++x) {
                line[static_cast<std::size_t>(x)] = sum / taps;
                sum += at(std::min(x + radius + 1, width - 1), y);
                sum -= at(std::max(x - radius, 0), y);
            }
            for (int x = 0; x < width; ++x) {
                at(x, y) = static_cast<std::uint8_t>(line[static_cast<std::size_t>(x)]);
            }
        }
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int y = -radius; y <= radius; ++y) sum += at(x, std::clamp(y, 0, height - 1));
            for (int y = 0; y < height; ++y) {
                line[static_cast<std::size_t>(y)] = sum / taps;
                sum += at(x, std::min(y + radius + 1, height - 1));
                sum -= at(x, std::max(y - radius, 0));
            }
            for (int y = 0; y < height; ++y) {
                at(x, y) = static_cast<std::uint8_t>(line[static_cast<std::size_t>(y)]);
            }
        }
    }
}

int shadowBoxRadius(double blur) {
    if (!(blur > 0)) return 1;
    return std::max(1, static_cast<int>(std::ceil(blur)) / 2);
}

int dropShadowMargin(double blur) {
    if (!(blur > 0)) return 2;
    return static_cast<int>(std::ceil(blur)) * 2 + 2;
}

Image dropShadow(const Image& source, double blur, Rgba colour) {
    if (!source.isWellFormed()) return {};
    const int margin = dropShadowMargin(blur);
    Image out = Image::filled(source.width + 2 * margin, source.height + 2 * margin,
                              Rgba{colour.r, colour.g, colour.b, 0});
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x)
            out.pixel(x + margin, y + margin)[3] = source.alpha(x, y);
    }
    boxBlurSamples(out.rgba.data() + 3, out.width, out.height,
                   static_cast<std::ptrdiff_t>(out.stride()), 4, shadowBoxRadius(blur));
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            std::uint8_t* p = out.pixel(x, y);
            p[3] = static_cast<std::uint8_t>(p[3] * colour.a / 255);
        }
    }
    return out;
}

}  // namespace kestro
