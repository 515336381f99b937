#include "core/model/app_store_preset.hpp"

#include "core/model/enum_table.hpp"

#include <utility>

namespace kestro {

namespace {

struct PresetRow {
    AppStorePreset value;
    std::string_view raw;
    std::string_view label;
    PresetSize portrait;
};

constexpr std::array<PresetRow, 3> kPresets{{
    {AppStorePreset::iphone, "app-store-iphone", "App Store iPhone (886×1920)", {886, 1920}},
    {AppStorePreset::iphone55,
     "app-store-iphone-5.5",
     "App Store iPhone 5.5\" (1080×1920)",
     {1080, 1920}},
    {AppStorePreset::ipad, "app-store-ipad", "App Store iPad (1200×1600)", {1200, 1600}},
}};
static_assert(enum_table::inDeclarationOrder(kPresets));
constexpr auto kAllAppStorePresets = enum_table::values(kPresets);

}  // namespace

const std::array<AppStorePreset, 3>& allAppStorePresets() {
    return kAllAppStorePresets;
}
std::string_view rawValue(AppStorePreset preset) {
    return enum_table::row(kPresets, preset).raw;
}
std::string_view label(AppStorePreset preset) {
    return enum_table::row(kPresets, preset).label;
}

std::optional<AppStorePreset> appStorePresetFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kPresets, raw);
}

PresetSize appStorePreviewSize(AppStorePreset preset, bool landscape) {
    PresetSize size = enum_table::row(kPresets, preset).portrait;
    if (landscape) std::swap(size.width, size.height);
    return size;
}

}  // namespace kestro
