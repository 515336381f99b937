// Opening movies and walking through their pictures: what the player and the exporter rely on.

#include "core/media/video_reader.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <utility>

extern "C" {
#include <libavutil/error.h>
}

namespace kestro {
namespace {

using test::ScratchDir;

// Our decoder hands out limited-range luma; the fixture helpers read full-range values.
int lumaOf(const AVFrame& f) {
    return static_cast<int>(std::lround((f.data[0][f.linesize[0] * 10 + 10] - 16) * 255.0 / 219.0));
}

class VideoReaderTest : public ::testing::Test {
protected:
    ScratchDir dir;
};

TEST_F(VideoReaderTest, DescribesTheMovie) {
    auto reader = VideoReader::open(test::makeMovie(
        dir / "a.mp4", {.width = 48, .height = 96, .fps = 25, .seconds = 1.2, .audio = true}));
    ASSERT_TRUE(reader) << reader.error().message;
    const MovieInfo& info = (*reader)->info();
    EXPECT_EQ(info.video.width, 48);
    EXPECT_EQ(info.video.height, 96);
    EXPECT_EQ(info.video.rotation, 0);
    EXPECT_EQ(info.video.uprightWidth, 48);
    EXPECT_EQ(info.video.uprightHeight, 96);
    EXPECT_NEAR(info.video.averageFrameRate, 25, 1e-6);
    EXPECT_NEAR(info.duration, 1.2, 0.05);
    EXPECT_TRUE(info.hasAudio);

    int count = 0;
    double last = -1;
    for (;;) {
        auto frame = (*reader)->next();
        ASSERT_TRUE(frame) << frame.error().message;
        if (!*frame) break;
        EXPECT_GT((*frame)->time, last) << "frames come in presentation order";
        last = (*frame)->time;
        EXPECT_EQ((*frame)->frame->width, 48);
        ++count;
    }
    EXPECT_EQ(count, 30);
    EXPECT_NEAR(last, 29 / 25.0, 1e-3);
    EXPECT_FALSE((*reader)->endedEarly());
}

TEST_F(VideoReaderTest, QuarterTurnedRecordingReportsItsUprightSize) {
    const auto path = test::makeMovie(dir / "turned.mp4",
                                      {.width = 96, .height = 48, .seconds = 0.2, .rotation = 90});
    auto reader = VideoReader::open(path);
    ASSERT_TRUE(reader) << reader.error().message;
    const VideoStreamInfo& v = (*reader)->info().video;
    // ffprobe states the matrix's angle counter-clockwise; we state the turn clockwise.
    const int ccw = test::probedRotation(path);
    ASSERT_NE(ccw % 180, 0);
    EXPECT_EQ(v.rotation, ((-ccw) % 360 + 360) % 360);
    EXPECT_EQ(v.width, 96);
    EXPECT_EQ(v.uprightWidth, 48);
    EXPECT_EQ(v.uprightHeight, 96);
}

// Containers without an index to land on: MPEG-TS overshoots to the next keyframe (or past the
// last one), Matroska goes by its cues. Either way the exact seek finds its picture.
TEST_F(VideoReaderTest, ExactSeekLandsRightInContainersThatOvershoot) {
    for (const char* name : {"gop.ts", "gop.mkv"}) {
        const auto path = test::makeIndexedMovie(dir / name, 30, 72, 60);  // keyframes 0, 2 s
        auto reader = VideoReader::open(path);
        ASSERT_TRUE(reader) << reader.error().message;
        for (const auto& [target, frame] :
             {std::pair{0.5, 15}, std::pair{2.2, 66}, std::pair{1.0, 30}, std::pair{2.0, 60}}) {
            ASSERT_TRUE((*reader)->seekExact(target));
            auto got = (*reader)->next();
            ASSERT_TRUE(got && *got) << name << " at " << target;
            EXPECT_EQ(test::indexFromLuma(lumaOf(*(*got)->frame)), frame)
                << name << " at " << target;
        }
    }
}

TEST_F(VideoReaderTest, ExactSeekLandsOnTheLatestFrameAtOrBeforeTheTarget) {
    // 10 fps, keyframes every 8 frames: most targets lie between keyframes.
    const auto path = test::makeCountingMovie(dir / "count.mp4", 10, 30);
    auto reader = VideoReader::open(path);
    ASSERT_TRUE(reader) << reader.error().message;
    const std::pair<double, int> cases[] = {{1.35, 13}, {0.0, 0},   {2.0, 20}, {0.79, 7},
                                            {1.99, 19}, {99.0, 29}, {0.5, 5}};
    for (const auto& [target, number] : cases) {
        SCOPED_TRACE(target);
        ASSERT_TRUE((*reader)->seekExact(target));
        auto frame = (*reader)->next();
        ASSERT_TRUE(frame && *frame);
        EXPECT_EQ(test::frameNumberFromLuma(lumaOf(*(*frame)->frame)), number);
        EXPECT_NEAR((*frame)->time, number / 10.0, 1e-6);
        if (number < 29) {
            // And decoding carries on from there.
            auto following = (*reader)->next();
            ASSERT_TRUE(following && *following);
            EXPECT_EQ(test::frameNumberFromLuma(lumaOf(*(*following)->frame)), number + 1);
        }
    }
}

TEST_F(VideoReaderTest, RefusesFilesItCannotUse) {
    // Missing: the cause's code, and the path.
    auto missing = VideoReader::open(dir / "nothing.mp4");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().averror, AVERROR(ENOENT));
    EXPECT_NE(missing.error().message.find("nothing.mp4"), std::string::npos);

