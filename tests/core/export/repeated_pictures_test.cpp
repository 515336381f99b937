// A recording that repeats its picture while the screen stands still pays for each picture
// once: repeated ones are not composed again and, with variable timing, not encoded again.

#include "exporter_support.hpp"

#include <algorithm>
#include <filesystem>
#include <string>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// Picture n has luma 16 + 6n; `number` gives n from the input tick N, `keep` the ticks written.
// Lossless, so a repeated picture decodes to the very same samples.
fs::path makeRepeatingMovie(const fs::path& path, int rate, int ticks, const std::string& number,
                            const std::string& keep) {
    return test::makeWithFfmpeg(
        path, "-f lavfi -i color=c=black:s=64x64:r=" + std::to_string(rate) +
                  " -vf \"trim=end_frame=" + std::to_string(ticks) +
                  ",format=yuv420p,geq=lum='16+6*(" + number + ")':cb=128:cr=128" +
                  (keep.empty() ? "" : ",select='" + keep + "'") + "\"" +
                  (keep.empty() ? "" : " -fps_mode vfr -enc_time_base 1/600") +
                  " -pix_fmt yuv420p -c:v libx264 -preset ultrafast -qp 0");
}

// Variable timing at 60: pictures 0-5 on ticks 0-5, the recorder's keep-alive copies of
// picture 5 on ticks 20 and 40, pictures 6-11 on ticks 60-65.
fs::path makeKeepAliveMovie(const fs::path& path) {
    return makeRepeatingMovie(path, 60, 66, "min(N,5)+max(N-59,0)",
                              "lte(n,5)+eq(n,20)+eq(n,40)+gte(n,60)");
}
int keepAlivePicture(int tick) { return std::min(tick, 5) + std::max(tick - 59, 0); }

AVFExporter::MovieResults exportOne(const fs::path& source, const ExportConfig& config,
                                    const fs::path& out) {
    return AVFExporter{}.exportVideos(source, {{nullptr, config, out, {}}});
}

// 30 fps throughout: pictures 0-5, then picture 5 again up to tick 25, then 6-14. The movie
// keeps its constant rate and every tick, but only the 15 different pictures are composed.
TEST(RepeatedPicturesTest, ConstantRateRepeatsAreComposedOnce) {
    ScratchDir dir;
    const auto source = makeRepeatingMovie(dir / "cfr.mp4", 30, 35, "min(N,5)+max(N-25,0)", "");
    ASSERT_FALSE(source.empty());
    const auto out = dir / "out.mp4";
    const auto run = exportOne(source, test::smallConfig(), out);
    ASSERT_EQ(run.results.size(), 1u);
    ASSERT_TRUE(run.results.front().ok()) << run.results.front().error().errorDescription();
    EXPECT_EQ(run.framesDecoded, 35);
    EXPECT_EQ(run.picturesRepeated, 20);
    EXPECT_EQ(run.picturesComposed, 15);

    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frameRate, "30/1");
    const auto luma = test::lumaAt(out, 100, 200);
    ASSERT_EQ(luma.size(), 35u);
    for (int k = 0; k < 35; ++k) {
        const int expected = std::min(k, 5) + std::max(k - 25, 0);
        EXPECT_EQ(test::frameNumberFromLuma(luma[static_cast<size_t>(k)]), expected)
            << "tick " << k;
    }
}

// The keep-alive copies are neither composed nor written: the movie holds picture 5 until tick
// 60. Asked for a constant rate, every tick is written, still from the 12 composed pictures.
// Matroska's header states the capture rate (60), not the 13 pictures a second it holds.
TEST(RepeatedPicturesTest, VariableRateRepeatsAreNotWritten) {
    ScratchDir dir;
    for (const char* name : {"vfr.mp4", "vfr.mkv"})
        for (const bool constant : {false, true}) {
            SCOPED_TRACE(std::string(name) + (constant ? ", constant rate" : ", variable rate"));
            const auto source = makeKeepAliveMovie(dir / name);
            ASSERT_FALSE(source.empty());
            ExportConfig config = test::smallConfig();
            config.constantRate = constant;
            const auto out = dir / "out.mp4";
            const auto run = exportOne(source, config, out);
            ASSERT_TRUE(run.results.front().ok()) << run.results.front().error().errorDescription();
            EXPECT_EQ(run.framesDecoded, 14);
            EXPECT_EQ(run.picturesComposed, 12);

            const auto probe = test::probeMovie(out);
            ASSERT_TRUE(probe && probe->video);
            EXPECT_EQ(probe->video->frameRate, "60/1");
            EXPECT_EQ(probe->video->frames, constant ? 66 : 12);
            const auto luma = test::lumaAt(out, 100, 200, 60);
            ASSERT_EQ(luma.size(), 66u);
            for (int k = 0; k < 66; ++k) {
                EXPECT_EQ(test::frameNumberFromLuma(luma[static_cast<size_t>(k)]),
                          keepAlivePicture(k))
                    << "tick " << k;
            }
        }
}

// The same recording with the camera moving in on the middle of the held picture 5: in on
// 0.2-0.3 s (ticks 12-18), held at 2x to 0.7 s (tick 42), out by 0.8 s (tick 48). The ticks whose
// view moves are written; those of a held view, zoomed or not, are left out as without a camera.
// At (20, 200) the canvas shows the blue background at 1x and the recording at 2x.
TEST(RepeatedPicturesTest, AHeldViewOfTheCameraRepeatsLikeNoCamera) {
    ScratchDir dir;
    const auto source = makeKeepAliveMovie(dir / "vfr.mp4");
    ASSERT_FALSE(source.empty());
    for (const bool constant : {false, true}) {
        SCOPED_TRACE(constant ? "constant rate" : "variable rate");
        ExportConfig config = test::smallConfig();
        config.constantRate = constant;
        config.camera = {ZoomSegment{.start = 0.2, .end = 0.8, .easeIn = 0.1, .easeOut = 0.1}};
        const auto out = dir / "out.mp4";
        const auto run = exportOne(source, config, out);
        ASSERT_TRUE(run.results.front().ok()) << run.results.front().error().errorDescription();

        const auto probe = test::probeMovie(out);
        ASSERT_TRUE(probe && probe->video);
        if (constant) {
            EXPECT_EQ(probe->video->frames, 66);
        } else {
            // The 12 pictures, and the ticks of the two eases (six each, give or take the ends).
            EXPECT_GE(probe->video->frames, 12 + 8);
            EXPECT_LE(probe->video->frames, 12 + 16);
        }
        const auto middle = test::lumaAt(out, 100, 200, 60);
        const auto side = test::lumaAt(out, 20, 200, 60);
        ASSERT_EQ(middle.size(), 66u);
        ASSERT_EQ(side.size(), 66u);
        for (int k = 0; k < 66; ++k) {
            const auto at = static_cast<size_t>(k);
            EXPECT_EQ(test::frameNumberFromLuma(middle[at]), keepAlivePicture(k)) << "tick " << k;
            if ((k >= 6 && k <= 10) || (k >= 50 && k <= 59)) {
                EXPECT_NE(test::frameNumberFromLuma(side[at]), 5) << "1x at tick " << k;
            } else if (k >= 20 && k <= 40) {
                EXPECT_EQ(test::frameNumberFromLuma(side[at]), 5) << "2x at tick " << k;
            }
        }
    }
}

}  // namespace
}  // namespace kestro
