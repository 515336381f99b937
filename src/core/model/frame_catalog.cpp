#include "core/model/frame_catalog.hpp"

#include "core/model/frame_label.hpp"
#include "core/model/resources.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>

namespace kestro {

namespace {

constexpr std::array<std::pair<std::string_view, int>, 12> kModelOrder{{
    {"iphone 15", 1},
    {"iphone 15 plus", 2},
    {"iphone 15 pro", 3},
    {"iphone 15 pro max", 4},
    {"iphone 16", 5},
    {"iphone 16 plus", 6},
    {"iphone 16 pro", 7},
    {"iphone 16 pro max", 8},
    {"iphone 17", 9},
    {"iphone 17 pro", 10},
    {"iphone 17 pro max", 11},
    {"iphone air", 12},
}};
// Android frames come after every iPhone, Pixel before Galaxy, each by model.
constexpr std::array<std::pair<std::string_view, int>, 4> kAndroidOrder{{
    {"pixel 9", 101},
    {"pixel 9 pro", 102},
    {"galaxy s 24", 111},
    {"galaxy s 24 ultra", 112},
}};
// Tablets after every phone: iPads, then the Android ones.
constexpr std::array<std::pair<std::string_view, int>, 9> kTabletOrder{{
    {"ipad pro 11 m4", 201},
    {"ipad pro 13 m4", 202},
    {"ipad air 11", 203},
    {"ipad air 13", 204},
    {"ipad mini a17 pro", 205},
    {"ipad a16", 206},
    {"pixel tablet", 301},
    {"galaxy tab s 9", 311},
    {"galaxy tab s 10 plus", 312},
}};
constexpr int kUnknownModelOrder = 999;
constexpr int kUnknownIpadOrder = 209;
constexpr int kUnknownAndroidTabletOrder = 319;
constexpr int kUnknownPixelOrder = 109;
constexpr int kUnknownGalaxyOrder = 119;

constexpr std::array<std::pair<std::string_view, std::string_view>, 2> kFallbackFrames{{
    {"Frames/iphone16problack", "iPhone 16 Pro \u2014 Black"},
    {"Frames/iphone16plusblack", "iPhone 16 Plus \u2014 Black"},
}};

constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kGroups{{
    {"iphone15", "\U0001F4F1 iPhone 15 Series"},
    {"iphone16", "\U0001F4F1 iPhone 16 Series"},
    {"iphone17", "\U0001F4F1 iPhone 17 Series"},
    {"iphoneair", "\U0001F4F1 iPhone Air"},
    {"pixel", "\U0001F4F1 Google Pixel"},
    {"galaxy", "\U0001F4F1 Samsung Galaxy"},
    {"ipad", "\U0001F4F1 iPad"},
    {"androidtablet", "\U0001F4F1 Android Tablets"},
    {"other", "\U0001F4F1 Other"},
    {"myframes", "\U0001F4C1 My frames"},
}};

constexpr std::string_view kFramesFolder = "Frames";

std::string randomUuid() {
    // Ids only tell rows apart within one run, so a per-thread generator seeded once is enough.
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::uint64_t> draw;
    std::uint64_t high = draw(generator);
    std::uint64_t low = draw(generator);
    high = (high & ~0xF000ULL) | 0x4000ULL;            // version 4
    low = (low & ~(0xC0ULL << 56)) | (0x80ULL << 56);  // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text;
}

// File names of the "png" files directly inside `folder`, sorted by plain string comparison.
std::vector<std::string> pngFileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) return names;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) break;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const auto& path = it->path();
        if (path.extension() != ".png") continue;
        names.push_back(path.filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// iPhone frames say "portrait" in their names; Android frames are named by their family
// ("pixel9pro_obsidian"), which keeps "Portrait" out of their labels.
bool isListedFrameFile(const std::string& fileName) {
    const std::string lowered = toLowerAscii(fileName);
    if (lowered.find("landscape") != std::string::npos) return false;
    if (lowered.find("iphone") != std::string::npos)
        return lowered.find("portrait") != std::string::npos;
    return lowered.starts_with("pixel") || lowered.starts_with("galaxy") ||
           lowered.starts_with("ipad");
}

bool isAndroidTabletLabel(const std::string& lowered) {
    return lowered.starts_with("pixel tablet") || lowered.starts_with("galaxy tab");
}

FramePreset makePreset(std::string key, std::string label,
                       std::optional<std::string> bundleImageName) {
    return FramePreset{randomUuid(), std::move(key), std::move(label), std::move(bundleImageName),
                       kDefaultScreenRect};
}

void appendScanned(std::vector<FramePreset>& out, const std::filesystem::path& folder,
                   std::string_view keyPrefix) {
    for (const std::string& fileName : pngFileNames(folder)) {
        if (!isListedFrameFile(fileName)) continue;
        const std::string base = fileName.substr(0, fileName.size() - 4);
        std::string key = std::string(keyPrefix) + base;
        out.push_back(makePreset(key, makeFrameLabel(base), key));
    }
}

}  // namespace

