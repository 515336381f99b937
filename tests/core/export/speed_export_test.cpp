// Exports with speed changes: the output's length, which picture each tick shows, and the sound
// kept in step (sped with its pitch, or silent when too fast).

#include "exporter_support.hpp"

#include "core/export/app_store_rules.hpp"
#include "core/model/time_map.hpp"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// Root mean square of 48 kHz samples over [from, to) seconds.
double rms(const std::vector<std::int16_t>& samples, double from, double to) {
    const auto a = static_cast<size_t>(from * 48000);
    const auto b = std::min(samples.size(), static_cast<size_t>(to * 48000));
    if (b <= a) return 0;
    double sum = 0;
    for (size_t i = a; i < b; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(b - a));
}

// Seconds of the first sample louder than `level`; -1 when none is.
double firstLoud(const std::vector<std::int16_t>& samples, int level) {
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > level) return static_cast<double>(i) / 48000;
    }
    return -1;
}

// Frequency of a tone over [from, to) seconds, from its upward zero crossings.
double toneFrequency(const std::vector<std::int16_t>& samples, double from, double to) {
    const auto a = static_cast<size_t>(from * 48000);
    const auto b = std::min(samples.size(), static_cast<size_t>(to * 48000));
    int crossings = 0;
    for (size_t i = a + 1; i < b; ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
    }
    return crossings / (to - from);
}

// 10 fps counting pictures, 0..1 s real time, 0.5..1 s slowed to half, 1..2 s at 4x, then real
// time to 3 s: 0.5 + 1 + 0.25 + 1 = 2.75 s, 28 ticks, each showing the picture the recording
// shows at the mapped moment (worked out here from the segments, not from the engine's map).
TEST(SpeedExportTest, TicksShowTheMappedPictureAndTheLengthIsExact) {
    ScratchDir dir;
    const auto source = test::makeCountingMovie(dir / "count.mp4", 10, 30);
    ExportConfig config = test::smallConfig();
    config.speed = {{1, 2, 4}, {0.5, 1, 0.5}};
    const auto out = dir / "sped.mp4";
    ASSERT_TRUE(test::exported(source, config, out));
    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frames, 28);
    EXPECT_NEAR(probe->video->duration, 2.8, 1e-3);
    auto sourceAt = [](double t) {
        if (t < 0.5) return t;
        if (t < 1.5) return 0.5 + (t - 0.5) * 0.5;
        if (t < 1.75) return 1 + (t - 1.5) * 4;
        return 2 + (t - 1.75);
    };
    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_EQ(luma.size(), 28u);
    for (size_t k = 0; k < luma.size(); ++k) {
        const int expected = static_cast<int>(std::floor(sourceAt(k / 10.0) * 10 + 1e-6));
        EXPECT_EQ(test::frameNumberFromLuma(luma[k]), expected) << "tick " << k;
    }
}

// At 16x with a keyframe every half second, decoding jumps over whole groups of pictures; the
// pictures shown must still be the mapped ones, in every container the seek behaves differently.
TEST(SpeedExportTest, FastSegmentsPickTheRightPicturesAcrossKeyframeJumps) {
    ScratchDir dir;
    for (const std::string name : {"gop.mp4", "gop.mkv", "gop.ts"}) {
        SCOPED_TRACE(name);
        const auto source = test::makeIndexedMovie(dir / name, 10, 72, 5);
        ExportConfig config = test::smallConfig();
        config.speed = {{0, 6, 16}};
        const auto out = dir / "fast.mp4";
        ASSERT_TRUE(test::exported(source, config, out));
        const auto luma = test::lumaAt(out, 100, 200);
        // 6 s at 16x (0.375 s) and 1.2 s real time: 16 ticks.
        ASSERT_EQ(luma.size(), 16u);
        for (size_t k = 0; k < luma.size(); ++k) {
            const double t = k / 10.0;
            const double at = t < 0.375 ? t * 16 : 6 + (t - 0.375);
            EXPECT_EQ(test::indexFromLuma(luma[k]), static_cast<int>(std::floor(at * 10 + 1e-6)))
                << "tick " << k;
        }
    }
}

// An MP4's index lists its keyframes at their decoding times, two pictures ahead of when they are
// shown when B-frames are on. At 8x with a keyframe a second, the tick after 0.67 s asks for
// 0.94 s: past the index time of the keyframe shown at 1.0 s but before the keyframe itself, so
// decoding must go on from the pictures it has rather than jump to it (or behind what it holds).
TEST(SpeedExportTest, AFastSegmentEndsWhenATickFallsJustBeforeAReorderedKeyframe) {
    ScratchDir dir;
    // Lossless coding would leave the B-frames out.
    const auto source = test::makeNumberedMovie(
        dir / "gop30.mp4", "30", 72, "",
        "-c:v libx264 -preset ultrafast -qp 1 -bf 2 -g 30 -keyint_min 30 -sc_threshold 0");
    ExportConfig config = test::smallConfig();
    config.speed = {{0.4, 2, 8}};
    const auto out = dir / "fast.mp4";
    // A run that never ends is cancelled by the test rather than left to hang the suite.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const auto run = test::runExport(source, std::nullopt, config, out, [deadline] {
        return std::chrono::steady_clock::now() > deadline;
    });
    ASSERT_TRUE(run.result) << run.result.error().errorDescription();
    // 0.4 s, then 1.6 s at 8x (0.2 s), then the last 0.4 s: 30 ticks.
    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_EQ(luma.size(), 30u);
    for (size_t k = 0; k < luma.size(); ++k) {
        const double t = k / 30.0;
        const double at = t < 0.4 ? t : t < 0.6 ? 0.4 + (t - 0.4) * 8 : 2 + (t - 0.6);
        EXPECT_EQ(test::indexFromLuma(luma[k]), static_cast<int>(std::floor(at * 30 + 1e-6)))
            << "tick " << k;
    }
}

