#pragma once
// A decoded picture: straight (not premultiplied) 8-bit RGBA, row-major, top row first,
// stride = width * 4. Plain data so every layer can read it without a wrapper.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestro {

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;

    bool operator==(const Rgba&) const = default;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    // An image of the given size filled with one colour (transparent black by default).
    static Image filled(int width, int height, Rgba colour = {});

    bool empty() const { return width <= 0 || height <= 0 || rgba.empty(); }
    std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
    std::size_t byteCount() const { return stride() * static_cast<std::size_t>(height); }
    // Not empty, and the buffer holds exactly width x height pixels.
    bool isWellFormed() const { return !empty() && rgba.size() == byteCount(); }

    // No bounds checks: callers iterate within width x height.
    std::uint8_t* pixel(int x, int y) { return rgba.data() + offset(x, y); }
    const std::uint8_t* pixel(int x, int y) const { return rgba.data() + offset(x, y); }
    std::uint8_t alpha(int x, int y) const { return pixel(x, y)[3]; }
    Rgba at(int x, int y) const {
        const std::uint8_t* p = pixel(x, y);
        return {p[0], p[1], p[2], p[3]};
    }
    void set(int x, int y, Rgba c) {
        std::uint8_t* p = pixel(x, y);
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        p[3] = c.a;
    }
    // Paints the rectangle [x0, x0 + w) x [y0, y0 + h), clipped to the image.
    void fillRect(int x0, int y0, int w, int h, Rgba colour);

    bool operator==(const Image&) const = default;

private:
    std::size_t offset(int x, int y) const {
        return static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x) * 4;
    }
};

}  // namespace kestro
