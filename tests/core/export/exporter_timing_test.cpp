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
    // Between frames 12 and 13, 0.8 s: ceil(0.8 s x 10) frames; and a start on frame 5.
    for (const auto& [start, end, first, count] :
         {std::tuple{1.25, 2.05, 12, 8}, std::tuple{0.5, 1.0, 5, 5}}) {
        ExportConfig config = test::smallConfig();
        config.trimStart = start;
        config.trimEnd = end;
        const auto out = dir / "trim.mp4";
        ASSERT_TRUE(test::exported(source, config, out));
        const auto luma = test::lumaAt(out, 100, 200);
        ASSERT_EQ(luma.size(), static_cast<size_t>(count)) << "from " << start;
        for (size_t k = 0; k < luma.size(); ++k) {
            EXPECT_EQ(test::frameNumberFromLuma(luma[k]), first + static_cast<int>(k))
                << "from " << start << ", output frame " << k;
        }
    }
}

// A phone recording: half a second of 60 fps motion, then the screen stands still and a picture
// comes every half second. The average rate (about 12) would drop four of every five moving
// pictures; the export keeps every one of them and holds each still picture until the next.
TEST(ExporterTimingTest, BurstsOfMotionKeepEveryPictureAndStillsAreHeld) {
    ScratchDir dir;
    const auto counting = test::makeCountingMovie(dir / "count.mp4", 60, 35);
    const auto source = test::makeWithFfmpeg(
        dir / "burst.mp4",
        "-i " + test::shellQuote(counting.string()) +
            " -vf \"setpts='if(lt(N,30),N/60,0.5+(N-29)*0.5)/TB'\""
            " -fps_mode vfr -enc_time_base 1/600 -c:v libx264 -preset ultrafast -qp 0");
    ASSERT_FALSE(source.empty());
    auto sourceTime = [](int n) { return n < 30 ? n / 60.0 : 0.5 + (n - 29) * 0.5; };
    const auto out = dir / "burst-out.mp4";
    ASSERT_TRUE(test::exported(source, test::smallConfig(), out));
    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frameRate, "60/1");
    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_EQ(luma.size(), 181u);  // through the last picture, at 3 s
    for (size_t k = 0; k < luma.size(); ++k) {
        const double t = static_cast<double>(k) / 60;
        int expected = 0;
        for (int n = 0; n < 35; ++n) {
            if (sourceTime(n) <= t + 1e-9) expected = n;
        }
        EXPECT_EQ(test::frameNumberFromLuma(luma[k]), expected) << "tick " << k << " at " << t;
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
            ASSERT_TRUE(test::exported(source, config, out)) << name << " from " << start;
            const auto luma = test::lumaAt(out, 100, 200);
            ASSERT_EQ(luma.size(), 3u) << name;
            EXPECT_EQ(test::indexFromLuma(luma.front()), frame) << name << " from " << start;
        }
    }
}

TEST(ExporterTimingTest, OneFrameMovieExportsOneFrame) {
    ScratchDir dir;
    const auto source = test::makeMovie(dir / "one.mp4", {.fps = 10, .seconds = 0.1});
    ASSERT_TRUE(test::exported(source, test::smallConfig(), dir / "one-out.mp4"));
    const auto probe = test::probeMovie(dir / "one-out.mp4");
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frames, 1);
}

}  // namespace
}  // namespace kestro
