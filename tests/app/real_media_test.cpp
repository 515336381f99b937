// The editor on the real engine: small movies made with the ffmpeg tool go through the actual
// probe and player, so the alerts come from real FFmpeg errors and playback reports arrive on
// the interface thread.

#include "app/editor/editor_state.hpp"
#include "app_fixtures.hpp"
#include "support/movie_fixtures.hpp"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

class RealMediaTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test::ScratchDir();
        test::MovieSpec recipe;  // 1 s of 96 x 160 video at 30 fps
        recipe.width = 96;
        recipe.height = 160;
        ASSERT_FALSE(test::makeMovie(*dir_ / "clip.mp4", recipe).empty());
        ASSERT_FALSE(test::makeAudioOnly(*dir_ / "sound.m4a", 1).empty());
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static QString path(const char* name) {
        return QString::fromStdString((*dir_ / name).string());
    }

    void SetUp() override {
        state_ = std::make_unique<EditorState>();
        state_->setAlertPresenter(&alerts_);
    }

    static test::ScratchDir* dir_;
    test::RecordingAlerts alerts_;
    std::unique_ptr<EditorState> state_;
};

test::ScratchDir* RealMediaTest::dir_ = nullptr;

TEST_F(RealMediaTest, AMovieLoadsPlaysAndReportsTimeOnTheInterfaceThread) {
    ASSERT_TRUE(test::loadAndWait(*state_, path("clip.mp4")))
        << alerts_.messages.join("; ").toStdString();
    EXPECT_NEAR(state_->duration(), 1.0, 0.05);
    EXPECT_EQ(state_->trimEnd(), state_->duration());
    ASSERT_NE(state_->player(), nullptr);
    EXPECT_EQ(state_->player()->videoSize(), QSize(96, 160));
    // Playback stops by itself at a trim end inside the movie.
    state_->setTrimEnd(0.3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !state_->isPlaying(); }, 3000));
    EXPECT_GE(state_->currentTime(), 0.3);
    EXPECT_LT(state_->currentTime(), 0.6);
    EXPECT_FALSE(state_->player()->currentFrame().isNull());
    EXPECT_TRUE(alerts_.titles.isEmpty());
}

TEST_F(RealMediaTest, FilesWithoutPictureOrNotMoviesAtAllGetTheirAlerts) {
    EXPECT_FALSE(test::loadAndWait(*state_, path("sound.m4a")));
    const QString text = path("notes.mp4");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("these are not the frames you are looking for\n");
    f.close();
    EXPECT_FALSE(test::loadAndWait(*state_, text));
    EXPECT_EQ(alerts_.titles, (QStringList{"No Video", "Failed to Import Video"}));
    // FFmpeg's own error for a file that is no movie names it as corrupted.
    EXPECT_TRUE(alerts_.messages.back().contains("corrupted"))
        << alerts_.messages.back().toStdString();
    EXPECT_EQ(state_->player(), nullptr);
}

}  // namespace
}  // namespace kestro
