#pragma once
// The Google Play listing's media: the promo video (uploaded to YouTube and linked from the
// listing) and the feature graphic at the top of the listing. Unlike App Store previews both keep
// the device frame: they are shown as marketing pictures, not as the app itself.

#include "core/model/app_store_preset.hpp"  // PresetSize

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class GooglePlayPreset {
    promo,           // "play-promo": 1080 x 1920, 1920 x 1080 for a landscape recording
    featureGraphic,  // "play-feature-graphic": 1024 x 500 PNG without alpha
};

const std::array<GooglePlayPreset, 2>& allGooglePlayPresets();
std::string_view rawValue(GooglePlayPreset preset);
std::optional<GooglePlayPreset> googlePlayPresetFromRaw(std::string_view raw);
// "Google Play promo video (1080×1920)" and so on.
std::string_view label(GooglePlayPreset preset);
// True for the feature graphic: a still picture, not a movie.
bool isStill(GooglePlayPreset preset);

// The canvas for a recording of the given shape: the promo video turns landscape with a
// landscape recording, the feature graphic is always the listing's banner.
PresetSize googlePlaySize(GooglePlayPreset preset, bool landscape);

}  // namespace kestro
