// End-to-end exports of tiny generated movies, checked with ffprobe and decoded pixels.

#include "exporter_support.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>

namespace kestro {
namespace {

using test::MovieShape;
using test::ScratchDir;

constexpr Rgba kBezel{90, 90, 90, 255};

class ExporterOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The frame: 110 x 220, 5 px transparent margin, 10 px bezel with its corners cut
        // (4 px), opening in between. Trimmed it is 100 x 210.
        ASSERT_TRUE(savePng(test::makeFrameImage(110, 220, 5, 10, kBezel, 4), framePng));
    }
    ScratchDir dir;
    std::filesystem::path framePng = dir / "frame.png";
};

TEST_F(ExporterOutputTest, Mp4HasTheAgreedStreamsAndTheTrimmedSound) {
    const auto source = test::makeMovie(
        dir / "rec.mp4", {.width = 60, .height = 120, .fps = 20, .seconds = 2, .audio = true});
    ExportConfig config = test::smallConfig();
    config.trimStart = 0.5;
    config.trimEnd = 1.75;
    const auto out = dir / "out.mp4";

    const auto run = test::runExport(source, std::nullopt, config, out);
    ASSERT_TRUE(run.result) << run.result.error().errorDescription();
    EXPECT_EQ(run.result->path, out);

    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video && probe->audio);
    const test::StreamProbe& v = *probe->video;
    const test::StreamProbe& a = *probe->audio;
    EXPECT_EQ(std::tie(v.codec, v.profile, v.pixelFormat, v.colourSpace, v.colourRange),
              std::make_tuple("h264", "High", "yuv420p", "bt709", "tv"));
    EXPECT_EQ(std::tie(v.width, v.height, v.frames), std::make_tuple(200, 400, 25));  // 1.25 s
    EXPECT_NEAR(v.duration, 1.25, 1e-3);
    EXPECT_EQ(std::tie(a.codec, a.profile, a.sampleRate, a.channels),
              std::make_tuple("aac", "LC", 48000, 2));
    EXPECT_NEAR(a.duration, 1.25, 0.03);
    EXPECT_NEAR(static_cast<double>(test::audioSampleCount(out)), 1.25 * 48000, 1024);

    // Progress: rising, and 1 only at the end.
    ASSERT_FALSE(run.progress.empty());
    EXPECT_EQ(run.progress.back(), 1.0);
    EXPECT_EQ(std::adjacent_find(run.progress.begin(), run.progress.end(), std::greater_equal<>()),
              run.progress.end());
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"frame.png", "out.mp4", "rec.mp4"}));
}

// A recording whose sound stops a second before its picture: the rest is silence, never the
// last sound again.
TEST_F(ExporterOutputTest, SoundThatEndsEarlyIsFollowedBySilence) {
    // Uncompressed sound, loud to its last sample: an AAC stream would fade into its encoder's
    // padding and hide repeated samples.
    const auto source = test::makeWithFfmpeg(
        dir / "short-sound.mov",
        "-f lavfi -i testsrc2=s=64x128:r=20:d=2 -f lavfi -i sine=f=440:d=1 -c:v libx264 "
        "-preset ultrafast -c:a pcm_s16le");
    ASSERT_FALSE(source.empty());
    const auto out = dir / "out.mp4";
    ASSERT_TRUE(test::exported(source, test::smallConfig(), out));
    const auto samples = test::audioSamples(out);
    ASSERT_NEAR(static_cast<double>(samples.size()), 2 * 48000, 2048);
    auto rms = [&](double from, double to) {
        double sum = 0;
        const auto a = static_cast<size_t>(from * 48000);
        const auto b = static_cast<size_t>(to * 48000);
        for (size_t i = a; i < b; ++i) sum += static_cast<double>(samples[i]) * samples[i];
        return std::sqrt(sum / static_cast<double>(b - a));
    };
    EXPECT_GT(rms(0.2, 0.8), 1000);  // the tone
    EXPECT_LT(rms(1.1, 1.95), 30);   // silence, up to the encoder's noise
}

