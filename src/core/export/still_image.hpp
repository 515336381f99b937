#pragma once
// One framed picture instead of a movie: a screenshot put into the frame, or one moment of a
// recording (for poster frames and store screenshots). Drawn by the export's own compositor in
// its alpha-keeping order, so a still looks exactly like the movie's picture at that moment,
// background, shadow and transparency included. Safe on any thread; holds nothing between calls.

#include "core/export/export_config.hpp"
#include "core/model/image.hpp"
#include "core/result.hpp"

#include <filesystem>
#include <string>

namespace kestro {

// The still's file kinds, from the output's extension: .png keeps transparency, .jpg / .jpeg
// is flattened over black.
enum class StillFormat { png, jpeg };
std::optional<StillFormat> stillFormatFromExtension(const std::filesystem::path& path);
// Whether a path names a picture the exporter reads as a screenshot (.png, .jpg, .jpeg).
bool isStillPicture(const std::filesystem::path& path);

// A PNG or JPEG screenshot, decoded; an error for people when it cannot be read.
Result<Image, std::string> loadScreenshot(const std::filesystem::path& path);

// The framed picture of `screenshot` on the canvas `config` describes (its trim and frame
// rate do not apply), as straight RGBA. `frame` is the trimmed frame image, or null.
Result<Image, std::string> renderStill(const Image& screenshot, const ExportConfig& config,
                                       const Image* frame);

// The same for the recording's picture shown at `seconds` (the latest at or before it; the
// last one past the end).
Result<Image, std::string> renderMovieStill(const std::filesystem::path& movie, double seconds,
                                            const ExportConfig& config, const Image* frame);

// Writes the picture, replacing `path` only when complete.
Result<Done, std::string> saveStill(const Image& image, const std::filesystem::path& path);

}  // namespace kestro
