#pragma once
// The output container. The raw value doubles as the output file's extension.

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class ExportFormat {
    mp4,   // composited over a background, H.264 + AAC
    mov,   // ProRes 4444 with alpha, video only
    gif,   // one palette per export, loops forever; transparent where the background is
    webm,  // VP9 (with alpha when the background is transparent) + Opus
};

const std::array<ExportFormat, 4>& allExportFormats();
std::string_view rawValue(ExportFormat format);
std::optional<ExportFormat> exportFormatFromRaw(std::string_view raw);
// "MP4", "MOV", "GIF", "WebM".
std::string_view label(ExportFormat format);

}  // namespace kestro
