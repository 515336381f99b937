#include "core/model/frame_catalog.hpp"
#include "core/model/png.hpp"

#include "png_craft.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

using test::ScratchDir;

class FrameCatalog : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir.path() / "Frames"); }
    // Frame files only need to exist for the catalogue; their content is never decoded.
    void touch(const std::string& relative) { testing::writeBytes(dir.path() / relative, {'x'}); }
    std::vector<std::string> keys() const {
        std::vector<std::string> out;
        for (const auto& preset : buildFramePresetCatalog(dir.path())) out.push_back(preset.key);
        return out;
    }
    ScratchDir dir;
};

TEST_F(FrameCatalog, ListsPortraitIphoneImagesInModelOrderThenByLabel) {
    touch("Frames/iphone17air_portrait.png");
    touch("Frames/iphone16pro_max_black_portrait.png");
    touch("Frames/iphone16pro_max_blue_portrait.png");
    touch("Frames/iphone16_portrait.png");
    touch("Frames/iphone15plus_pink_portrait.png");
    touch("iphone17pro_portrait.png");
    touch("iphone_se_portrait.png");  // no known model: order 999, last

    const auto catalog = buildFramePresetCatalog(dir.path());
    const std::vector<std::string> expected{
        "Frames/iphone15plus_pink_portrait",      // 2
        "Frames/iphone16_portrait",               // 5
        "Frames/iphone16pro_max_black_portrait",  // 8, "black" < "blue"
        "Frames/iphone16pro_max_blue_portrait",   // 8
        "iphone17pro_portrait",                   // 10
        "Frames/iphone17air_portrait",            // 12
        "iphone_se_portrait",                     // 999
    };
    EXPECT_EQ(keys(), expected);
    for (const auto& preset : catalog) {
        EXPECT_EQ(preset.bundleImageName, preset.key);
        EXPECT_EQ(preset.defaultScreen, kDefaultScreenRect);
    }
}

TEST_F(FrameCatalog, FiltersOnPortraitIphoneAndPngAndKeepsDuplicates) {
    touch("iphone15_portrait.png");
    touch("Frames/iphone15_portrait.png");  // present twice: two presets, same label
    touch("Frames/iphone15_portrait_landscape.png");
    touch("Frames/iphone15_black.png");   // no "portrait"
    touch("Frames/moto_g_portrait.png");  // no "iphone", no Android family we draw
    touch("Frames/pixel8_landscape.png");
    touch("Frames/iphone15_portrait.jpg");
    touch("Frames/iphone15_Portrait.PNG");  // extension must be "png"
    std::filesystem::create_directories(dir.path() / "Frames/iphone15_dir_portrait.png");
    std::filesystem::create_directories(dir.path() / "Frames/Nested");
    touch("Frames/Nested/iphone16_portrait.png");  // only one level is scanned

    const auto catalog = buildFramePresetCatalog(dir.path());
    EXPECT_EQ(keys(), (std::vector<std::string>{"iphone15_portrait", "Frames/iphone15_portrait"}));
    ASSERT_EQ(catalog.size(), 2u);
    EXPECT_EQ(catalog[0].label, catalog[1].label);
    EXPECT_NE(catalog[0].id, catalog[1].id);
    EXPECT_NE(buildFramePresetCatalog(dir.path())[0].id, catalog[0].id) << "fresh on every build";
}

TEST_F(FrameCatalog, FallsBackToKnownFramesThenToTheCustomPreset) {
    touch("Frames/iphone16plusblack.png");
    touch("Frames/iphone16_landscape.png");
    EXPECT_EQ(keys(), std::vector<std::string>{"Frames/iphone16plusblack"});
    touch("Frames/iphone16problack.png");
    auto catalog = buildFramePresetCatalog(dir.path());
    ASSERT_EQ(catalog.size(), 2u);  // table order, not re-sorted
    EXPECT_EQ(catalog[0].key, "Frames/iphone16problack");
    EXPECT_EQ(catalog[1].bundleImageName, "Frames/iphone16plusblack");

    touch("iphone16plusblack.png");  // top level does not count for the fallback
    std::filesystem::remove(dir.path() / "Frames/iphone16plusblack.png");
    std::filesystem::remove(dir.path() / "Frames/iphone16problack.png");
    for (const auto& folder : {dir.path(), dir.path() / "missing"}) {
        catalog = buildFramePresetCatalog(folder);
        ASSERT_EQ(catalog.size(), 1u);
        EXPECT_EQ(catalog[0].key, "custom");
        EXPECT_EQ(catalog[0].bundleImageName, std::nullopt);
        EXPECT_EQ(catalog[0].defaultScreen, kDefaultScreenRect);
    }
}

// Each shipped label's order and group are checked in shipped_frames_test; these are the names
// the catalogue may meet besides.
TEST(FrameOrder, UnknownAndFallbackNamesFindTheirPlace) {
    EXPECT_EQ(frameOrderValue("iPhone 16 Pro \u2014 Black"), 7);
    EXPECT_EQ(frameOrderValue("Moto G"), 999);
    EXPECT_EQ(frameOrderValue("iPhone 16  Pro"), 5);  // the double space hides "iphone 16 pro"
    // Unknown Android models follow the known ones of their family, Pixel before Galaxy.
    EXPECT_LT(frameOrderValue("Pixel 9 Pro Hazel"), frameOrderValue("Pixel 8"));
    EXPECT_LT(frameOrderValue("Pixel 8"), frameOrderValue("Galaxy S 24 Onyx Black"));
    EXPECT_LT(frameOrderValue("Galaxy A 55"), frameOrderValue("Moto G"));
}

TEST(FrameGroups, GroupsInFixedOrderSkippingEmptyOnesAndKeepingCatalogueOrder) {
    std::vector<FramePreset> catalog;
    for (const char* label : {"iPhone 16 Pro", "Pixel 8", "iPhone Air", "iPhone 16 Pro Max Black",
                              "iPhone 15 Plus", "Custom Frame", "Moto G"})
        catalog.push_back(FramePreset{"id", label, label, label, kDefaultScreenRect});
    const auto groups = groupedFramePresets(catalog);
    std::vector<std::pair<std::string, std::size_t>> sizes;
    for (const auto& g : groups) sizes.emplace_back(g.id, g.presets.size());
    // No iPhone 17 group, no Galaxy group.
    EXPECT_EQ(sizes,
              (std::vector<std::pair<std::string, std::size_t>>{
                  {"iphone15", 1}, {"iphone16", 2}, {"iphoneair", 1}, {"pixel", 1}, {"other", 2}}));
    ASSERT_EQ(groups.size(), 5u);
    EXPECT_EQ(groups[1].presets[0].label, "iPhone 16 Pro");
    EXPECT_EQ(groups[1].presets[1].label, "iPhone 16 Pro Max Black");
    EXPECT_EQ(groups[4].title, "\U0001F4F1 Other");

    // A label naming two series goes to the first group tested.
    EXPECT_EQ(frameGroupId("iPhone 16 vs iPhone 15"), "iphone15");
}

}  // namespace
}  // namespace kestro
