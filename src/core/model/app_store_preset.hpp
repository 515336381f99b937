#pragma once
// The App Store preview sizes. The store takes previews only at these exact sizes, without a
// device frame, so a preset fixes the canvas and leaves the frame out.

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class AppStorePreset {
    iphone,    // "app-store-iphone", 886 x 1920 (6.5" and 6.7" displays)
    iphone55,  // "app-store-iphone-5.5", 1080 x 1920
    ipad,      // "app-store-ipad", 1200 x 1600
};

const std::array<AppStorePreset, 3>& allAppStorePresets();
std::string_view rawValue(AppStorePreset preset);
std::optional<AppStorePreset> appStorePresetFromRaw(std::string_view raw);
// "App Store iPhone (886×1920)" and so on, with the multiplication sign.
std::string_view label(AppStorePreset preset);

struct PresetSize {
    int width = 0;
    int height = 0;
    bool operator==(const PresetSize&) const = default;
};

// The preview size for a recording of the given upright size: the portrait size, turned to
// landscape when the recording is wider than tall.
PresetSize appStorePreviewSize(AppStorePreset preset, bool landscape);

}  // namespace kestro