// The trimmed frame fills the canvas (100 x 210 -> 200 x 420): bezel from 0..20 px, the video in
// the opening, and the background where the opening's rounded corner and the device's cut
// corners leave room for it: white in an MP4, see-through in a MOV.
TEST_F(ExporterOutputTest, FramedExportsLayerBackgroundVideoAndFrame) {
    const auto source = test::makeSolidMovie(
        dir / "red.mp4", 200, 40, 40, {.width = 40, .height = 80, .fps = 10, .seconds = 0.6});
    for (const auto format : {ExportFormat::mp4, ExportFormat::mov}) {
        const bool mov = format == ExportFormat::mov;
        SCOPED_TRACE(mov ? "mov" : "mp4");
        ExportConfig config = test::smallConfig(format);
        config.background = mov ? BackgroundFill::transparent() : BackgroundFill::white();
        config.height = 420;
        config.screen = ScreenRect{10, 100.0 * 10 / 210, 80, 100.0 * 190 / 210};
        const auto out = dir / (mov ? "alpha.mov" : "framed.mp4");
        ASSERT_TRUE(test::exported(source, config, out, framePng));
        const auto picture = test::decodePicture(out, 3);
        ASSERT_TRUE(picture);
        EXPECT_TRUE(test::near(picture->average(10, 200, 2), kBezel, 4)) << "bezel";
        EXPECT_TRUE(test::near(picture->average(100, 210, 3), Rgba{200, 40, 40, 255}, 3))
            << "source colour inside the opening";
        for (const auto& [x, y] : {std::pair{21, 21}, std::pair{2, 2}, std::pair{197, 417}}) {
            const Rgba behind = picture->at(x, y);
            EXPECT_TRUE(mov ? behind.a == 0 : test::near(behind, Rgba{255, 255, 255, 255}, 6))
                << x << "," << y;
        }
        EXPECT_EQ(picture->at(10, 100).a, 255) << "bezel";
    }
    const auto probe = test::probeMovie(dir / "alpha.mov");
    ASSERT_TRUE(probe && probe->video);
    EXPECT_FALSE(probe->audio) << "a MOV export is silent";
    EXPECT_EQ(std::tie(probe->video->codec, probe->video->tag, probe->video->profile),
              std::make_tuple("prores", "ap4h", "4444"));
    EXPECT_NE(probe->video->pixelFormat.find("yuva444p"), std::string::npos);
    EXPECT_EQ(probe->video->frames, 6);
    EXPECT_NE(probe->container.find("mov"), std::string::npos);
}

// Without a frame the video is clipped to the rounded screen over an opaque colour, in both
// orders of the compositor.
TEST_F(ExporterOutputTest, WithoutFrameTheVideoIsClippedToTheRoundedScreen) {
    // BT.709-tagged: the plain-scale colour path.
    const auto source =
        test::makeSolidMovie(dir / "red.mp4", 200, 40, 40,
                             {.width = 40, .height = 80, .fps = 10, .seconds = 0.5, .bt709 = true});
    // ffmpeg's own reading of the source is the reference (its RGB-to-BT.709 conversion when
    // making the fixture is a unit or two off (200, 40, 40) already).
    const auto original = test::decodePicture(source, 0);
    ASSERT_TRUE(original);
    const Rgba expected = original->average(20, 40, 3);
    ASSERT_TRUE(test::near(expected, Rgba{200, 40, 40, 255}, 4));
    for (const auto& [format, colour] : {std::pair{ExportFormat::mp4, Rgba{0, 0, 255, 255}},
                                         std::pair{ExportFormat::mov, Rgba{0, 255, 0, 255}}}) {
        SCOPED_TRACE(format == ExportFormat::mov ? "mov" : "mp4");
        ExportConfig config = test::smallConfig(format);
        config.background =
            BackgroundFill::color(colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
        const auto out = dir / (format == ExportFormat::mov ? "plain.mov" : "plain.mp4");
        ASSERT_TRUE(test::exported(source, config, out));
        const auto picture = test::decodePicture(out, 0);
        ASSERT_TRUE(picture);
        const Rgba screen = picture->average(100, 200, 3);
        EXPECT_TRUE(test::near(screen, expected, 3))
            << int(screen.r) << "," << int(screen.g) << "," << int(screen.b);
        EXPECT_TRUE(test::near(picture->average(10, 10, 2), colour, 4)) << "background";
        // R's corner (38, 38) lies outside the rounded corner (radius 0.13 x 124 = 16 px).
        EXPECT_TRUE(test::near(picture->at(40, 40), colour, 8)) << "rounded corner";
        EXPECT_TRUE(test::near(picture->average(100, 45, 1), expected, 4)) << "top edge";
    }
}

TEST_F(ExporterOutputTest, TurnedRecordingIsShownUpright) {
    // A landscape-stored movie, left half red and right half green, with a quarter-turn display
    // matrix: whatever ffmpeg shows when it applies the matrix, we must show too.
    MovieShape recipe{.width = 80, .height = 40, .fps = 10, .seconds = 0.3, .video = "color=c=red"};
    recipe.rotation = 90;
    recipe.extraOutputArgs = "-vf drawbox=x=40:y=0:w=40:h=40:color=green:t=fill";
    const auto source = test::makeMovie(dir / "turned.mp4", recipe);
    ASSERT_FALSE(source.empty());
    ExportConfig config = test::smallConfig();
    config.fitMode = VideoFitMode::stretch;
    const auto out = dir / "upright.mp4";
    ASSERT_TRUE(test::exported(source, config, out));
    const auto ours = test::decodePicture(out, 0);
    // ffmpeg's own upright view of the source (it applies the display matrix when decoding).
    const auto theirs = test::decodePicture(source, 0);
    ASSERT_TRUE(ours && theirs);
    ASSERT_EQ(theirs->width, 40);
    const Rgba theirTop = theirs->average(20, 10, 2);
    const Rgba theirBottom = theirs->average(20, 70, 2);
    ASSERT_FALSE(test::near(theirTop, theirBottom, 40));
    EXPECT_TRUE(test::near(ours->average(100, 80, 3), theirTop, 12));
    EXPECT_TRUE(test::near(ours->average(100, 320, 3), theirBottom, 12));
}

}  // namespace
}  // namespace kestro
