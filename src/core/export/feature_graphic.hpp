#pragma once
// The Google Play feature graphic is a still of the canvas, but the listing refuses a PNG that
// carries an alpha channel, even a fully opaque one: it is written as RGB.

#include "core/model/image.hpp"
#include "core/result.hpp"

#include <filesystem>
#include <string>

namespace kestro {

// Writes `picture` (straight RGBA) flattened over black as an RGB PNG, replacing `path` only
// when complete.
Result<Done, std::string> saveFeatureGraphic(const Image& picture,
                                             const std::filesystem::path& path);

}  // namespace kestro
