#include "core/model/google_play_preset.hpp"

#include "core/model/enum_table.hpp"

#include <utility>

namespace kestro {

namespace {

struct PresetRow {
    GooglePlayPreset value;
    std::string_view raw;
    std::string_view label;
    PresetSize portrait;
    bool still;
};

constexpr std::array<PresetRow, 2> kPresets{{
    {GooglePlayPreset::promo,
     "play-promo",
     "Google Play promo video (1080×1920)",
     {1080, 1920},
     false},
    {GooglePlayPreset::featureGraphic,
     "play-feature-graphic",
     "Google Play feature graphic (1024×500)",
     {1024, 500},
     true},
}};
static_assert(enum_table::inDeclarationOrder(kPresets));
constexpr auto kAllGooglePlayPresets = enum_table::values(kPresets);

}  // namespace

const std::array<GooglePlayPreset, 2>& allGooglePlayPresets() {
    return kAllGooglePlayPresets;
}
std::string_view rawValue(GooglePlayPreset preset) {
    return enum_table::row(kPresets, preset).raw;
}
std::optional<GooglePlayPreset> googlePlayPresetFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kPresets, raw);
}
std::string_view label(GooglePlayPreset preset) {
    return enum_table::row(kPresets, preset).label;
}
bool isStill(GooglePlayPreset preset) {
    return enum_table::row(kPresets, preset).still;
}

PresetSize googlePlaySize(GooglePlayPreset preset, bool landscape) {
    PresetSize size = enum_table::row(kPresets, preset).portrait;
    if (landscape && preset == GooglePlayPreset::promo) std::swap(size.width, size.height);
    return size;
}

}  // namespace kestro
