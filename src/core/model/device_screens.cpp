#include "core/model/device_screens.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace kestro {

namespace {

// From the makers' published specifications; tools/framegen draws the frames from the same
// numbers, and a test holds the two tables together.
constexpr std::array<DeviceScreen, 25> kScreens{{
    {"iPhone 15", 1179, 2556, 2023},
    {"iPhone 15 Plus", 1290, 2796, 2023},
    {"iPhone 15 Pro", 1179, 2556, 2023},
    {"iPhone 15 Pro Max", 1290, 2796, 2023},
    {"iPhone 16", 1179, 2556, 2024},
    {"iPhone 16 Plus", 1290, 2796, 2024},
    {"iPhone 16 Pro", 1206, 2622, 2024},
    {"iPhone 16 Pro Max", 1320, 2868, 2024},
    {"iPhone 17", 1206, 2622, 2025},
    {"iPhone 17 Pro", 1206, 2622, 2025},
    {"iPhone 17 Pro Max", 1320, 2868, 2025},
    {"iPhone Air", 1260, 2736, 2025},
    {"Pixel 9", 1080, 2424, 2024},
    {"Pixel 9 Pro", 1280, 2856, 2024},
    {"Galaxy S 24", 1080, 2340, 2024},
    {"Galaxy S 24 Ultra", 1440, 3120, 2024},
    {"iPad Pro 11 M4", 1668, 2420, 2024},
    {"iPad Pro 13 M4", 2064, 2752, 2024},
    {"iPad Air 11", 1640, 2360, 2025},
    {"iPad Air 13", 2048, 2732, 2025},
    {"iPad mini A17 Pro", 1488, 2266, 2024},
    {"iPad A16", 1640, 2360, 2025},
    {"Pixel Tablet", 1600, 2560, 2023},
    {"Galaxy Tab S 9", 1600, 2560, 2023},
    {"Galaxy Tab S 10 Plus", 1752, 2800, 2024},
}};

const FramePreset* firstFrameOf(std::string_view model, const std::vector<FramePreset>& catalog) {
    const int order = frameOrderValue(std::string(model));
    for (const FramePreset& preset : catalog) {
        if (!preset.userFrame && frameOrderValue(preset.label) == order) return &preset;
    }
    return nullptr;
}

std::string sizeText(int w, int h) {
    return std::to_string(w) + "\u00D7" + std::to_string(h);
}

}  // namespace

std::span<const DeviceScreen> deviceScreens() {
    return kScreens;
}

std::optional<AutoFrameChoice> autoFrameFor(int width, int height,
                                            const std::vector<FramePreset>& catalog) {
    if (width <= 0 || height <= 0) return std::nullopt;
    const int shortSide = std::min(width, height), longSide = std::max(width, height);

    // Later entries are newer within a year, so ">=" keeps the last of equals.
    const DeviceScreen* exact = nullptr;
    std::vector<std::string> sameSize;
    for (const DeviceScreen& s : kScreens) {
        if (s.width != shortSide || s.height != longSide) continue;
        if (!firstFrameOf(s.model, catalog)) continue;
        sameSize.emplace_back(s.model);
        if (!exact || s.year >= exact->year) exact = &s;
    }
    AutoFrameChoice choice;
    choice.recordingWidth = width;
    choice.recordingHeight = height;
    if (exact) {
        choice.model = exact->model;
        choice.preset = firstFrameOf(exact->model, catalog);
        for (const auto& m : sameSize)
            if (m != choice.model) choice.others.push_back(m);
        choice.match = choice.others.empty() ? AutoFrameChoice::Match::exact
                                             : AutoFrameChoice::Match::newestOfSeveral;
        return choice;
    }

    // Shape compared as the ratio of the sides, on a logarithmic scale so that a little too
    // wide and a little too narrow weigh the same.
    const double shape = std::log(double(longSide) / shortSide);
    const DeviceScreen* nearest = nullptr;
    double best = 0;
    for (const DeviceScreen& s : kScreens) {
        if (!firstFrameOf(s.model, catalog)) continue;
        const double off = std::abs(std::log(double(s.height) / s.width) - shape);
        if (!nearest || off < best - 1e-12 ||
            (std::abs(off - best) <= 1e-12 && s.year >= nearest->year)) {
            nearest = &s;
            best = off;
        }
    }
    if (!nearest) return std::nullopt;
    choice.model = nearest->model;
    choice.preset = firstFrameOf(nearest->model, catalog);
    choice.match = AutoFrameChoice::Match::nearestShape;
    return choice;
}

std::string AutoFrameChoice::note() const {
    const std::string size = sizeText(recordingWidth, recordingHeight);
    const std::string label = preset ? preset->label : model;
    switch (match) {
        case Match::exact:
            return "Frame: " + label + " (" + size + " is the " + model + "'s screen).";
        case Match::newestOfSeveral: {
            std::string list;
            for (const auto& m : others) list += (list.empty() ? "" : ", ") + m;
            return "Frame: " + label + " (" + size + " is the screen of the " + model +
                   " and of the " + list + "; took the newest).";
        }
        case Match::nearestShape:
            return "Frame: " + label + " (no device has a " + size + " screen; the " + model +
                   " is the nearest in shape).";
    }
    return {};
}

}  // namespace kestro
