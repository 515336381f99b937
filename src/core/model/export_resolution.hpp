#pragma once
// The output size class: fixes the canvas width; the height follows the frame image's aspect.

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class ExportResolution {
    hd720p,    // "720p"
    hd1080p,   // "1080p"
    qhd1440p,  // "1440p"
};

const std::array<ExportResolution, 3>& allExportResolutions();
std::string_view rawValue(ExportResolution resolution);
std::optional<ExportResolution> exportResolutionFromRaw(std::string_view raw);
// "HD 720p (1280×720)" and so on, with the multiplication sign.
std::string_view label(ExportResolution resolution);
// 1280, 1920, 2560.
int canvasWidth(ExportResolution resolution);
// 720, 1080, 1440: the canvas height when there is no usable frame image.
int heightWithoutFrame(ExportResolution resolution);

}  // namespace kestro
