// Several movies from one run of the engine: outputs on one timeline are made from one decoding
// of the recording and come out as each would alone, and one output's failure stays its own.

#include "exporter_support.hpp"

#include "core/media/video_reader.hpp"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

struct Picture {
    std::int64_t pts = 0;
    std::vector<std::uint8_t> plane;  // the first plane, row after row
};

// Every picture of a movie as our own reader decodes it.
std::vector<Picture> pictures(const fs::path& path) {
    std::vector<Picture> out;
    auto reader = VideoReader::open(path);
    if (!reader) return out;
    while (true) {
        auto next = (*reader)->next();
        if (!next || !*next) break;
        const AVFrame& frame = *(*next)->frame;
        const int row = av_image_get_linesize(static_cast<AVPixelFormat>(frame.format), frame.width, 0);
        Picture picture{(*next)->pts, {}};
        for (int y = 0; y < frame.height; ++y) {
            const std::uint8_t* line = frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0];
            picture.plane.insert(picture.plane.end(), line, line + row);
        }
        out.push_back(std::move(picture));
    }
    return out;
}

// The same pictures at the same times, each within a small mean difference.
void expectSamePictures(const fs::path& together, const fs::path& alone) {
    const auto a = pictures(together);
    const auto b = pictures(alone);
    ASSERT_FALSE(a.empty()) << together;
    ASSERT_EQ(a.size(), b.size()) << together;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].pts, b[i].pts) << together << " picture " << i;
        ASSERT_EQ(a[i].plane.size(), b[i].plane.size());
        double difference = 0;
        for (std::size_t k = 0; k < a[i].plane.size(); ++k) difference += std::abs(a[i].plane[k] - b[i].plane[k]);
        EXPECT_LT(difference / static_cast<double>(a[i].plane.size()), 1.0) << together << " picture " << i;
    }
}

AVFExporter::MovieOutput movie(const ExportConfig& config, const fs::path& path) {
    return {nullptr, config, path, {}};
}

class SharedExportTest : public ::testing::TestWithParam<bool> {
protected:
    ScratchDir dir;
    fs::path source = test::makeMovie(dir / "rec.mp4", {.width = 96, .height = 192, .fps = 10, .seconds = 2, .audio = true});

    // Three outputs of one timeline (with the parameter, part of it at 3x): an MP4 at the
    // recording's rate, a smaller GIF at 5 fps and a 15 fps WebM.
    std::vector<ExportConfig> configs() const {
        ExportConfig mp4 = test::smallConfig();
        mp4.trimStart = 0.3;
        if (GetParam()) mp4.speed = {{0.5, 1.5, 3}};
        ExportConfig gif = mp4;
        gif.format = ExportFormat::gif;
        gif.width = 100;
        gif.height = 200;
        gif.fps = 5;
        ExportConfig webm = mp4;
        webm.format = ExportFormat::webm;
        webm.fps = 15;
        return {mp4, gif, webm};
    }
};

TEST_P(SharedExportTest, OutputsOfOneTimelineAreDecodedOnceAndMatchSeparateExports) {
    const std::vector<ExportConfig> all = configs();
    const std::vector<fs::path> names = {"a.mp4", "b.gif", "c.webm"};
    std::vector<AVFExporter::MovieOutput> outputs;
    std::vector<std::vector<double>> progress(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        outputs.push_back(movie(all[i], dir / "together" / names[i]));
        outputs.back().progress = [&progress, i](double p) { progress[i].push_back(p); };
    }
    fs::create_directories(dir / "together");
    const auto run = AVFExporter{}.exportVideos(source, outputs);
    ASSERT_EQ(run.results.size(), 3u);
    for (const auto& result : run.results) ASSERT_TRUE(result.ok()) << result.error().errorDescription();
    EXPECT_EQ(run.decodePasses, 1);

    // One output alone decodes as many pictures as the three together (sped up, where a jump
    // to a keyframe must suit every output, possibly a few more, never each again).
    fs::create_directories(dir / "alone");
    const auto alone = AVFExporter{}.exportVideos(source, {movie(all[0], dir / "alone" / "one.mp4")});
    ASSERT_TRUE(alone.results.front().ok());
    EXPECT_GT(alone.framesDecoded, 0);
    if (!GetParam()) {
        EXPECT_EQ(run.framesDecoded, alone.framesDecoded);
    }
    EXPECT_LT(run.framesDecoded, 2 * alone.framesDecoded);

    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const fs::path separate = dir / "alone" / names[i];
        ASSERT_TRUE(test::exported(source, all[i], separate));
        expectSamePictures(dir / "together" / names[i], separate);
        EXPECT_EQ(test::audioSampleCount(dir / "together" / names[i]), test::audioSampleCount(separate));
        // Each output's own progress, ending at exactly 1.
        ASSERT_FALSE(progress[i].empty());
        EXPECT_EQ(progress[i].back(), 1.0);
        EXPECT_TRUE(std::is_sorted(progress[i].begin(), progress[i].end()));
    }
}

