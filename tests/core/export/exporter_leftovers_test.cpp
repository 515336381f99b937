// Whole exports stopped the hard way or racing each other: the destination holds either the
// earlier file or one complete movie, and nothing else is left in its folder.

#include "exporter_support.hpp"
#include "support/killed_child.hpp"

#include <fstream>
#include <thread>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

TEST(ExportLeftovers, AnExportKilledMidWayLeavesTheEarlierFileAndNothingElse) {
    ScratchDir sources;
    const fs::path input = test::makeMovie(sources / "in.mp4", {.seconds = 4, .audio = true});
    ASSERT_FALSE(input.empty());
    ScratchDir out;
    const fs::path dest = out / "movie.mp4";
    std::ofstream(dest) << "earlier";

    // The child exports and is killed once frames are being written.
    test::killWhenReady({"export", input.string(), dest.string()});

    EXPECT_EQ(test::fileContents(dest), "earlier");
    // Nothing visible on file systems with unnamed files; elsewhere the next export removes
    // what the killed one left.
    auto config = test::smallConfig();
    config.trimEnd = 0.2;
    ASSERT_TRUE(AVFExporter().exportVideo(input, nullptr, config, out / "next.mp4"));
    EXPECT_EQ(out.entries(), (std::vector<std::string>{"movie.mp4", "next.mp4"}));
}

TEST(ExportLeftovers, TwoExportsToOneDestinationLeaveOneWholeMovie) {
    ScratchDir sources;
    const fs::path input = test::makeMovie(sources / "in.mp4", {});
    ASSERT_FALSE(input.empty());
    ScratchDir out;
    const fs::path dest = out / "movie.mp4";

    auto white = test::smallConfig();
    white.background = BackgroundFill::white();
    auto black = test::smallConfig();
    black.background = BackgroundFill::black();
    bool whiteDone = false;
    bool blackDone = false;
    std::thread first(
        [&] { whiteDone = test::runExport(input, std::nullopt, white, dest).result.ok(); });
    std::thread second(
        [&] { blackDone = test::runExport(input, std::nullopt, black, dest).result.ok(); });
    first.join();
    second.join();
    ASSERT_TRUE(whiteDone && blackDone);

    EXPECT_EQ(out.entries(), std::vector<std::string>{"movie.mp4"});
    const auto probe = test::probeMovie(dest);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_NEAR(probe->duration, 1.0, 0.1);
    // One of the two, whole: every frame has the same background.
    const auto corner = test::lumaAt(dest, 2, 2);
    ASSERT_FALSE(corner.empty());
    for (int luma : corner) EXPECT_NEAR(luma, corner.front(), 3);
    EXPECT_TRUE(corner.front() < 40 || corner.front() > 215) << corner.front();
}

}  // namespace
}  // namespace kestro
