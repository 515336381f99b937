#pragma once
// The canvas background the user chooses for an export.

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class ExportBackground {
    transparent,  // MOV, WebM and GIF keep it; an MP4 gets whatever the encoder makes of no alpha
    white,
    black,
    custom,  // the user's colour
};

const std::array<ExportBackground, 4>& allExportBackgrounds();
std::string_view rawValue(ExportBackground background);
std::optional<ExportBackground> exportBackgroundFromRaw(std::string_view raw);
// "Transparent", "White", "Black", "Custom…" (one ellipsis character).
std::string_view label(ExportBackground background);

}  // namespace kestro