    // Not a movie.
    { std::ofstream(dir / "notes.mp4") << "these are not the frames you are looking for\n"; }
    auto text = VideoReader::open(dir / "notes.mp4");
    ASSERT_FALSE(text);
    EXPECT_FALSE(text.error().message.empty());

    // A recording stopped before it was saved: the pictures are there, the index after them
    // never came. Said so, not just "invalid data".
    const auto whole = test::makeMovie(dir / "stopped.mp4", {.seconds = 2});
    std::filesystem::resize_file(whole, std::filesystem::file_size(whole) * 6 / 10);
    auto stopped = VideoReader::open(whole);
    ASSERT_FALSE(stopped);
    EXPECT_EQ(stopped.error().averror, AVERROR_INVALIDDATA);
    EXPECT_NE(stopped.error().message.find("never finished"), std::string::npos)
        << stopped.error().message;
    EXPECT_EQ(text.error().message.find("never finished"), std::string::npos);

    // Sound only.
    auto audio = VideoReader::open(test::makeAudioOnly(dir / "tone.m4a", 0.5));
    ASSERT_FALSE(audio);
    EXPECT_EQ(audio.error().averror, AVERROR_STREAM_NOT_FOUND);

    // A folder.
    EXPECT_FALSE(VideoReader::open(dir.path()));
}

TEST_F(VideoReaderTest, HugeClaimedPictureIsRefusedBeforeDecoding) {
    // A raw-video AVI whose header claims 50000 x 50000 pixels.
    const auto path = test::makeWithFfmpeg(
        dir / "huge.avi", "-f lavfi -i color=s=16x16:r=5:d=0.4 -c:v rawvideo -pix_fmt bgr24");
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), {});
    const auto strf = bytes.find("strf");
    ASSERT_NE(strf, std::string::npos);
    // BITMAPINFOHEADER: chunk size, biSize, then biWidth and biHeight (little-endian).
    const uint32_t huge = 50000;
    f.seekp(static_cast<std::streamoff>(strf + 12));
    f.write(reinterpret_cast<const char*>(&huge), 4);
    f.write(reinterpret_cast<const char*>(&huge), 4);
    f.close();

    auto reader = VideoReader::open(path);
    ASSERT_FALSE(reader);
    EXPECT_NE(reader.error().message.find("picture size"), std::string::npos)
        << reader.error().message;
}

