// Which source frame each output frame shows, and how long the output runs.

#include "exporter_support.hpp"

#include "core/export/render_geometry.hpp"
#include "core/media/video_reader.hpp"

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
    auto reader = VideoReader::open(source);
    ASSERT_TRUE(reader);
    const int rate = outputFrameRate((*reader)->info().video.averageFrameRate);

    const auto out = dir / "held.mp4";
    const auto run = test::runExport(source, std::nullopt, test::smallConfig(), out);
    ASSERT_TRUE(run.result) << run.result.error().errorDescription();
    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_GE(luma.size(), 5u);
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
