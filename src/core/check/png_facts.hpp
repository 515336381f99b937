#pragma once
// What a PNG file is, from its header: the size and whether it can carry transparency (an
// alpha channel or a transparent palette or colour entry), and whether its pixels decode.
// Stores refuse a feature graphic with alpha even when every pixel is opaque, so the header
// decides, not the pixels.

#include "core/result.hpp"

#include <filesystem>
#include <string>

namespace kestro {

struct PngFacts {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    bool alpha = false;      // an alpha channel or a tRNS chunk
    bool decodable = false;  // every row decoded
};

// Fails, with a message for people, for a missing file or one that is not a PNG.
Result<PngFacts, std::string> readPngFacts(const std::filesystem::path& path);

}  // namespace kestro
