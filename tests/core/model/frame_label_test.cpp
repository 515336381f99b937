#include "core/model/frame_label.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(FrameLabel, NamesWithoutIphoneAreOnlySplitAndTitleCased) {
    EXPECT_EQ(makeFrameLabel(""), "Untitled");
    EXPECT_EQ(makeFrameLabel("pixel_8"), "Pixel 8");
    EXPECT_EQ(makeFrameLabel("GALAXY-s24ultra"), "Galaxy S 24 Ultra");
    // Nothing after the title-casing applies: no trimming, no space folding, no "Pro" fix-up.
    EXPECT_EQ(makeFrameLabel("pixel - pro_"), "Pixel   Pro ");
}

TEST(FrameLabel, IphoneNamesAreSplitCapitalisedAndStrippedOfPortrait) {
    EXPECT_EQ(makeFrameLabel("iphone16pro_max-black_portrait"), "iPhone 16 Pro Max Black");
    EXPECT_EQ(makeFrameLabel("iphone16problack"), "iPhone 16 Problack");
    EXPECT_EQ(makeFrameLabel("IPHONE15PLUS_PORTRAIT"), "iPhone 15 Plus");
    EXPECT_EQ(makeFrameLabel("iphone17air"), "iPhone Air");
    EXPECT_EQ(makeFrameLabel("iPhone17Air_Sky_Blue_Portrait"), "iPhone Air Sky Blue");
    EXPECT_EQ(makeFrameLabel("  iphone15mini  "), "iPhone 15 Mini");
}

TEST(FrameLabel, SinglePassOfSpaceFoldingLeavesTwoSpacesFromDashes) {
    EXPECT_EQ(makeFrameLabel("iPhone 16 Pro - Black - Portrait"), "iPhone 16 Pro  Black");
    EXPECT_EQ(makeFrameLabel("iphone 16    pro"), "iPhone 16  Pro");
}

TEST(FrameLabel, FinishesAndNamedColoursAreTidiedOnceEach) {
    EXPECT_EQ(makeFrameLabel("iphone16pro_max_black_titanium_portrait"),
              "iPhone 16 Pro Max Black Titanium");
    EXPECT_EQ(makeFrameLabel("iphone15pro_natural_titanium_portrait"),
              "iPhone 15 Pro Natural Titanium");
    // Only one finish is tidied, and the plain colour rule stops at "black", so the second finish
    // keeps its lower case.
    EXPECT_EQ(makeFrameLabel("iphone16pro_black_titanium_blue_titanium"),
              "iPhone 16 Pro Black Titanium blue titanium");
    EXPECT_EQ(makeFrameLabel("iphone17pro_cosmic_orange_portrait"), "iPhone 17 Pro Cosmic Orange");
    EXPECT_EQ(makeFrameLabel("iphone17 deep blue"), "iPhone 17 Deep Blue");
    EXPECT_EQ(makeFrameLabel("iphone16 ultramarine portrait"), "iPhone 16 Ultramarine");
}

TEST(FrameLabel, PlainColourNeedsAWordAndOnlyTheFirstOneIsCapitalised) {
    EXPECT_EQ(makeFrameLabel("iphone15 pink"), "iPhone 15 Pink");
    EXPECT_EQ(makeFrameLabel("iphone15 green yellow"), "iPhone 15 Green yellow");
    // "blackish" is no word "black", so no colour applies to it...
    EXPECT_EQ(makeFrameLabel("iphone15 blackish"), "iPhone 15 blackish");
    // ...but once a colour word is found, every occurrence of it is capitalised, inside words too.
    EXPECT_EQ(makeFrameLabel("iphone15 red redwood"), "iPhone 15 Red Redwood");
    // "teal" is tried after the others; "steal" alone does not qualify.
    EXPECT_EQ(makeFrameLabel("iphone15 steal"), "iPhone 15 steal");
}

TEST(FrameLabel, ModelWordsAreCapitalisedInsideLongerWordsToo) {
    EXPECT_EQ(makeFrameLabel("iphone16 promax"), "iPhone 16 ProMax");
    EXPECT_EQ(makeFrameLabel("iphone16 maximum prototype"), "iPhone 16 Maximum Prototype");
    EXPECT_EQ(makeFrameLabel("iphone12mini"), "iPhone 12 Mini");
}

}  // namespace
}  // namespace kestro
