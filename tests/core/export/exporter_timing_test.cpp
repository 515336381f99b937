// Which source frame each output frame shows, and how long the output runs.

#include "exporter_support.hpp"

#include "core/media/video_reader.hpp"

#include <cmath>
#include <cstring>
#include <numeric>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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
// pictures; the export keeps every one of them and holds each still picture until the next:
// written once with the source's timing, or on every tick when asked for a constant rate.
TEST(ExporterTimingTest, BurstsOfMotionKeepEveryPictureAndStillsAreHeld) {
    ScratchDir dir;
    auto sourceTime = [](int n) { return n < 30 ? n / 60.0 : 0.5 + (n - 29) * 0.5; };
    std::vector<int> ticks;
    for (int n = 0; n < 35; ++n) ticks.push_back(static_cast<int>(std::lround(sourceTime(n) * 60)));
    const auto source =
        test::makeHeldPicturesMovie(dir / "burst.mp4", 60, ticks, 6,
                                    "-enc_time_base 1/600 -c:v libx264 -preset ultrafast -qp 0");
    ASSERT_FALSE(source.empty());
    for (const bool constant : {false, true}) {
        ExportConfig config = test::smallConfig();
        config.constantRate = constant;
        const auto out = dir / "burst-out.mp4";
        ASSERT_TRUE(test::exported(source, config, out));
        const auto probe = test::probeMovie(out);
        ASSERT_TRUE(probe && probe->video);
        EXPECT_EQ(probe->video->frameRate, "60/1");
        // Through the last picture, at 3 s. The length is counted in pictures shown: with
        // reordered pictures at variable times, FFmpeg 7 and later state an MP4's duration as
        // its decoding steps, which end a second early here.
        EXPECT_EQ(probe->video->frames, constant ? 181 : 35);
        const auto luma = test::lumaAt(out, 100, 200, 60);
        ASSERT_EQ(luma.size(), 181u);
        for (size_t k = 0; k < luma.size(); ++k) {
            const double t = static_cast<double>(k) / 60;
            int expected = 0;
            for (int n = 0; n < 35; ++n) {
                if (sourceTime(n) <= t + 1e-9) expected = n;
            }
            EXPECT_EQ(test::frameNumberFromLuma(luma[k]), expected)
                << "tick " << k << " at " << t << (constant ? ", constant rate" : "");
        }
    }
}

