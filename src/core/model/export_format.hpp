#pragma once
// The output container. The raw value doubles as the output file's extension.

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class ExportFormat {
    mp4,  // composited over a background, H.264 + AAC
    mov,  // ProRes 4444 with alpha, video only
};

const std::array<ExportFormat, 2>& allExportFormats();
std::string_view rawValue(ExportFormat format);
std::optional<ExportFormat> exportFormatFromRaw(std::string_view raw);
// "MP4", "MOV": the raw value in upper case.
std::string_view label(ExportFormat format);

}  // namespace kestro