int frameOrderValue(const std::string& label) {
    // A label may contain several model names ("iphone 16 pro max" also contains "iphone 16");
    // the longest one is the most specific and gives the order.
    const std::string lowered = toLowerAscii(label);
    std::size_t bestLength = 0;
    int order = kUnknownModelOrder;
    if (lowered.starts_with("ipad") || isAndroidTabletLabel(lowered)) {
        for (const auto& [model, value] : kTabletOrder) {
            if (model.size() > bestLength && lowered.starts_with(model)) {
                bestLength = model.size();
                order = value;
            }
        }
        if (order != kUnknownModelOrder) return order;
        return lowered.starts_with("ipad") ? kUnknownIpadOrder : kUnknownAndroidTabletOrder;
    }
    for (const auto& [model, value] : kModelOrder) {
        if (model.size() > bestLength && lowered.find(model) != std::string::npos) {
            bestLength = model.size();
            order = value;
        }
    }
    if (order != kUnknownModelOrder) return order;
    for (const auto& [model, value] : kAndroidOrder) {
        if (model.size() > bestLength && lowered.starts_with(model)) {
            bestLength = model.size();
            order = value;
        }
    }
    if (order != kUnknownModelOrder) return order;
    // Android models not in the table still come after the iPhones and keep their families
    // together.
    if (lowered.starts_with("pixel")) return kUnknownPixelOrder;
    if (lowered.starts_with("galaxy")) return kUnknownGalaxyOrder;
    return order;
}

bool framePresetComesBefore(const FramePreset& a, const FramePreset& b) {
    const int orderA = frameOrderValue(a.label);
    const int orderB = frameOrderValue(b.label);
    if (orderA != orderB) return orderA < orderB;
    return toLowerAscii(a.label) < toLowerAscii(b.label);
}

std::vector<FramePreset> buildFramePresetCatalog(const std::filesystem::path& resources) {
    std::vector<FramePreset> catalog;
    appendScanned(catalog, resources, "");
    appendScanned(catalog, resources / kFramesFolder, std::string(kFramesFolder) + "/");
    // Stable, so an image present both at the top level and in Frames keeps its scan order.
    std::stable_sort(catalog.begin(), catalog.end(), framePresetComesBefore);
    if (!catalog.empty()) return catalog;

    for (const auto& [key, label] : kFallbackFrames) {
        const std::string base(key.substr(kFramesFolder.size() + 1));
        std::error_code error;
        if (std::filesystem::is_regular_file(resources / kFramesFolder / (base + ".png"), error)) {
            catalog.push_back(makePreset(std::string(key), std::string(label), std::string(key)));
        }
    }
    if (!catalog.empty()) return catalog;

    catalog.push_back(makePreset("custom", "Custom Frame", std::nullopt));
    return catalog;
}

FramePreset newFramePreset(std::string key, std::string label,
                           std::optional<std::string> bundleImageName) {
    return makePreset(std::move(key), std::move(label), std::move(bundleImageName));
}

const std::vector<FramePreset>& framePresetCatalog() {
    static const std::vector<FramePreset> catalog = buildFramePresetCatalog(resourcesDir());
    return catalog;
}

const FramePreset* findFramePreset(const std::string& key,
                                   const std::vector<FramePreset>& catalog) {
    for (const FramePreset& preset : catalog) {
        if (preset.key == key) return &preset;
    }
    return nullptr;
}

std::string frameGroupId(const std::string& label) {
    const std::string lowered = toLowerAscii(label);
    if (lowered.find("iphone 15") != std::string::npos) return "iphone15";
    if (lowered.find("iphone 16") != std::string::npos) return "iphone16";
    if (lowered.find("iphone 17") != std::string::npos) return "iphone17";
    if (lowered.find("iphone air") != std::string::npos) return "iphoneair";
    if (lowered.starts_with("ipad")) return "ipad";
    if (isAndroidTabletLabel(lowered)) return "androidtablet";
    if (lowered.starts_with("pixel")) return "pixel";
    if (lowered.starts_with("galaxy")) return "galaxy";
    return "other";
}

std::string presetGroupId(const FramePreset& preset) {
    return preset.userFrame ? std::string(kUserFramesGroup) : frameGroupId(preset.label);
}

std::string frameGroupTitle(const std::string& groupId) {
    for (const auto& [id, title] : kGroups) {
        if (id == groupId) return std::string(title);
    }
    return {};
}

std::vector<FramePresetGroup> groupedFramePresets(const std::vector<FramePreset>& catalog) {
    std::vector<FramePresetGroup> groups;
    for (const auto& [id, title] : kGroups) {
        FramePresetGroup group{std::string(id), std::string(title), {}};
        for (const FramePreset& preset : catalog) {
            if (presetGroupId(preset) == group.id) group.presets.push_back(preset);
        }
        if (!group.presets.empty()) groups.push_back(std::move(group));
    }
    return groups;
}

}  // namespace kestro
