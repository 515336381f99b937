#pragma once
// The device frames the user can choose from, built from the PNG frame images in the resources.

#include "core/model/screen_rect.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

struct FramePreset {
    std::string id;   // random UUID drawn per build; tells list rows apart, never persisted
    std::string key;  // stable identity: "<base>" (top level) or "Frames/<base>", or "custom"
    std::string label;
    std::optional<std::string> bundleImageName;  // equals key; none for "custom"
    ScreenRect defaultScreen = kDefaultScreenRect;
    // A PNG from one of the user's frames folders: key and image name are its absolute path,
    // and it sits in the "My frames" group whatever its label says.
    bool userFrame = false;
};

inline constexpr std::string_view kUserFramesGroup = "myframes";

struct FramePresetGroup {
    std::string id;
    std::string title;
    std::vector<FramePreset> presets;  // catalogue order
};

// Lists the "png" files at the top level of `resources`, then in its "Frames" folder, each
// sorted by file name and kept when the lower-cased name contains "iphone" and "portrait" but
// not "landscape", or (Android frames and tablets) has no "iphone", starts with "pixel",
// "galaxy" or "ipad" and has no "landscape"; sorts them by catalogue order. Without any, the
// fallback frames that exist in "Frames"; without those, the single "custom" preset. Never empty.
std::vector<FramePreset> buildFramePresetCatalog(const std::filesystem::path& resources);

// A preset with a fresh id and the default opening.
FramePreset newFramePreset(std::string key, std::string label,
                           std::optional<std::string> bundleImageName);

// The catalogue of resourcesDir(), built on first use (thread-safe) and kept for the process.
const std::vector<FramePreset>& framePresetCatalog();

// The first preset with this key, if any.
const FramePreset* findFramePreset(const std::string& key,
                                   const std::vector<FramePreset>& catalog = framePresetCatalog());

// The order value of a label: the model order of the longest model name ("iphone 16 pro max")
// its lower-cased text contains (1 to 12); else, for a label starting with an Android family,
// its model's order after every iPhone (Pixel models 101..109, Galaxy models 111..119);
// tablets after every phone (iPads 201..209, "Pixel Tablet" 301, "Galaxy Tab" models
// 311..319); 999 when it names no known model.
int frameOrderValue(const std::string& label);

// Catalogue order: order value, then lower-cased label.
bool framePresetComesBefore(const FramePreset& a, const FramePreset& b);

// "iphone15", "iphone16", "iphone17", "iphoneair", "ipad", "androidtablet", "pixel", "galaxy"
// or "other", by the first test the lower-cased label passes (the tablets and Android phones
// test how the label starts).
std::string frameGroupId(const std::string& label);
// The group a preset is listed in: "myframes" for the user's own frames, else by its label.
std::string presetGroupId(const FramePreset& preset);
// "📱 iPhone 16 Series" and so on; empty for an unknown id.
std::string frameGroupTitle(const std::string& groupId);

// The menu sections in fixed order, empty groups left out, presets in catalogue order.
std::vector<FramePresetGroup> groupedFramePresets(
    const std::vector<FramePreset>& catalog = framePresetCatalog());

}  // namespace kestro
