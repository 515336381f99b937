#include "core/media/movie_probe.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

extern "C" {
#include <libavutil/error.h>
}

namespace kestro {
namespace {

namespace fs = std::filesystem;

class MovieProbeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<test::ScratchDir>();
        // 1 s of 20 fps 48 x 64 video with 1.2 s of sound: the longest stream sets the length.
        ASSERT_FALSE(test::makeWithFfmpeg(*dir_ / "movie.mp4",
                                          "-f lavfi -i testsrc2=size=48x64:rate=20:duration=1 -f "
                                          "lavfi -i sine=duration=1.2 -c:v libx264 -c:a aac")
                         .empty());
        ASSERT_FALSE(test::makeAudioOnly(*dir_ / "sound.m4a", 0.5).empty());
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static inline std::unique_ptr<test::ScratchDir> dir_;
};

// The stream's own description (sizes, turns, rate) comes from the code the video reader's tests
// cover.
TEST_F(MovieProbeTest, DescribesMoviesWithAndWithoutPictures) {
    struct Case {
        const char* name;
        bool hasVideo;
        double duration;
        int width;
    };
    for (const Case& c : {Case{"movie.mp4", true, 1.2, 48}, Case{"sound.m4a", false, 0.5, 0}}) {
        SCOPED_TRACE(c.name);
        auto info = probeMovie(*dir_ / c.name);
        ASSERT_TRUE(info.ok()) << info.error().message;
        EXPECT_EQ(info->hasVideo, c.hasVideo);
        EXPECT_TRUE(info->hasAudio);
        EXPECT_NEAR(info->duration, c.duration, 0.05);
        EXPECT_EQ(info->video.uprightWidth, c.width);
    }
}

// Each import alert depends on telling these apart by code.
TEST_F(MovieProbeTest, FailuresCarryTheCodeOfTheCause) {
    std::ofstream(*dir_ / "notes.mp4") << "These are not the pictures you are looking for.\n";
    std::ofstream{*dir_ / "empty.mov"};
    const std::pair<fs::path, int> cases[] = {{*dir_ / "gone.mp4", AVERROR(ENOENT)},
                                              {dir_->path(), AVERROR(EISDIR)},
                                              {*dir_ / "notes.mp4", AVERROR_INVALIDDATA},
                                              {*dir_ / "empty.mov", AVERROR_INVALIDDATA}};
    for (const auto& [path, code] : cases) {
        auto info = probeMovie(path);
        ASSERT_FALSE(info.ok()) << path;
        EXPECT_EQ(info.error().averror, code) << path;
        EXPECT_FALSE(info.error().message.empty());
    }
}

TEST_F(MovieProbeTest, AnUnreadableFileIsPermissionDenied) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const fs::path locked = *dir_ / "locked.mp4";
    fs::copy_file(*dir_ / "movie.mp4", locked, fs::copy_options::overwrite_existing);
    fs::permissions(locked, fs::perms::none);
    auto info = probeMovie(locked);
    ASSERT_FALSE(info.ok());
    EXPECT_EQ(info.error().averror, AVERROR(EACCES));
}

}  // namespace
}  // namespace kestro