class SpeedSoundTest : public ::testing::Test {
protected:
    ScratchDir dir;
    // 4 s of 30 fps pictures; the sound is a 1 kHz beep from 3.0 to 3.1 s, silence elsewhere.
    fs::path beep() {
        return test::makeWithFfmpeg(
            dir / "beep.mov",
            "-f lavfi -i testsrc2=s=64x128:r=30:d=4 -f lavfi -i "
            "\"aevalsrc='if(between(t,3,3.1),0.8*sin(2*PI*1000*t),0)':s=44100:d=4\" "
            "-c:v libx264 -preset ultrafast -c:a pcm_s16le");
    }
    // 4 s of pictures under a steady 440 Hz tone.
    fs::path tone() {
        return test::makeWithFfmpeg(dir / "tone.mov",
                                    "-f lavfi -i testsrc2=s=64x128:r=30:d=4 -f lavfi -i "
                                    "sine=f=440:d=4:sample_rate=48000 -c:v libx264 -preset "
                                    "ultrafast -c:a pcm_s16le");
    }
};

// The beep is heard where its picture is shown, after slowed, sped and muted segments alike,
// and the sound lasts as long as the pictures.
TEST_F(SpeedSoundTest, BeepStaysWithItsPictureAfterEverySegment) {
    const auto source = beep();
    ASSERT_FALSE(source.empty());
    struct Case {
        SpeedTrack track;
        double beepAt;  // output seconds, worked out by hand
        double length;
    };
    for (const Case& c : {Case{{{0.5, 2.5, 2}}, 2.0, 3.0},  // sped, pitch kept
                          Case{{{1, 2, 4}}, 2.25, 3.25},    // muted stretch before it
                          Case{{{0, 1, 0.5}, {1, 2, 1.6}}, 3.625, 4.625},  // slowed, then sped
                          Case{{}, 3.0, 4.0}}) {
        ExportConfig config = test::smallConfig();
        config.speed = c.track;
        const auto out = dir / "out.mp4";
        ASSERT_TRUE(test::exported(source, config, out));
        const auto probe = test::probeMovie(out);
        ASSERT_TRUE(probe && probe->video && probe->audio);
        EXPECT_EQ(probe->video->frames, static_cast<std::int64_t>(std::ceil(c.length * 30 - 1e-6)))
            << c.beepAt;
        const auto samples = test::audioSamples(out);
        EXPECT_NEAR(static_cast<double>(samples.size()) / 48000, c.length, 0.03);
        // Within a hundredth of a second: well under a picture's time at 30 fps.
        EXPECT_NEAR(firstLoud(samples, 3000), c.beepAt, 0.01);
    }
}

// Up to 2x the tone keeps its pitch; above it the stretch is silent, or sped too when asked.
TEST_F(SpeedSoundTest, FastStretchesAreSilentUnlessKeptAndPitchIsKept) {
    const auto source = tone();
    ASSERT_FALSE(source.empty());
    ExportConfig config = test::smallConfig();
    config.speed = {{1, 3, 2}};  // 1 + 1 + 1 s
    const auto out = dir / "out.mp4";
    ASSERT_TRUE(test::exported(source, config, out));
    auto samples = test::audioSamples(out);
    EXPECT_NEAR(toneFrequency(samples, 0.2, 0.8), 440, 10);
    EXPECT_NEAR(toneFrequency(samples, 1.2, 1.8), 440, 10);  // not 880
    EXPECT_GT(rms(samples, 1.2, 1.8), 1000);

    config.speed = {{1, 3, 4}};  // 1 + 0.5 + 1 s
    ASSERT_TRUE(test::exported(source, config, out));
    samples = test::audioSamples(out);
    EXPECT_GT(rms(samples, 0.2, 0.9), 1000);
    EXPECT_LT(rms(samples, 1.05, 1.45), 30);
    EXPECT_GT(rms(samples, 1.6, 2.4), 1000);

    config.keepFastSound = true;
    ASSERT_TRUE(test::exported(source, config, out));
    samples = test::audioSamples(out);
    EXPECT_GT(rms(samples, 1.05, 1.45), 1000);
    EXPECT_NEAR(toneFrequency(samples, 1.05, 1.45), 440, 15);
}

// Refusals come before anything is written: a track that breaks the rules, and a store preview
// whose length after speeding falls under the store's minimum.
TEST(SpeedExportTest, BadTracksAndShortPreviewsAreRefusedWithoutWriting) {
    ScratchDir dir;
    const auto source = test::makeMovie(dir / "rec.mp4", {.fps = 5, .seconds = 16});
    const auto out = dir / "out.mp4";
    for (const SpeedTrack& track : {SpeedTrack{{1, 4, 2}, {3, 5, 2}}, SpeedTrack{{1, 2, 32}}}) {
        ExportConfig config = test::smallConfig();
        config.speed = track;
        const auto run = test::runExport(source, std::nullopt, config, out);
        ASSERT_FALSE(run.result);
        EXPECT_FALSE(fs::exists(out));
    }
    ExportConfig preview = test::smallConfig();
    preview.appStore = AppStorePreset::iphone;
    preview.speed = {{0, 16, 2}};  // 8 s
    const auto run = test::runExport(source, std::nullopt, preview, out);
    ASSERT_FALSE(run.result);
    EXPECT_EQ(run.result.error().kind(), ExportError::Kind::targetRequirement);
    EXPECT_NE(run.result.error().errorDescription().find("8.00"), std::string::npos);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"rec.mp4"});
}

}  // namespace
}  // namespace kestro
