// Picking the Android frame for a recorded device from the names adb gives.

#include "core/model/android_frame_match.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

FramePreset labelled(const std::string& label) {
    return FramePreset{"id", label, label, label, kDefaultScreenRect};
}

TEST(AndroidFrameMatch, FamilyThenModelWordsThenNumberDecide) {
    const std::vector<FramePreset> catalog{
        labelled("iPhone 16 Pro Black"),
        labelled("Pixel 9 Obsidian"),
        labelled("Pixel 9 Pro Obsidian"),
        labelled("Galaxy S 24 Onyx Black"),
        labelled("Galaxy S 24 Ultra Titanium Black"),
    };
    const auto pick = [&](std::string_view name) {
        const FramePreset* p = bestAndroidFrame(name, catalog);
        return p ? p->label : std::string("none");
    };
    EXPECT_EQ(pick("Pixel 8 Pro"), "Pixel 9 Pro Obsidian");
    EXPECT_EQ(pick("Pixel 7a"), "Pixel 9 Obsidian");
    EXPECT_EQ(pick("Pixel 9 Pro XL"), "Pixel 9 Pro Obsidian");
    EXPECT_EQ(pick("SM S928B"), "Galaxy S 24 Ultra Titanium Black");
    EXPECT_EQ(pick("SM S921U"), "Galaxy S 24 Onyx Black");
    EXPECT_EQ(pick("Galaxy S23 Ultra"), "Galaxy S 24 Ultra Titanium Black");
    // An emulator or an unknown maker still gets an Android frame, never an iPhone.
    EXPECT_EQ(pick("sdk gphone64 x86 64"), "Pixel 9 Obsidian");
    EXPECT_EQ(pick(""), "Pixel 9 Obsidian");
    EXPECT_EQ(bestAndroidFrame("Pixel 8", {labelled("iPhone 15 Pink")}), nullptr);
}

}  // namespace
}  // namespace kestro