INSTANTIATE_TEST_SUITE_P(RealTimeAndSped, SharedExportTest, ::testing::Bool());

TEST(SharedExport, OutputsOfAnotherTimelineRunOnTheirOwn) {
    ScratchDir dir;
    const auto source = test::makeCountingMovie(dir / "count.mp4", 10, 20);
    ExportConfig first = test::smallConfig();
    ExportConfig later = first;
    later.trimStart = 1;
    const auto run = AVFExporter{}.exportVideos(
        source, {movie(first, dir / "a.mp4"), movie(later, dir / "b.mp4"), movie(first, dir / "c.mp4")});
    for (const auto& result : run.results) ASSERT_TRUE(result.ok()) << result.error().errorDescription();
    EXPECT_EQ(run.decodePasses, 2);
    EXPECT_EQ(test::probeMovie(dir / "a.mp4")->video->frames, 20);
    EXPECT_EQ(test::probeMovie(dir / "b.mp4")->video->frames, 10);
    EXPECT_EQ(test::probeMovie(dir / "c.mp4")->video->frames, 20);
}

// A failing output, whether before it starts (its folder is missing), while it runs or when
// its file is put in place, leaves the others to finish; asked to stop all, a failure stops
// the rest and nothing of them is left behind.
TEST(SharedExport, AFailedOutputLeavesTheOthersUnlessAllAreToStop) {
    ScratchDir dir;
    const auto source = test::makeMovie(dir / "rec.mp4", {.width = 96, .height = 192, .fps = 30, .seconds = 2});
    ExportConfig slow = test::smallConfig();  // 60 ticks
    ExportConfig few = slow;                  // 10 ticks
    few.fps = 5;
    // Only the 30 fps output reaches tick 20: it fails half way.
    AVFExporter::Options options;
    options.injectFault = [](PipelineStage stage, std::int64_t tick) {
        return stage == PipelineStage::compose && tick >= 20;
    };
    fs::create_directories(dir / "taken.mp4");  // a folder where the file should go
    const auto run = AVFExporter(options).exportVideos(
        source, {movie(few, dir / "missing" / "a.mp4"), movie(slow, dir / "b.mp4"), movie(few, dir / "c.mp4"),
                 movie(few, dir / "taken.mp4")});
    ASSERT_EQ(run.results.size(), 4u);
    EXPECT_FALSE(run.results[0].ok());
    EXPECT_FALSE(run.results[1].ok());
    EXPECT_EQ(run.results[1].error().kind(), ExportError::Kind::exportFailed);
    ASSERT_TRUE(run.results[2].ok()) << run.results[2].error().errorDescription();
    EXPECT_FALSE(run.results[3].ok());
    EXPECT_EQ(run.decodePasses, 1);
    EXPECT_EQ(test::probeMovie(dir / "c.mp4")->video->frames, 10);
    EXPECT_FALSE(fs::exists(dir / "b.mp4"));
    EXPECT_TRUE(fs::is_directory(dir / "taken.mp4"));

    fs::remove(dir / "c.mp4");
    const auto stopped = AVFExporter{}.exportVideos(
        source, {movie(few, dir / "missing" / "a.mp4"), movie(slow, dir / "b.mp4"), movie(few, dir / "c.mp4")},
        {}, true);
    EXPECT_FALSE(stopped.results[0].ok());
    for (std::size_t i : {1u, 2u}) {
        ASSERT_FALSE(stopped.results[i].ok());
        EXPECT_EQ(stopped.results[i].error(), ExportError::exportCancelled());
    }
    EXPECT_EQ(stopped.decodePasses, 0);
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(dir.path())) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<fs::path>{"rec.mp4", "taken.mp4"}));
}

}  // namespace
}  // namespace kestro
