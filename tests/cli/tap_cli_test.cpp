// Taps from the command line: the touch file beside the recording is drawn by default, the
// options change or stop it, and bad values or a broken file stop the export before it starts.

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::runCli;

constexpr const char* kCentreTap =
    R"({"version": 1, "touches": [{"t": 0.5, "x": 32, "y": 64, "phase": "down", "id": 0},
                                  {"t": 0.55, "x": 32, "y": 64, "phase": "up", "id": 0}]})";

TEST(TapCli, TheTouchFileBesideTheRecordingIsDrawnUnlessTurnedOff) {
    test::ScratchDir dir;
    // 1.5 s of near black at 10 fps; without a frame the recording fills the 320 x 640 canvas,
    // so its pixel (32, 64) is the canvas's centre.
    const fs::path source = test::makeSolidMovie(
        dir / "take.mp4", 20, 20, 20, {.width = 64, .height = 128, .fps = 10, .seconds = 1.5});
    std::ofstream(dir / "take.touches.json") << kCentreTap;

    const fs::path drawn = dir / "drawn.mp4";
    CliRun run = runCli({"export", source.string(), "-o", drawn.string(), "--width", "320",
                         "--tap-colour", "#FF0000", "--tap-opacity", "100", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto luma = test::lumaAt(drawn, 160, 320);
    ASSERT_EQ(luma.size(), 15u);
    EXPECT_LT(luma[4], 40);
    EXPECT_GT(luma[5], luma[4] + 20);  // red over near black
    const auto picture = test::decodePicture(drawn, 5);
    ASSERT_TRUE(picture);
    const Rgba centre = picture->average(160, 320, 3);
    EXPECT_GT(centre.r, 200);
    EXPECT_LT(centre.g, 60);

    const fs::path plain = dir / "plain.mp4";
    run = runCli({"export", source.string(), "-o", plain.string(), "--width", "320", "--taps",
                  "off", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(test::lumaAt(plain, 160, 320).at(5), 40);

    // A touch file given by name replaces the one beside the recording.
    std::ofstream(dir / "elsewhere.json")
        << R"({"version": 1, "touches": [{"t": 0.9, "x": 5, "y": 5, "phase": "down"}]})";
    const fs::path other = dir / "other.mp4";
    run = runCli({"export", source.string(), "-o", other.string(), "--width", "320", "--touches",
                  (dir / "elsewhere.json").string(), "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(test::lumaAt(other, 160, 320).at(5), 40);
    EXPECT_GT(test::lumaAt(other, 25, 25).at(9), 100);
}

TEST(TapCli, BadValuesAndBrokenTouchFilesWriteNothing) {
    test::ScratchDir dir;
    const fs::path input = dir / "in.mp4";
    std::ofstream(input) << "not really a movie";
    std::ofstream(dir / "broken.json")
        << R"({"version": 1, "touches": [{"t": 1, "phase": "tap"}]})";
    const std::string out = (dir / "out.mp4").string();
    const std::vector<std::vector<std::string>> mistakes{
        {"--taps", "maybe"},
        {"--tap-size", "0"},
        {"--tap-size", "41"},
        {"--tap-size", "big"},
        {"--tap-size", "0x10"},
        {"--tap-colour", "red"},
        {"--tap-color", "#12345"},
        {"--tap-opacity", "101"},
        {"--tap-opacity", "-1"},
        {"--touches", (dir / "missing.json").string()},
        {"--touches", (dir / "broken.json").string()},
    };
    for (const auto& extra : mistakes) {
        std::vector<std::string> args{"export", input.string(), "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 2) << extra[0] << "\n" << run.err;
        const std::string option = extra[0] == "--tap-color" ? "--tap-colour" : extra[0];
        EXPECT_NE(run.err.find(option + " \"" + extra[1] + "\""), std::string::npos)
            << extra[0] << ": " << run.err;
    }
    // The broken file says what is wrong in it.
    const CliRun named =
        runCli({"export", input.string(), "-o", out, "--touches", (dir / "broken.json").string()});
    EXPECT_NE(named.err.find("Touch 1"), std::string::npos) << named.err;

    // A broken file beside the recording is not silently skipped; --taps off skips reading it.
    fs::copy_file(dir / "broken.json", dir / "in.touches.json");
    const CliRun beside = runCli({"export", input.string(), "-o", out});
    EXPECT_EQ(beside.status, 1) << beside.err;
    EXPECT_NE(beside.err.find("in.touches.json"), std::string::npos) << beside.err;
    EXPECT_NE(beside.err.find("--taps off"), std::string::npos) << beside.err;
    const CliRun off = runCli({"export", input.string(), "-o", out, "--taps", "off"});
    EXPECT_EQ(off.err.find("touch"), std::string::npos) << off.err;

    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"broken.json", "in.mp4", "in.touches.json"}));
}

}  // namespace
}  // namespace kestro
