// kestro-cli frames and frame-info, run as a user would, against temporary resource folders.
#include "core/model/image.hpp"
#include "core/model/png.hpp"

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace kestro {
namespace {

namespace fs = std::filesystem;

using test::CliRun;

class FramesCli : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(root / "resources" / "Frames"); }

    // kestro-cli with the frames of this test's own resources folder.
    CliRun run(const std::vector<std::string>& arguments) {
        ::setenv("KESTRO_RESOURCES", (root / "resources").c_str(), 1);
        CliRun result = test::runCli(arguments);
        ::unsetenv("KESTRO_RESOURCES");
        return result;
    }

    // An opaque 100 x 200 frame with a transparent opening over columns 10..89 and rows
    // 20..169 (30 rows below it), inside a transparent border of `pad` pixels.
    fs::path frame(const std::string& relative, int pad = 0) {
        Image image = Image::filled(100 + 2 * pad, 200 + 2 * pad);
        image.fillRect(pad, pad, 100, 200, {30, 30, 30, 255});
        image.fillRect(pad + 10, pad + 20, 80, 150, {});
        const fs::path path = root / relative;
        EXPECT_TRUE(savePng(image, path));
        return path;
    }

    test::ScratchDir scratch;
    const fs::path root = scratch.path();
};

TEST_F(FramesCli, ListsTheCatalogueAsJsonAndAsATableAndTheCustomPresetWhenEmpty) {
    const CliRun empty = run({"frames", "--json"});
    ASSERT_EQ(empty.status, 0) << empty.err;
    const auto custom = nlohmann::json::parse(empty.out);
    ASSERT_EQ(custom.size(), 1u);
    EXPECT_EQ(custom[0]["key"], "custom");
    EXPECT_TRUE(custom[0]["image"].is_null());

    frame("resources/Frames/iphone16pro_max_black_portrait.png");
    frame("resources/iphone15_portrait.png");
    frame("resources/Frames/iphone16_landscape.png");

    const CliRun result = run({"frames", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto list = nlohmann::json::parse(result.out);
    ASSERT_EQ(list.size(), 2u);  // the catalogue's own tests pin its order and labels
    EXPECT_EQ(list[0]["key"], "iphone15_portrait");
    EXPECT_EQ(list[1]["key"], "Frames/iphone16pro_max_black_portrait");
    EXPECT_EQ(list[1]["label"], "iPhone 16 Pro Max Black");
    EXPECT_EQ(list[1]["group"], "iphone16");
    const fs::path image = list[1]["image"].get<std::string>();
    EXPECT_TRUE(image.is_absolute());
    EXPECT_TRUE(
        fs::equivalent(image, root / "resources/Frames/iphone16pro_max_black_portrait.png"));
    EXPECT_EQ(list[1]["defaultScreen"],
              (nlohmann::json{{"x", 9.0}, {"y", 6.0}, {"w", 82.0}, {"h", 88.0}}));
    EXPECT_EQ(list[1]["screen"],
              (nlohmann::json{{"x", 10.0}, {"y", 15.0}, {"w", 80.0}, {"h", 75.0}}));

    const CliRun table = run({"frames"});
    ASSERT_EQ(table.status, 0) << table.err;
    // Grouped under their titles.
    for (const char* shown : {"Frames/iphone16pro_max_black_portrait", "\U0001F4F1 iPhone 16"})
        EXPECT_NE(table.out.find(shown), std::string::npos) << table.out;
}

TEST_F(FramesCli, FrameInfoReportsTrimmedSizeOpeningLabelAndCanvases) {
    const fs::path png = frame("iphone16pro-blue_portrait.png", 5);
    const CliRun result = run({"frame-info", "--json", png.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto info = nlohmann::json::parse(result.out);
    EXPECT_EQ(info["width"], 110);
    EXPECT_EQ(info["height"], 210);
    EXPECT_EQ(info["trimmed"], (nlohmann::json{{"width", 100}, {"height", 200}}));
    EXPECT_EQ(info["screen"], (nlohmann::json{{"x", 10.0}, {"y", 15.0}, {"w", 80.0}, {"h", 75.0}}));
    EXPECT_EQ(info["label"], "iPhone 16 Pro Blue");
    EXPECT_EQ(info["canvas"]["720p"], (nlohmann::json{{"width", 1280}, {"height", 2560}}));
    EXPECT_TRUE(fs::equivalent(info["file"].get<std::string>(), png));

    const CliRun text = run({"frame-info", png.string()});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("100 \u00d7 200"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("1920 \u00d7 3840"), std::string::npos) << text.out;

    // A picture without an opening near its centre says so.
    Image solid = Image::filled(40, 40, {0, 0, 0, 255});
    ASSERT_TRUE(savePng(solid, root / "solid.png"));
    const auto none =
        nlohmann::json::parse(run({"frame-info", "--json", (root / "solid.png").string()}).out);
    EXPECT_TRUE(none["screen"].is_null());
}

TEST_F(FramesCli, FrameInfoFailsWithOneLineNamingTheFile) {
    const fs::path missing = root / "missing.png";
    CliRun result = run({"frame-info", missing.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.empty());
    EXPECT_NE(result.err.find(missing.string()), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;

    const fs::path bogus = root / "bogus.png";
    std::ofstream(bogus) << "not a picture";
    result = run({"frame-info", "--json", bogus.string()});
    EXPECT_EQ(result.status, 1);
    const auto error = nlohmann::json::parse(result.out);
    EXPECT_NE(error["error"]["description"].get<std::string>().find(bogus.string()),
              std::string::npos);

    EXPECT_EQ(run({"frame-info"}).status, 2);
}

}  // namespace
}  // namespace kestro
