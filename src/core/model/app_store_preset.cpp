#include "core/model/app_store_preset.hpp"

#include <utility>

namespace kestro {

const std::array<AppStorePreset, 3>& allAppStorePresets() {
    static constexpr std::array<AppStorePreset, 3> kAll{
        AppStorePreset::iphone, AppStorePreset::iphone55, AppStorePreset::ipad};
    return kAll;
}

std::string_view rawValue(AppStorePreset preset) {
    switch (preset) {
        case AppStorePreset::iphone:
            return "app-store-iphone";
        case AppStorePreset::iphone55:
            return "app-store-iphone-5.5";
        case AppStorePreset::ipad:
            return "app-store-ipad";
    }
    return "app-store-iphone";
}

std::optional<AppStorePreset> appStorePresetFromRaw(std::string_view raw) {
    for (AppStorePreset preset : allAppStorePresets()) {
        if (rawValue(preset) == raw) return preset;
    }
    return std::nullopt;
}

std::string_view label(AppStorePreset preset) {
    switch (preset) {
        case AppStorePreset::iphone:
            return "App Store iPhone (886×1920)";
        case AppStorePreset::iphone55:
            return "App Store iPhone 5.5\" (1080×1920)";
        case AppStorePreset::ipad:
            return "App Store iPad (1200×1600)";
    }
    return "App Store iPhone (886×1920)";
}

PresetSize appStorePreviewSize(AppStorePreset preset, bool landscape) {
    PresetSize size;
    switch (preset) {
        case AppStorePreset::iphone:
            size = {886, 1920};
            break;
        case AppStorePreset::iphone55:
            size = {1080, 1920};
            break;
        case AppStorePreset::ipad:
            size = {1200, 1600};
            break;
    }
    if (landscape) std::swap(size.width, size.height);
    return size;
}

}  // namespace kestro
