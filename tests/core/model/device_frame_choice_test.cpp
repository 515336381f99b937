// The frame a recording's size chooses, and the user's own frames folders.

#include "core/model/device_screens.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/png.hpp"
#include "core/model/user_frames.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using Match = AutoFrameChoice::Match;

const std::vector<FramePreset>& shipped() {
    static const auto catalog = buildFramePresetCatalog(KESTRO_TEST_RESOURCES);
    return catalog;
}

TEST(AutoFrame, ExactSizesPickTheirModelAndAmbiguousOnesTheNewest) {
    struct Case {
        int w, h;
        std::string model;
        Match match;
    };
    for (const Case& c : std::vector<Case>{
             {1206, 2622, "iPhone 17 Pro", Match::newestOfSeveral},
             {2622, 1206, "iPhone 17 Pro", Match::newestOfSeveral},  // landscape
             {1320, 2868, "iPhone 17 Pro Max", Match::newestOfSeveral},
             {1179, 2556, "iPhone 16", Match::newestOfSeveral},
             {1080, 2424, "Pixel 9", Match::exact},
             {1668, 2420, "iPad Pro 11 M4", Match::exact},
             {2752, 2064, "iPad Pro 13 M4", Match::exact},
         }) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const auto choice = autoFrameFor(c.w, c.h, shipped());
        ASSERT_TRUE(choice.has_value());
        EXPECT_EQ(choice->model, c.model);
        EXPECT_EQ(choice->match, c.match);
        ASSERT_NE(choice->preset, nullptr);
        EXPECT_TRUE(choice->preset->label.starts_with(c.model + " ")) << choice->preset->label;
        // The note names the frame taken and, when several fit, the others.
        EXPECT_NE(choice->note().find(choice->preset->label), std::string::npos);
    }
    const auto pro = autoFrameFor(1206, 2622, shipped());
    EXPECT_NE(std::find(pro->others.begin(), pro->others.end(), "iPhone 16 Pro"),
              pro->others.end());
    EXPECT_NE(pro->note().find("iPhone 16 Pro"), std::string::npos);
}

TEST(AutoFrame, UnknownSizesTakeTheNearestShapeAndNothingWithoutAnyFrame) {
    // 4:3 is an iPad's shape, far from every phone's.
    const auto tablet = autoFrameFor(1536, 2048, shipped());
    ASSERT_TRUE(tablet.has_value());
    EXPECT_EQ(tablet->match, Match::nearestShape);
    EXPECT_TRUE(tablet->model.starts_with("iPad")) << tablet->model;
    // A phone recorded at half size still looks like that phone.
    const auto half = autoFrameFor(540, 1212, shipped());
    ASSERT_TRUE(half.has_value());
    EXPECT_EQ(half->match, Match::nearestShape);
    EXPECT_EQ(half->model, "Pixel 9");
    EXPECT_NE(half->note().find("nearest"), std::string::npos);

    EXPECT_FALSE(autoFrameFor(0, 100, shipped()).has_value());
    // The user's own frames are never chosen by size.
    std::vector<FramePreset> onlyUser{
        newFramePreset("/x/iphone16pro.png", "iPhone 16 Pro", "/x/a")};
    onlyUser[0].userFrame = true;
    EXPECT_FALSE(autoFrameFor(1206, 2622, onlyUser).has_value());
}

TEST(UserFrames, UsablePngsJoinMyFramesAndTheRestAreListedWithTheirReason) {
    test::ScratchDir dir;
    const fs::path folder = dir / "pack";
    fs::create_directories(folder);
    Image good = Image::filled(100, 200, {20, 20, 20, 255});
    good.fillRect(10, 20, 80, 160, {});
    ASSERT_TRUE(savePng(good, folder / "Clay_Phone-dark.PNG"));
    ASSERT_TRUE(savePng(Image::filled(50, 50, {20, 20, 20, 255}), folder / "solid.png"));
    std::ofstream(folder / "broken.png") << "not a png";
    std::ofstream(folder / "notes.txt") << "ignored";

    // Named four times (through a relative detour, with a trailing "/" and as "pack/."): read
    // once. A missing folder is reported.
    const UserFrames user =
        scanUserFrames({folder, folder / ".." / "pack", fs::path(folder.string() + "/"),
                        folder / ".", dir / "missing"});
    ASSERT_EQ(user.presets.size(), 1u);
    const FramePreset& preset = user.presets[0];
    EXPECT_EQ(preset.label, "Clay Phone Dark");
    EXPECT_TRUE(preset.userFrame);
    EXPECT_TRUE(fs::path(preset.key).is_absolute());
    EXPECT_TRUE(fs::exists(preset.key));
    // Its image is found by its key, whatever the case of its extension.
    EXPECT_EQ(frameImageURL(preset.key), fs::path(preset.key));

    ASSERT_EQ(user.skipped.size(), 3u);
    std::map<std::string, std::string> reasons;
    for (const auto& s : user.skipped) reasons[s.file.filename().string()] = s.reason;
    EXPECT_NE(reasons["broken.png"].find("PNG"), std::string::npos);
    EXPECT_NE(reasons["solid.png"].find("opening"), std::string::npos);
    EXPECT_TRUE(reasons.contains("missing"));

    // In the catalogue they come last, in their own group, whatever their label says.
    const auto all = withUserFrames(shipped(), user);
    const auto groups = groupedFramePresets(all);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.back().id, kUserFramesGroup);
    ASSERT_EQ(groups.back().presets.size(), 1u);
    EXPECT_EQ(groups.back().presets[0].key, preset.key);

    EXPECT_EQ(splitFramesPath("/a::/b:"), (std::vector<fs::path>{"/a", "/b"}));
}

}  // namespace
}  // namespace kestro
