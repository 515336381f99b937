// Sound positioned to the sample: what the MP4 export's trimming stands on.

#include "core/media/audio_reader.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/error.h>
}

namespace kestro {
namespace {

using test::ScratchDir;

std::vector<float> readAll(AudioReader& reader, int chunk, std::vector<float>* right = nullptr) {
    std::vector<float> all;
    std::vector<float> l(static_cast<size_t>(chunk)), r(static_cast<size_t>(chunk));
    for (;;) {
        auto got = reader.read(l.data(), r.data(), chunk);
        EXPECT_TRUE(got);
        if (!got || *got == 0) break;
        all.insert(all.end(), l.begin(), l.begin() + *got);
        if (right) right->insert(right->end(), r.begin(), r.begin() + *got);
    }
    return all;
}

// Rising zero crossings in [from, to): a tone's frequency per second of samples.
int upCrossings(const std::vector<float>& v, size_t from = 1, size_t to = SIZE_MAX) {
    int n = 0;
    for (size_t i = std::max<size_t>(from, 1); i < std::min(to, v.size()); ++i)
        n += v[i - 1] < 0 && v[i] >= 0;
    return n;
}

float peakOf(const std::vector<float>& v, size_t from = 0, size_t to = SIZE_MAX) {
    float peak = 0;
    for (size_t i = from; i < std::min(to, v.size()); ++i) peak = std::max(peak, std::abs(v[i]));
    return peak;
}

TEST(AudioReaderTest, ConvertsToStereo48kAndLandsOnTheSample) {
    ScratchDir dir;
    // 44.1 kHz mono tone, as an encoder made it: the reader must resample and duplicate.
    const auto path = test::makeMovie(dir / "tone.mp4", {.seconds = 2, .audio = true});

    auto reader = AudioReader::open(path);
    ASSERT_TRUE(reader) << reader.error().message;
    ASSERT_TRUE((*reader)->seek(0));
    std::vector<float> right;
    const std::vector<float> whole = readAll(**reader, 1000, &right);
    EXPECT_NEAR(static_cast<double>(whole.size()), 2.0 * 48000, 1100);
    ASSERT_EQ(right.size(), whole.size());
    EXPECT_EQ(right[20000], whole[20000]) << "mono is copied to both channels";

    // Seeking to 0.75 s gives exactly the samples that reading from 0 gave from index 36000.
    ASSERT_TRUE((*reader)->seek(0.75));
    const std::vector<float> later = readAll(**reader, 777);
    ASSERT_GT(later.size(), 20000u);
    double worst = 0;
    for (size_t i = 0; i < 20000; ++i)
        worst = std::max(worst, std::abs(double(later[i]) - whole[36000 + i]));
    EXPECT_LT(worst, 0.02);
    EXPECT_EQ(later.size(), whole.size() - 36000);

    EXPECT_NEAR(upCrossings(whole, 48000, 96000), 440, 3) << "the tone itself";
}

TEST(AudioReaderTest, SoundThatStartsLateIsPrecededBySilence) {
    ScratchDir dir;
    // The picture starts at 0, the tone only at 0.5 s.
    const auto path = test::makeWithFfmpeg(
        dir / "late.mp4",
        "-f lavfi -i color=s=32x32:r=10:d=1.5 -f lavfi -i sine=f=300:d=1:sample_rate=48000 -af "
        "adelay=500:all=1 -c:v libx264 -preset ultrafast -c:a aac");
    auto reader = AudioReader::open(path);
    ASSERT_TRUE(reader) << reader.error().message;
    ASSERT_TRUE((*reader)->seek(0.25));
    const std::vector<float> samples = readAll(**reader, 4096);
    ASSERT_GT(samples.size(), 24000u);
    EXPECT_LT(peakOf(samples, 0, 11000), 0.01f);
    EXPECT_GT(peakOf(samples, 14000, 24000), 0.05f);
}

// A plain PCM WAV names no channel layout, only a count. Resampled from 44.1 kHz, its tone
// must come out as smooth as it went in: no seams where the decoder's packets meet.
TEST(AudioReaderTest, SoundWithoutANamedLayoutResamplesWithoutSeams) {
    ScratchDir dir;
    const auto path = test::makeWithFfmpeg(
        dir / "plain.wav", "-f lavfi -i sine=f=440:d=1:sample_rate=44100 -ac 2 -c:a pcm_s16le");
    auto reader = AudioReader::open(path);
    ASSERT_TRUE(reader) << reader.error().message;
    std::vector<float> right;
    const std::vector<float> left = readAll(**reader, 1000, &right);
    ASSERT_NEAR(static_cast<double>(left.size()), 48000, 100);
    ASSERT_EQ(right.size(), left.size());
    // The tone's own curvature stays below 0.0004 (amplitude 0.09 at 440 Hz); a seam is a kink
    // several times that. The first and last few milliseconds hold the resampler's edges.
    const std::vector<float>* channels[] = {&left, &right};
    double worst = 0;
    for (size_t i = 500; i + 500 < left.size(); ++i) {
        for (const std::vector<float>* ch : channels) {
            const double bend = (*ch)[i - 1] - 2.0 * (*ch)[i] + (*ch)[i + 1];
            worst = std::max(worst, std::abs(bend));
        }
    }
    EXPECT_LT(worst, 0.001);
    EXPECT_GT(peakOf(left), 0.05f);
}

// Planar sound with more channels than an AVFrame keeps inline (eight): 24 channels without a
// named layout, mixed down as 22.2, with the tone only in the ninth (back centre). It is heard
// only if the planes past the eighth reach the resampler.
TEST(AudioReaderTest, ReadsEveryPlaneOfManyChannelSound) {
    ScratchDir dir;
    const auto path = test::makeWithFfmpeg(
        dir / "many.nut",
        "-f lavfi -i sine=f=440:d=1:sample_rate=48000 -af 'pan=24c|c8=c0' -c:a pcm_s16le_planar");
    auto reader = AudioReader::open(path);
    ASSERT_TRUE(reader) << reader.error().message;
    std::vector<float> right;
    const std::vector<float> left = readAll(**reader, 1000, &right);
    ASSERT_NEAR(static_cast<double>(left.size()), 48000, 100);
    EXPECT_GT(std::max(peakOf(left), peakOf(right)), 0.03f);
    EXPECT_NEAR(upCrossings(left), 440, 3);
}

TEST(AudioReaderTest, MovieWithoutSoundSaysSo) {
    ScratchDir dir;
    auto reader = AudioReader::open(test::makeMovie(dir / "mute.mp4", {.seconds = 0.3}));
    ASSERT_FALSE(reader);
    EXPECT_EQ(reader.error().averror, AVERROR_STREAM_NOT_FOUND);
}

}  // namespace
}  // namespace kestro
