// Captions and title cards from the command line: pixels inside their interval only, and bad
// values refused before anything is written.

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::runCli;

TEST(CaptionCli, CaptionShowsInsideItsIntervalOnly) {
    test::ScratchDir dir;
    // 2 s of mid grey at 10 fps.
    const fs::path source = test::makeSolidMovie(dir / "grey.mp4", 128, 128, 128,
                                                 {.width = 64, .height = 128, .fps = 10, .seconds = 2});
    const fs::path out = dir / "out.mp4";
    const CliRun run = runCli({"export", source.string(), "-o", out.string(), "--width", "320",
                               "--caption", "0.5-1.2:HELLO", "--caption", "1.5-9:cut at the end",
                               "--caption-position", "centre", "--caption-size", "12", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_NEAR(probe->duration, 2.0, 0.06) << "a caption past the end does not lengthen it";
    const auto first = test::decodePicture(out, 0);
    ASSERT_TRUE(first);
    // The middle of the canvas: on the first caption's pill or its letters.
    const std::vector<int> luma = test::lumaAt(out, first->width / 2, first->height / 2);
    ASSERT_EQ(luma.size(), 20u);
    const int grey = luma[0];
    for (int frame = 0; frame < 20; ++frame) {
        // 0.6 .. 1.1 s, past the first fade step; then the second caption, cut at 2 s.
        const bool inside = (frame >= 6 && frame <= 11) || frame >= 16;
        const bool outside = frame <= 4 || frame == 13 || frame == 14;
        if (inside) {
            EXPECT_GT(std::abs(luma[frame] - grey), 10) << "frame " << frame;
        }
        if (outside) {
            EXPECT_LE(std::abs(luma[frame] - grey), 3) << "frame " << frame;
        }
    }
}

TEST(CaptionCli, BadCaptionsAndTitlesExitWithTwoAndWriteNothing) {
    test::ScratchDir dir;
    const fs::path input = dir / "in.mp4";
    std::ofstream(input) << "not really a movie";
    const std::string out = (dir / "out.mp4").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes{
        {{"--caption", "0-1:\xff\xfe"}, "--caption"},
        {{"--caption", "0-1:"}, "--caption"},
        {{"--caption", "0-1:   "}, "--caption"},
        {{"--caption", "0-1:bell\a"}, "--caption"},
        {{"--caption", "0-1:tab\tstop"}, "--caption"},
        {{"--caption", "2-1:backwards"}, "--caption"},
        {{"--caption", "1-1:no length"}, "--caption"},
        {{"--caption", "soon-2:x"}, "--caption"},
        {{"--caption", "1:no end"}, "--caption"},
        {{"--caption", "0-1"}, "--caption"},
        {{"--caption", "0-1:ok", "--caption-size", "0"}, "--caption-size"},
        {{"--caption", "0-1:ok", "--caption-size", "40"}, "--caption-size"},
        {{"--caption", "0-1:ok", "--caption-position", "left"}, "--caption-position"},
        {{"--title", "|subtitle only"}, "--title"},
        {{"--title", "Title|\x01"}, "--title"},
        {{"--outro", "\xc0\xaf"}, "--outro"},
        {{"--title", "Title", "--title-seconds", "0.1"}, "--title-seconds"},
        {{"--title", "Title", "--title-seconds", "60"}, "--title-seconds"},
        {{"--title-seconds", "2"}, "--title-seconds"},
    };
    for (const auto& [extra, option] : mistakes) {
        std::vector<std::string> args{"export", input.string(), "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 2) << extra[1] << "\n" << run.err;
        EXPECT_NE(run.err.find(option), std::string::npos) << extra[1] << ": " << run.err;
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.mp4"});
}

}  // namespace
}  // namespace kestro
