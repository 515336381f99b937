#include "core/model/frame_label.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

// The shipped frames' own names are checked in shipped_frames_test; these are the rules' edges.
TEST(FrameLabel, FileNamesBecomeLabels) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "Untitled"},
        // Without "iphone" names are only split and title-cased: no trimming, no space folding,
        // no "Pro" fix-up.
        {"pixel_8", "Pixel 8"},
        {"GALAXY-s24ultra", "Galaxy S 24 Ultra"},
        {"pixel - pro_", "Pixel   Pro "},
        // iPhone names are split, capitalised and stripped of "portrait".
        {"iphone16pro_max-black_portrait", "iPhone 16 Pro Max Black"},
        {"iphone16problack", "iPhone 16 Problack"},
        {"IPHONE15PLUS_PORTRAIT", "iPhone 15 Plus"},
        {"iphone17air", "iPhone Air"},
        {"iPhone17Air_Sky_Blue_Portrait", "iPhone Air Sky Blue"},
        {"  iphone15mini  ", "iPhone 15 Mini"},
        // A single pass of space folding leaves two spaces from dashes.
        {"iPhone 16 Pro - Black - Portrait", "iPhone 16 Pro  Black"},
        {"iphone 16    pro", "iPhone 16  Pro"},
        // Only one finish is tidied, and the plain colour rule stops at "black", so the second
        // finish keeps its lower case.
        {"iphone16pro_black_titanium_blue_titanium", "iPhone 16 Pro Black Titanium blue titanium"},
        {"iphone17 deep blue", "iPhone 17 Deep Blue"},
        {"iphone16 ultramarine portrait", "iPhone 16 Ultramarine"},
        // A plain colour needs a word and only the first one is capitalised...
        {"iphone15 pink", "iPhone 15 Pink"},
        {"iphone15 green yellow", "iPhone 15 Green yellow"},
        {"iphone15 blackish", "iPhone 15 blackish"},
        // ...but once found, every occurrence of it is, inside words too; "teal" is tried last
        // and "steal" alone does not qualify.
        {"iphone15 red redwood", "iPhone 15 Red Redwood"},
        {"iphone15 steal", "iPhone 15 steal"},
        // Model words are capitalised inside longer words too.
        {"iphone16 promax", "iPhone 16 ProMax"},
        {"iphone16 maximum prototype", "iPhone 16 Maximum Prototype"},
        {"iphone12mini", "iPhone 12 Mini"},
    };
    for (const auto& [name, label] : cases) EXPECT_EQ(makeFrameLabel(name), label) << name;
}

}  // namespace
}  // namespace kestro