// Containers whose backward seek overshoots (MPEG-TS lands on the next keyframe, 2 s on) or
// has no index entry to land on must still start the export on the right picture, also after
// the last keyframe. The ffmpeg tool's own MPEG-TS files (times from 1.4 s, or later with an
// offset) send even a seek to their start to the 2 s keyframe.
TEST(ExporterTimingTest, TrimStartLandsOnTheRightFrameInEveryContainer) {
    ScratchDir dir;
    // 30 fps, keyframes at 0 and 2 s only; the plain files at the encoder's default settings.
    const std::string gop = "-c:v libx264 -g 60 -keyint_min 60 -sc_threshold 0";
    const auto ts = test::makeIndexedMovie(dir / "gop.ts", 30, 72, 60);
    const auto mkv = test::makeIndexedMovie(dir / "gop.mkv", 30, 72, 60);
    const auto plainTs = test::makeNumberedMovie(dir / "plain.ts", "30", 72, "", gop);
    const auto lateTs =
        test::makeNumberedMovie(dir / "late.ts", "30", 72, "", gop + " -output_ts_offset 10");
    for (const auto& source : {ts, mkv, plainTs, lateTs}) ASSERT_FALSE(source.empty());
    for (const auto& [source, start, frame] : {std::tuple{ts, 0.5, 15},
                                               {ts, 2.2, 66},
                                               {mkv, 0.5, 15},
                                               {mkv, 2.2, 66},
                                               {plainTs, 0.5, 15},
                                               {plainTs, 1.9, 57},
                                               {lateTs, 1.0, 30}}) {
        const std::string name = source.filename().string();
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

// A constant-rate source keeps every picture, once each, at its own rate: NTSC rates as their
// exact fractions, and Matroska's millisecond times (a 30 fps picture lands up to a third of a
// millisecond after its tick) still on their own ticks.
TEST(ExporterTimingTest, ConstantRateSourcesKeepEveryPictureInEveryContainer) {
    ScratchDir dir;
    const std::string x264 = "-c:v libx264 -preset ultrafast -qp 0";
    const std::string vp9 = "-c:v libvpx-vp9 -lossless 1 -deadline realtime -cpu-used 8";
    // FLV (a desktop recorder's old default) with reordered pictures: its first is shown a frame
    // late, and its index ends past the last packet.
    const std::string reordered = "-c:v libx264 -preset veryfast -qp 0 -bf 2";
    for (const auto& [name, rate, encode] : {std::tuple{"ntsc30.mp4", "30000/1001", x264},
                                             {"rate30.flv", "30", reordered},
                                             {"rate30.avi", "30", x264},
                                             {"ntsc30.avi", "30000/1001", x264},
                                             {"ntsc60.mp4", "60000/1001", x264},
                                             {"ntsc60.mkv", "60000/1001", x264},
                                             {"rate30.webm", "30", vp9},
                                             {"rate60.webm", "60", vp9},
                                             {"rate30.mkv", "30", x264},
                                             {"rate60.mkv", "60", x264}}) {
        const int frames = 72;
        const auto source = test::makeNumberedMovie(dir / name, rate, frames, "", encode);
        ASSERT_FALSE(source.empty()) << name;
        const auto out = dir / "out.mp4";
        ASSERT_TRUE(test::exported(source, test::smallConfig(), out)) << name;
        const auto probe = test::probeMovie(out);
        ASSERT_TRUE(probe && probe->video) << name;
        EXPECT_EQ(probe->video->frameRate, std::string(rate) + (std::strchr(rate, '/') ? "" : "/1"))
            << name;
        const auto luma = test::lumaAt(out, 100, 200);
        ASSERT_EQ(luma.size(), static_cast<size_t>(frames)) << name;
        int wrong = 0;
        for (size_t k = 0; k < luma.size(); ++k) {
            if (test::indexFromLuma(luma[k]) != static_cast<int>(k)) ++wrong;
        }
        EXPECT_EQ(wrong, 0) << name << ": output frames not showing their own source frame";
    }
}

// GIF stores its times in hundredths of a second, so 15 and 30 fps pictures come 6 or 7 and 3 or
// 4 hundredths apart. The export keeps the rate they were made at, each picture once.
TEST(ExporterTimingTest, GifTimesInHundredthsKeepTheirRate) {
    ScratchDir dir;
    for (const auto& [name, rate] : {std::pair{"rate15.gif", "15"}, {"rate30.gif", "30"}}) {
        const int frames = 45;
        const auto source =
            test::makeNumberedMovie(dir / name, rate, frames, "", "-pix_fmt gray -c:v gif");
        ASSERT_FALSE(source.empty()) << name;
        const auto out = dir / "out.mp4";
        ASSERT_TRUE(test::exported(source, test::smallConfig(), out)) << name;
        const auto probe = test::probeMovie(out);
        ASSERT_TRUE(probe && probe->video) << name;
        EXPECT_EQ(probe->video->frameRate, std::string(rate) + "/1") << name;
        // The grey steps up with every picture: each output frame is the next one.
        const auto luma = test::lumaAt(out, 100, 200);
        ASSERT_EQ(luma.size(), static_cast<size_t>(frames)) << name;
        int repeated = 0;
        for (size_t k = 1; k < luma.size(); ++k) {
            if (luma[k] <= luma[k - 1]) ++repeated;
        }
        EXPECT_EQ(repeated, 0) << name;
    }
}

// AVI stores decoding times only: with reordered pictures the decoder hands out the last ones
// without any time. They still come after the others, each once, and the movie ends on the last.
TEST(ExporterTimingTest, AviWithReorderedPicturesKeepsItsLastPictures) {
    ScratchDir dir;
    const int frames = 60;
    const auto source = test::makeNumberedMovie(dir / "reordered.avi", "30", frames, "",
                                                "-c:v libx264 -preset veryfast -qp 0 -bf 2");
    ASSERT_FALSE(source.empty());
    const auto out = dir / "out.mp4";
    ASSERT_TRUE(test::exported(source, test::smallConfig(), out));
    std::vector<int> shown;
    for (const int luma : test::lumaAt(out, 100, 200)) {
        const int index = test::indexFromLuma(luma);
        if (shown.empty() || shown.back() != index) shown.push_back(index);
    }
    std::vector<int> every(frames);
    std::iota(every.begin(), every.end(), 0);
    EXPECT_EQ(shown, every);
}

// A trim that starts between two pictures of an NTSC-rate source writes the pictures of the
// range, each once: its first is the picture shown at the start, its last the one shown just
// before the end. A start a hair before a picture (1 s against a picture at 1.001 s) must not
// add a tick at the end that shows the last picture twice. The MPEG-TS is the ffmpeg tool's
// own, at its muxer's default settings (times from 1.4 s).
TEST(ExporterTimingTest, NtscTrimsBetweenPicturesKeepEachPictureOnce) {
    ScratchDir dir;
    const int frames = 72;
    const double step = 1001.0 / 30000;
    std::vector<std::filesystem::path> sources;
    for (const char* name : {"ntsc.ts", "ntsc.mp4", "ntsc.mkv"}) {
        sources.push_back(test::makeNumberedMovie(dir / name, "30000/1001", frames, "",
                                                  "-c:v libx264 -g 60"));
        ASSERT_FALSE(sources.back().empty()) << name;
    }
    // The picture on screen at time t (a quarter tick of grace, as the exporter reads it).
    auto shownAt = [&](double t) {
        return std::min(frames - 1, static_cast<int>(std::floor((t + step / 4) / step)));
    };
    for (const auto& source : sources) {
        for (const auto& [start, end] : {std::pair{1.0, 1e9}, std::pair{0.52, 1.7},
                                         std::pair{1.0, 60 * step}, std::pair{0.3, 1.0}}) {
            const std::string what = source.filename().string() + " from " + std::to_string(start) +
                                     " to " + std::to_string(end);
            ExportConfig config = test::smallConfig();
            config.trimStart = start;
            config.trimEnd = end;
            const auto out = dir / "trim.mp4";
            ASSERT_TRUE(test::exported(source, config, out)) << what;
            const int first = shownAt(start);
            // The last picture that starts before the end.
            const int last = static_cast<int>(
                std::min<double>(frames - 1, std::ceil(end / step - 1e-6) - 1));
            const auto luma = test::lumaAt(out, 100, 200);
            EXPECT_EQ(luma.size(), static_cast<size_t>(last - first + 1)) << what;
            int wrong = 0;
            for (size_t k = 0; k < luma.size(); ++k) {
                if (test::indexFromLuma(luma[k]) != first + static_cast<int>(k)) ++wrong;
            }
            EXPECT_EQ(wrong, 0) << what << ": output frames not showing their own source frame";
        }
    }
}

// An MP4 as Android's encoders write it: reordered pictures (B-frames), variable timing and an
// edit list. Its stream's decoding steps add up to less than the movie; the movie lasts until
// its last picture has been shown, and the export keeps that picture.
TEST(ExporterTimingTest, ReorderedVariableRateMp4KeepsItsLastPictures) {
    ScratchDir dir;
    // 30 pictures at 30 fps, then ten more 0.3 s apart: the last at 3.7 s.
    std::vector<int> ticks;
    for (int n = 0; n < 40; ++n) ticks.push_back(n < 30 ? n : 30 + (n - 30) * 9);
    const auto source = test::makeHeldPicturesMovie(
        dir / "android.mp4", 30, ticks, 3,
        "-enc_time_base 1/90000 -c:v libx264 -preset veryfast -bf 3 -g 30");
    ASSERT_FALSE(source.empty());
    auto reader = VideoReader::open(source);
    ASSERT_TRUE(reader);
    const double length = (*reader)->info().duration;
    // To the last picture's end; the header's whole milliseconds (3.734) add no tick.
    EXPECT_NEAR(length, 3.7 + 1 / 30.0, 1e-6);
    // The reader still starts at the first picture after finding the last one.
    auto first = (*reader)->next();
    ASSERT_TRUE(first && *first);
    EXPECT_DOUBLE_EQ((*first)->time, 0.0);

    const auto out = dir / "out.mp4";
    ASSERT_TRUE(test::exported(source, test::smallConfig(), out));
    // Shown through 3.7 s and a frame (as counted in the burst test above).
    const auto luma = test::lumaAt(out, 100, 200, 30);
    ASSERT_GE(luma.size(), 112u);
    EXPECT_EQ(test::indexFromLuma(luma.back()), 39);
    // The track's samples add up to the recording's length, through the last picture, to the
    // tick that ends it: players that take the movie's length from them would otherwise stop
    // at 3.5 s, during the last wait. The whole movie says the same. (Not from the count above:
    // FFmpeg 9's fps filter, unlike 5.1's and 7.1's, holds the last picture of a B-frame stream
    // for its sample's duration, which is a step between decode times, 0.3 s here.)
    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_GE(probe->video->duration, length - 0.002);
    EXPECT_LE(probe->video->duration, length + 0.002);
    EXPECT_NEAR(probe->duration, probe->video->duration, 0.002);
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
