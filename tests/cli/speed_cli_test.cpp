// Speed changes from the command line: the written movie's length, waits shortened, and bad
// values refused before anything is written.

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::runCli;

// 4 s at 10 fps: 1-2 at 4x and 3-4 at half speed give 1 + 0.25 + 1 + 2 = 4.25 s: 43 ticks.
TEST(SpeedCli, SegmentsGiveTheExactLength) {
    test::ScratchDir dir;
    const fs::path source = test::makeMovie(dir / "rec.mp4", {.fps = 10, .seconds = 4});
    const fs::path out = dir / "out.mp4";
    const CliRun run = runCli({"export", source.string(), "-o", out.string(), "--width", "160",
                               "--speed", "1-2@4", "--speed", "3-4@0.5x", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frames, 43);
    EXPECT_NEAR(probe->video->duration, 4.3, 1e-3);
}

// Motion for 0.9 s, the screen still for three, motion again for a second: with a limit of one
// second the wait is sped threefold and the movie lasts 0.9 + 1 + 1 s.
TEST(SpeedCli, ShortenStillsSpeedsTheWait) {
    test::ScratchDir dir;
    const fs::path source =
        test::makeWaitingMovie(dir / "wait.mp4", 64, 128, "-c:v libx264 -preset ultrafast");
    ASSERT_FALSE(source.empty());
    const fs::path out = dir / "out.mp4";
    const CliRun run = runCli({"export", source.string(), "-o", out.string(), "--width", "160",
                               "--shorten-stills", "1", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frames, 29);
}

TEST(SpeedCli, BadSpeedValuesExitWithTwoAndWriteNothing) {
    test::ScratchDir dir;
    const fs::path input = dir / "in.mp4";
    std::ofstream(input) << "not really a movie";
    const std::string out = (dir / "out.mp4").string();
    const std::vector<std::vector<std::string>> mistakes{
        {"--speed", "1-4@2", "--speed", "3-5@2"},  // overlapping
        {"--speed", "1-2@0.2"},
        {"--speed", "1-2@17"},
        {"--speed", "1-2@fast"},
        {"--speed", "2-1@2"},
        {"--speed", "-1-2@2"},
        {"--speed", "1-2"},
        {"--speed", "1@2"},
        {"--shorten-stills", "0"},
        {"--shorten-stills", "soon"},
    };
    for (const auto& extra : mistakes) {
        std::vector<std::string> args{"export", input.string(), "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 2) << extra.back() << "\n" << run.err;
        EXPECT_NE(run.err.find(extra.front()), std::string::npos)
            << extra.back() << ": " << run.err;
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.mp4"});
}

}  // namespace
}  // namespace kestro
