#pragma once
// The picture of an "image" background, read from a PNG or a JPEG file.

#include "core/model/image.hpp"
#include "core/result.hpp"

#include <filesystem>
#include <string>

namespace kestro {

// Straight RGBA of the file, told apart by its contents, not its name. Bounded as frame images
// are (kMaxPngDimension per side). Fails with a message naming the file when it is missing,
// neither a PNG nor a JPEG, damaged, or too large.
Result<Image, std::string> loadBackgroundImage(const std::filesystem::path& path);

}  // namespace kestro
