// Which source frame each output frame shows, and how long the output runs.

#include "exporter_support.hpp"

#include <tuple>
#include <utility>

namespace kestro {
namespace {

using test::ScratchDir;

// The output samples the source at its own rate from the trim start: frame k shows the latest
// source frame at or before start + k / fps, so the numbers run on from the start's frame.
TEST(ExporterTimingTest, TrimIsExactToTheFrame) {
    ScratchDir dir;
    // 10 fps, frame n has luma 16 + 6n; keyframes only every 8 frames.
    const auto source = test::makeCountingMovie(dir / "count.mp4", 10, 30);
    ExportConfig config = test::smallConfig();
    config.trimStart = 1.25;  // between frames 12 and 13
    config.trimEnd = 2.05;
    const auto out = dir / "trim.mp4";
    const auto run = test::runExport(source, std::nullopt, config, out);
    ASSERT_TRUE(run.result) << run.result.error().errorDescription();

    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_EQ(luma.size(), 8u);  // ceil(0.8 s x 10)
    for (size_t k = 0; k < luma.size(); ++k) {
        EXPECT_EQ(test::frameNumberFromLuma(luma[k]), 12 + static_cast<int>(k))
            << "output frame " << k;
    }
}

TEST(ExporterTimingTest, StartOnAFrameShowsThatFrame) {
    ScratchDir dir;
    const auto source = test::makeCountingMovie(dir / "count.mp4", 10, 20);
    ExportConfig config = test::smallConfig();
    config.trimStart = 0.5;
    config.trimEnd = 1.0;
    const auto out = dir / "trim.mp4";
    const auto run = test::runExport(source, std::nullopt, config, out);
    ASSERT_TRUE(run.result) << run.result.error().errorDescription();
    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_EQ(luma.size(), 5u);
    EXPECT_EQ(test::frameNumberFromLuma(luma.front()), 5);
    EXPECT_EQ(test::frameNumberFromLuma(luma.back()), 9);
}

TEST(ExporterTimingTest, VariableFrameRateHoldsEachFrameUntilTheNext) {
    ScratchDir dir;
    // Frames 0..5 at 0, 0.1, ..., 0.5 s, then a pause: frames 6..9 at 1.5 .. 1.8 s. Made by
    // moving the timestamps of a 10 fps counting movie.
    const auto counting = test::makeCountingMovie(dir / "count.mp4", 10, 10);
    const auto source = dir / "vfr.mp4";
    ASSERT_EQ(test::runCommand(std::string(KESTRO_FFMPEG) + " -nostdin -v error -i " +
                               test::shellQuote(counting.string()) +
                               " -vf \"setpts='if(gt(N,5),(N+9)/10/TB,N/10/TB)'\" -vsync vfr"
                               " -c:v libx264 -preset ultrafast -qp 0 " +
                               test::shellQuote(source.string())),
              0);
    auto sourceTime = [](int n) { return n <= 5 ? n / 10.0 : (n + 9) / 10.0; };
    // Captured 0.1 s apart at the closest: the output runs at 10 fps, not at the average.
    const int rate = 10;

    const auto out = dir / "held.mp4";
    const auto run = test::runExport(source, std::nullopt, test::smallConfig(), out);
    ASSERT_TRUE(run.result) << run.result.error().errorDescription();
    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_EQ(luma.size(), 19u);
    bool sawTheHold = false;
    for (size_t k = 0; k < luma.size(); ++k) {
        const double t = static_cast<double>(k) / rate;
        int expected = 0;
        for (int n = 0; n < 10; ++n) {
            if (sourceTime(n) <= t + 1e-9) expected = n;
        }
        sawTheHold |= expected == 5 && t > 0.9;
        EXPECT_EQ(test::frameNumberFromLuma(luma[k]), expected) << "tick " << k << " at " << t;
    }
    EXPECT_TRUE(sawTheHold);
}

// A phone recording: half a second of 60 fps motion, then the screen stands still and a picture
// comes every half second. The average rate (about 12) would drop four of every five moving
// pictures; the export keeps every one of them.
TEST(ExporterTimingTest, BurstsOfMotionKeepEveryPicture) {
    ScratchDir dir;
    const auto counting = test::makeCountingMovie(dir / "count.mp4", 60, 35);
    const auto source = dir / "burst.mp4";
    ASSERT_EQ(test::runCommand(std::string(KESTRO_FFMPEG) + " -nostdin -v error -i " +
                               test::shellQuote(counting.string()) +
                               " -vf \"setpts='if(lt(N,30),N/60,0.5+(N-29)*0.5)/TB'\""
                               " -vsync vfr -enc_time_base 1/600 -c:v libx264 -preset ultrafast"
                               " -qp 0 " +
                               test::shellQuote(source.string())),
              0);
    const auto out = dir / "burst-out.mp4";
    const auto run = test::runExport(source, std::nullopt, test::smallConfig(), out);
    ASSERT_TRUE(run.result) << run.result.error().errorDescription();
    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frameRate, "60/1");
    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_GE(luma.size(), 30u);
    for (size_t k = 0; k < 30; ++k) {
        EXPECT_EQ(test::frameNumberFromLuma(luma[k]), static_cast<int>(k)) << "tick " << k;
    }
}

// The rate the user asks for wins, fractions included, and stays exact: 29.97 is 30000/1001.
TEST(ExporterTimingTest, RequestedRateIsExact) {
    ScratchDir dir;
    const auto source = test::makeCountingMovie(dir / "count.mp4", 10, 20);
    for (const auto& [fps, written, frames] :
         {std::tuple{29.97, "30000/1001", 60}, std::tuple{12.5, "25/2", 25}}) {
        ExportConfig config = test::smallConfig();
        config.fps = fps;
        const auto out = dir / "rate.mp4";
        const auto run = test::runExport(source, std::nullopt, config, out);
        ASSERT_TRUE(run.result) << run.result.error().errorDescription();
        const auto probe = test::probeMovie(out);
        ASSERT_TRUE(probe && probe->video);
        EXPECT_EQ(probe->video->frameRate, written);
        EXPECT_EQ(probe->video->frames, frames);  // ceil(2 s x rate)
    }
}

// Containers whose backward seek overshoots (MPEG-TS lands on the next keyframe, 2 s on) or
// has no index entry to land on must still start the export on the right picture, also after
// the last keyframe.
TEST(ExporterTimingTest, TrimStartLandsOnTheRightFrameInEveryContainer) {
    ScratchDir dir;
    for (const char* name : {"gop.ts", "gop.mkv"}) {
        // 30 fps, keyframes at 0 and 2 s only.
        const auto source = test::makeIndexedMovie(dir / name, 30, 72, 60);
        ASSERT_FALSE(source.empty());
        for (const auto& [start, frame] : {std::pair{0.5, 15}, std::pair{2.2, 66}}) {
            ExportConfig config = test::smallConfig();
            config.fps = 30;
            config.trimStart = start;
            config.trimEnd = start + 0.1;
            const auto out = dir / "trim.mp4";
            const auto run = test::runExport(source, std::nullopt, config, out);
            ASSERT_TRUE(run.result)
                << name << " from " << start << ": " << run.result.error().errorDescription();
            const auto luma = test::lumaAt(out, 100, 200);
            ASSERT_EQ(luma.size(), 3u) << name;
            EXPECT_EQ(test::indexFromLuma(luma.front()), frame) << name << " from " << start;
        }
    }
}

TEST(ExporterTimingTest, OneFrameMovieExportsOneFrame) {
    ScratchDir dir;
    test::MovieSpec recipe;
    recipe.fps = 10;
    recipe.seconds = 0.1;
    const auto source = test::makeMovie(dir / "one.mp4", recipe);
    const auto out = dir / "one-out.mp4";
    const auto run = test::runExport(source, std::nullopt, test::smallConfig(), out);
    ASSERT_TRUE(run.result) << run.result.error().errorDescription();
    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frames, 1);
}

}  // namespace
}  // namespace kestro
