#pragma once
// The screen sizes of the devices the catalogue has frames for, and the frame a recording of a
// given size suits: the device whose screen it was recorded on, when its size says so.

#include "core/model/frame_catalog.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

struct DeviceScreen {
    std::string_view model;  // as frame labels start: "iPhone 16 Pro", "iPad Pro 11 M4"
    int width;               // native pixels, portrait
    int height;
    int year;  // of release; the newer of two devices with one size wins
};

// Phones, then tablets, in catalogue order.
std::span<const DeviceScreen> deviceScreens();

struct AutoFrameChoice {
    enum class Match {
        exact,            // one device has exactly this screen size
        newestOfSeveral,  // several have; the newest was taken
        nearestShape,     // none has; the one nearest in shape was taken
    };
    const FramePreset* preset = nullptr;
    Match match = Match::exact;
    std::string model;                // the device chosen
    std::vector<std::string> others;  // the other devices of that exact size, oldest first
    // One sentence for people saying which frame was taken and why.
    std::string note() const;
    int recordingWidth = 0;
    int recordingHeight = 0;
};

// The frame for a recording of this upright size (either orientation): a device with exactly
// this screen size, the newest (then the later in catalogue order) when several have it; else
// the device whose screen is nearest in shape. Only devices with a frame in `catalog` count
// (the user's own frames never do); the frame is the first of that device in the catalogue.
// None when the size is not positive or no device has a frame.
std::optional<AutoFrameChoice> autoFrameFor(int width, int height,
                                            const std::vector<FramePreset>& catalog);

}  // namespace kestro
