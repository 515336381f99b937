#pragma once
// Turning one picture plane by a quarter, half or three quarters, for recordings whose
// stored picture is not upright. T is the sample type: one byte or one 16-bit sample of a
// planar format, or a whole packed RGBA pixel as uint32_t.

#include <cstddef>
#include <cstdint>

namespace kestro {

// Copies the `sw` x `sh` samples at `src` (rows `srcLinesize` bytes apart) to `dst`, turned
// clockwise by `rotation` (90, 180 or 270) degrees; dst has the turned size (sh x sw for
// quarter turns). Rows of dst are `dstLinesize` bytes apart.
template <class T>
void rotatePlane(const std::uint8_t* src, std::ptrdiff_t srcLinesize, int sw, int sh,
                 std::uint8_t* dst, std::ptrdiff_t dstLinesize, int rotation) {
    auto in = [&](int x, int y) {
        return reinterpret_cast<const T*>(src + static_cast<std::ptrdiff_t>(y) * srcLinesize)[x];
    };
    const int dw = rotation == 180 ? sw : sh;
    const int dh = rotation == 180 ? sh : sw;
    for (int v = 0; v < dh; ++v) {
        T* row = reinterpret_cast<T*>(dst + static_cast<std::ptrdiff_t>(v) * dstLinesize);
        switch (rotation) {
            case 90:  // the left column becomes the top row
                for (int u = 0; u < dw; ++u) row[u] = in(v, sh - 1 - u);
                break;
            case 180:
                for (int u = 0; u < dw; ++u) row[u] = in(sw - 1 - u, sh - 1 - v);
                break;
            default:  // 270: the left column becomes the bottom row
                for (int u = 0; u < dw; ++u) row[u] = in(sw - 1 - v, u);
                break;
        }
    }
}

}  // namespace kestro
