#pragma once
// JPEG files into Image, through libavcodec's own JPEG decoder (no extra library: the export
// already links it).

#include "core/model/image.hpp"

#include <filesystem>
#include <optional>

namespace kestro {

// Any JPEG libavcodec decodes (baseline, progressive, grey, 4:4:4 to 4:2:0) as straight opaque
// RGBA, turned and mirrored as its EXIF orientation says, the way photo viewers show it. A file
// that is not a JPEG or is damaged, or a picture wider or taller than kMaxPngDimension, gives
// none; the decoder is told the pixel limit up front, so a hostile header never makes it
// allocate a huge picture.
std::optional<Image> loadJpeg(const std::filesystem::path& path);

}  // namespace kestro
