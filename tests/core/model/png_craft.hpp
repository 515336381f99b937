#pragma once
// Builds PNG files byte by byte for the loader tests, independently of libpng: chunks with their
// CRCs, a zlib stream of stored (uncompressed) blocks, any colour type, bit depth and Adam7.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace kestro::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t crc32(const std::uint8_t* data, std::size_t size,
                           std::uint32_t crc = 0xFFFFFFFFu) {
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}

inline void putBE32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline void putChunk(Bytes& out, const char type[5], const Bytes& data) {
    putBE32(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBE32(out, crc32(typed.data(), typed.size()) ^ 0xFFFFFFFFu);
}

// A zlib stream holding `raw` in stored deflate blocks.
inline Bytes zlibStored(const Bytes& raw) {
    Bytes out{0x78, 0x01};
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        // Stored block header: the last-block bit, then LEN and its complement, little-endian.
        const auto byte = [](std::size_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
        out.insert(out.end(), {byte(last ? 1 : 0), byte(n), byte(n >> 8), byte(~n), byte(~n >> 8)});
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                   raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
    } while (pos < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBE32(out, (b << 16) | a);
    return out;
}

struct PngRecipe {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int bitDepth = 8;
    int colourType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    bool interlaced = false;
    Bytes palette;  // PLTE contents (RGB triples)
    Bytes trns;     // tRNS contents, written when not empty
    // The samples of pixel (x, y), one per channel, at the file's bit depth.
    std::function<std::vector<std::uint16_t>(std::uint32_t, std::uint32_t)> samples;
};

inline int channelCount(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

// Filter type 0 rows of the given pixels, samples packed most significant bit first.
inline void appendRows(Bytes& raw, const PngRecipe& recipe, std::uint32_t x0, std::uint32_t y0,
                       std::uint32_t dx, std::uint32_t dy) {
    const int channels = channelCount(recipe.colourType);
    for (std::uint32_t y = y0; y < recipe.height; y += dy) {
        if (x0 >= recipe.width) return;
        raw.push_back(0);
        std::uint32_t bitBuffer = 0;
        int bits = 0;
        for (std::uint32_t x = x0; x < recipe.width; x += dx) {
            const auto values = recipe.samples(x, y);
            for (int c = 0; c < channels; ++c) {
                const std::uint16_t v = values[static_cast<std::size_t>(c)];
                if (recipe.bitDepth == 16) {
                    raw.push_back(static_cast<std::uint8_t>(v >> 8));
                    raw.push_back(static_cast<std::uint8_t>(v & 0xFF));
                } else if (recipe.bitDepth == 8) {
                    raw.push_back(static_cast<std::uint8_t>(v));
                } else {
                    bitBuffer = (bitBuffer << recipe.bitDepth) | v;
                    bits += recipe.bitDepth;
                    if (bits == 8) {
                        raw.push_back(static_cast<std::uint8_t>(bitBuffer));
                        bitBuffer = 0;
                        bits = 0;
                    }
                }
            }
        }
        if (bits > 0) raw.push_back(static_cast<std::uint8_t>(bitBuffer << (8 - bits)));
    }
}

inline Bytes makePng(const PngRecipe& recipe) {
    Bytes raw;
    if (recipe.interlaced) {
        // Adam7: each pass's first column and row, then its column and row steps.
        constexpr std::uint32_t kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                                 {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2},
                                                 {0, 1, 1, 2}};
        for (const auto& p : kPasses) appendRows(raw, recipe, p[0], p[1], p[2], p[3]);
    } else {
        appendRows(raw, recipe, 0, 0, 1, 1);
    }
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    putBE32(ihdr, recipe.width);
    putBE32(ihdr, recipe.height);
    ihdr.insert(ihdr.end(), {static_cast<std::uint8_t>(recipe.bitDepth),
                             static_cast<std::uint8_t>(recipe.colourType), 0, 0,
                             static_cast<std::uint8_t>(recipe.interlaced ? 1 : 0)});
    putChunk(out, "IHDR", ihdr);
    if (!recipe.palette.empty()) putChunk(out, "PLTE", recipe.palette);
    if (!recipe.trns.empty()) putChunk(out, "tRNS", recipe.trns);
    putChunk(out, "IDAT", zlibStored(raw));
    putChunk(out, "IEND", {});
    return out;
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace kestro::testing
