// The editor on the real engine: small movies made with the ffmpeg tool go through the actual
// probe and player, so the alerts come from real FFmpeg errors and playback reports arrive on
// the interface thread.

#include "app/editor/editor_state.hpp"
#include "app_fixtures.hpp"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

class RealMediaTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir();
        // 1 s of 96 x 160 video at 30 fps, and 1 s of sound alone.
        ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=96x160:rate=30:duration=1", "-pix_fmt", "yuv420p",
                "-c:v", "libx264", movie()});
        ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "aac", soundOnly()});
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static void ffmpeg(QStringList args) {
        args.prepend("-y");
        args.prepend("error");
        args.prepend("-v");
        ASSERT_EQ(QProcess::execute(KESTRO_FFMPEG, args), 0);
    }
    static QString movie() { return dir_->filePath("clip.mp4"); }
    static QString soundOnly() { return dir_->filePath("sound.m4a"); }

    void SetUp() override {
        state_ = std::make_unique<EditorState>();
        state_->setAlertPresenter(&alerts_);
    }

    static QTemporaryDir* dir_;
    test::RecordingAlerts alerts_;
    std::unique_ptr<EditorState> state_;
};

QTemporaryDir* RealMediaTest::dir_ = nullptr;

TEST_F(RealMediaTest, AMovieLoadsPlaysAndReportsTimeOnTheInterfaceThread) {
    ASSERT_TRUE(test::loadAndWait(*state_, movie())) << alerts_.messages.join("; ").toStdString();
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
    EXPECT_FALSE(test::loadAndWait(*state_, soundOnly()));
    const QString text = dir_->filePath("notes.mp4");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("these are not the frames you are looking for\n");
    f.close();
    EXPECT_FALSE(test::loadAndWait(*state_, text));
    EXPECT_EQ(alerts_.titles, (QStringList{"No Video", "Failed to Import Video"}));
    ASSERT_EQ(alerts_.messages.size(), 2);
    EXPECT_EQ(alerts_.messages[1], "The video file appears to be corrupted or in an unsupported format.");
    EXPECT_EQ(state_->player(), nullptr);
}

}  // namespace
}  // namespace kestro
