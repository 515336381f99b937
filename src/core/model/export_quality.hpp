#pragma once
// How hard the encoder works: a quick look, the everyday setting, or the best the format gives.
// Every output format maps the three tiers onto its own encoder settings (encoder_tuning.hpp).

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class ExportQuality {
    draft,     // fast to make, for checking the framing
    standard,  // the default
    best,      // slow, for the final cut
};

const std::array<ExportQuality, 3>& allExportQualities();
std::string_view rawValue(ExportQuality quality);
std::optional<ExportQuality> exportQualityFromRaw(std::string_view raw);
// "Draft", "Standard", "Best".
std::string_view label(ExportQuality quality);

}  // namespace kestro
