#pragma once
// PNG files to and from Image, through libpng.

#include "core/model/image.hpp"
#include "core/result.hpp"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kestro {

// Largest width or height accepted from a PNG header; anything above is treated as hostile.
inline constexpr int kMaxPngDimension = 16384;

// Any colour type and bit depth (palette, grey, grey + alpha, 16-bit, interlaced, tRNS) comes out
// as straight 8-bit RGBA. A file that is not a PNG, is truncated or damaged, or whose header
// claims more pixels than the limit above or than its size could possibly hold gives none.
std::optional<Image> loadPng(const std::filesystem::path& path);
// The same from the file's bytes in memory.
std::optional<Image> decodePng(const std::uint8_t* data, std::size_t size);

// Writes 8-bit RGBA with alpha, or with `PngAlpha::drop` 8-bit RGB without an alpha channel
// (the colour values as they are: flatten the image first if it has see-through pixels). The
// file is written next to the destination under a temporary name and renamed over it only when
// complete, so a failure never leaves a half-written file.
enum class PngAlpha { keep, drop };
Result<Done, std::string> savePng(const Image& image, const std::filesystem::path& path,
                                  PngAlpha alpha = PngAlpha::keep);

}  // namespace kestro