// A phone turned during a recording: its landscape pictures keep the portrait stream's size and
// their shape, letterboxed as a player window shows them, instead of being stretched to fill it.
TEST_F(VideoReaderTest, PicturesOfAnotherSizeAreFittedIntoTheStreamsSize) {
    const auto path = test::makeTurningMovie(dir / "turned.mkv", 64, 128, 10);
    ASSERT_FALSE(path.empty());
    auto reader = VideoReader::open(path);
    ASSERT_TRUE(reader) << reader.error().message;
    ASSERT_EQ((*reader)->info().video.width, 64);
    ASSERT_EQ((*reader)->info().video.height, 128);
    auto lumaAt = [](const AVFrame& f, int x, int y) {
        return f.data[0][static_cast<ptrdiff_t>(f.linesize[0]) * y + x];
    };
    int count = 0;
    for (;;) {
        auto frame = (*reader)->next();
        ASSERT_TRUE(frame) << frame.error().message;
        if (!*frame) break;
        const AVFrame& f = *(*frame)->frame;
        SCOPED_TRACE(count);
        ASSERT_EQ(std::make_pair(f.width, f.height), std::make_pair(64, 128));
        EXPECT_GT(lumaAt(f, 32, 64), 230);
        // The 128 x 64 pictures become 64 x 32, centred: black above and below.
        const bool turned = count >= 10;
        for (const int y : {2, 40, 88, 125}) EXPECT_EQ(lumaAt(f, 32, y) < 20, turned) << y;
        for (const int y : {50, 77}) EXPECT_GT(lumaAt(f, 1, y), 230) << y;
        ++count;
    }
    EXPECT_EQ(count, 20);
}

// A recording squeezed by a tool that keeps its shape in the sample aspect ratio: players stretch
// it back, and so does the reader, both ways, with no black bars.
TEST_F(VideoReaderTest, PicturesWithoutSquareSamplesAreStretchedAsPlayersShowThem) {
    struct Case {
        const char* name;
        const char* aspect;
        int storedW, storedH, shownW, shownH;
    };
    for (const Case c : {Case{"wide.mp4", "2", 32, 128, 64, 128},
                         Case{"tall.mkv", "1/2", 64, 64, 64, 128}}) {
        SCOPED_TRACE(c.name);
        // A black bar over the second eighth of the stored width, white elsewhere.
        const auto path = test::makeMovie(
            dir / c.name, {.width = c.storedW, .height = c.storedH, .fps = 10, .seconds = 0.3,
                           .video = "color=c=white",
                           .extraOutputArgs = std::string("-vf drawbox=x=iw/8:y=0:w=iw/8:h=ih:"
                                                          "c=black:t=fill,setsar=") +
                                              c.aspect});
        ASSERT_FALSE(path.empty());
        auto reader = VideoReader::open(path);
        ASSERT_TRUE(reader) << reader.error().message;
        EXPECT_EQ((*reader)->info().video.width, c.shownW);
        EXPECT_EQ((*reader)->info().video.height, c.shownH);
        auto frame = (*reader)->next();
        ASSERT_TRUE(frame && *frame);
        const AVFrame& f = *(**frame).frame;
        ASSERT_EQ(std::make_pair(f.width, f.height), std::make_pair(c.shownW, c.shownH));
        EXPECT_EQ(f.sample_aspect_ratio.num, f.sample_aspect_ratio.den);
        auto luma = [&](double x, double y) {
            const int px = static_cast<int>(x * f.width), py = static_cast<int>(y * f.height);
            return f.data[0][static_cast<ptrdiff_t>(f.linesize[0]) * py + px];
        };
        for (const double y : {0.02, 0.5, 0.98}) {
            EXPECT_GT(luma(0.02, y), 200) << y;  // no bars at the sides, above or below
            EXPECT_LT(luma(0.19, y), 40) << y;
            EXPECT_GT(luma(0.5, y), 200) << y;
            EXPECT_GT(luma(0.98, y), 200) << y;
        }
    }
}

TEST_F(VideoReaderTest, CutOffMovieIsNoticed) {
    // Index up front, data cut at 40%: the reader sees the end come too early.
    const auto path = test::makeMovie(dir / "whole.mp4",
                                      {.seconds = 3, .extraOutputArgs = "-movflags +faststart"});
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size * 4 / 10);

    auto reader = VideoReader::open(path);
    ASSERT_TRUE(reader) << reader.error().message;
    bool failed = false;
    for (int guard = 0; guard < 1000; ++guard) {
        auto frame = (*reader)->next();
        if (!frame) {
            failed = true;
            break;
        }
        if (!*frame) break;
    }
    EXPECT_TRUE(failed || (*reader)->endedEarly());
}

}  // namespace
}  // namespace kestro
