// The camera from the command line: --zoom moves in where and when it says, and bad values or an
// --auto-zoom without touches are refused before anything is written.

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

TEST(ZoomCli, ZoomMovesInOnThePointForItsInterval) {
    test::ScratchDir dir;
    // 2 s of light grey at 10 fps, framed over black.
    const fs::path source = test::makeSolidMovie(
        dir / "grey.mp4", 200, 200, 200, {.width = 64, .height = 128, .fps = 10, .seconds = 2});
    const fs::path out = dir / "out.mp4";
    const CliRun run = runCli({"export", source.string(), "-o", out.string(), "--width", "320",
                               "--zoom", "0.5-1.5@0.5,0.5x4", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    // At 1x the canvas's corner is background; at 4x on the recording's middle the whole
    // output is the recording.
    const std::vector<int> corner = test::lumaAt(out, 4, 4);
    ASSERT_EQ(corner.size(), 20u);
    for (int frame : {0, 2, 17, 19}) EXPECT_LT(corner[frame], 40) << "frame " << frame;
    for (int frame : {9, 10, 11}) EXPECT_GT(corner[frame], 170) << "frame " << frame;
}

TEST(ZoomCli, BadZoomsExitWithTwoNamingTheOptionAndValue) {
    test::ScratchDir dir;
    const fs::path source = test::makeSolidMovie(
        dir / "grey.mp4", 128, 128, 128, {.width = 64, .height = 128, .fps = 10, .seconds = 1});
    const fs::path out = dir / "out.mp4";
    for (const std::string bad :
         {"1-2", "2-1@0.5,0.5", "1-1@0.5,0.5", "a-2@0.5,0.5", "-1-2@0.5,0.5", "nan-2@.5,.5",
          "1-inf@.5,.5", "1-2@0.5", "1-2@1.5,0.5", "1-2@0.5,-0.1", "1-2@0.5,0.5x5",
          "1-2@0.5,0.5x0.5", "1-2@0.5,0.5x", "1-2@0.5,0.5x2x", "1e0-2@0.5,0.5", "1-2@ 0.5,0.5",
          "1-36000.5@0.5,0.5", "0.25-1@0.5,0.5"}) {
        const CliRun run = runCli({"export", source.string(), "-o", out.string(), "--zoom",
                                   "0-0.5@0.5,0.5", "--zoom", bad, "--quiet"});
        EXPECT_EQ(run.status, 2) << bad << "\n" << run.err;
        EXPECT_NE(run.err.find("--zoom"), std::string::npos) << bad << ": " << run.err;
        EXPECT_NE(run.err.find(bad), std::string::npos) << bad << ": " << run.err;
        EXPECT_FALSE(fs::exists(out)) << bad;
    }
    // Zoom on taps with no touches to go on.
    const CliRun none =
        runCli({"export", source.string(), "-o", out.string(), "--auto-zoom", "--quiet"});
    EXPECT_EQ(none.status, 2) << none.err;
    EXPECT_NE(none.err.find("--auto-zoom"), std::string::npos) << none.err;
    EXPECT_FALSE(fs::exists(out));
}

TEST(ZoomCli, AutoZoomFollowsTouchesThatAreNotDrawn) {
    test::ScratchDir dir;
    const fs::path source = test::makeSolidMovie(
        dir / "grey.mp4", 200, 200, 200, {.width = 64, .height = 128, .fps = 10, .seconds = 2});
    const fs::path touches = dir / "taps.json";
    std::ofstream(touches)
        << R"({"version": 1, "touches": [{"t": 1.0, "x": 32, "y": 64, "phase": "down", "id": 0},
                                         {"t": 1.1, "x": 32, "y": 64, "phase": "up", "id": 0}]})";
    const fs::path out = dir / "out.mp4";
    const CliRun run =
        runCli({"export", source.string(), "-o", out.string(), "--width", "320", "--touches",
                touches.string(), "--taps", "off", "--auto-zoom", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    // In on the tap in the recording's middle: the canvas's corner gives way to the recording.
    const std::vector<int> corner = test::lumaAt(out, 4, 4);
    ASSERT_EQ(corner.size(), 20u);
    EXPECT_LT(corner[0], 40);
    EXPECT_GT(corner[12], 170);
}

}  // namespace
}  // namespace kestro
