#pragma once
// Which Android frame suits a recording from a given Android device: the frame of the same
// family (Pixel, Galaxy) whose model words (Pro, Ultra, XL...) and model number agree best with
// the device's name as adb reports it ("Pixel 8 Pro", "SM S928B").

#include "core/model/frame_catalog.hpp"

#include <string_view>
#include <vector>

namespace kestro {

// The best Android preset of the catalogue for the device, or null when the catalogue holds no
// Android frame. A device of no known family gets the first Android frame.
const FramePreset* bestAndroidFrame(std::string_view deviceName,
                                    const std::vector<FramePreset>& catalog = framePresetCatalog());

}  // namespace kestro
