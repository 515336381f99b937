#include "core/media/movie_probe.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

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
TEST_F(MovieProbeTest, DescribesAMovie) {
    auto info = probeMovie(*dir_ / "movie.mp4");
    ASSERT_TRUE(info.ok()) << info.error().message;
    EXPECT_TRUE(info->hasVideo);
    EXPECT_TRUE(info->hasAudio);
    EXPECT_NEAR(info->duration, 1.2, 0.05);
    EXPECT_EQ(info->video.uprightWidth, 48);
}

TEST_F(MovieProbeTest, SoundWithoutPicturesIsAMovieWithoutVideo) {
    auto info = probeMovie(*dir_ / "sound.m4a");
    ASSERT_TRUE(info.ok()) << info.error().message;
    EXPECT_FALSE(info->hasVideo);
    EXPECT_TRUE(info->hasAudio);
    EXPECT_NEAR(info->duration, 0.5, 0.05);
    EXPECT_EQ(info->video.uprightWidth, 0);
}

// Each import alert depends on telling these apart by code.
TEST_F(MovieProbeTest, FailuresCarryTheCodeOfTheCause) {
    auto missing = probeMovie(*dir_ / "gone.mp4");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().averror, AVERROR(ENOENT));
    EXPECT_FALSE(missing.error().message.empty());

    auto folder = probeMovie(dir_->path());
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().averror, AVERROR(EISDIR));

    const fs::path text = *dir_ / "notes.mp4";
    std::ofstream(text) << "These are not the pictures you are looking for.\n";
    auto notAMovie = probeMovie(text);
    ASSERT_FALSE(notAMovie.ok());
    EXPECT_EQ(notAMovie.error().averror, AVERROR_INVALIDDATA);

    const fs::path empty = *dir_ / "empty.mov";
    std::ofstream{empty};
    auto nothing = probeMovie(empty);
    ASSERT_FALSE(nothing.ok());
    EXPECT_EQ(nothing.error().averror, AVERROR_INVALIDDATA);
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
