// The editor on the real engine: small movies made with the ffmpeg tool go through the actual
// probe and player, so the alerts come from real FFmpeg errors.

#include "app/editor/editor_state.hpp"
#include "app/preview/filmstrip.hpp"
#include "app_fixtures.hpp"
#include "support/movie_fixtures.hpp"

#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(RealMedia, AMovieLoadsAndPlaysOnTheInterfaceThreadAndNonMoviesGetTheirAlerts) {
    test::ScratchDir dir;
    test::MovieShape recipe;  // 1 s of 96 x 160 video at 30 fps
    recipe.width = 96;
    recipe.height = 160;
    ASSERT_FALSE(test::makeMovie(dir / "clip.mp4", recipe).empty());
    ASSERT_FALSE(test::makeAudioOnly(dir / "sound.m4a", 1).empty());
    const auto path = [&dir](const char* name) {
        return QString::fromStdString((dir / name).string());
    };
    test::RecordingAlerts alerts;
    EditorState state;
    state.setAlertPresenter(&alerts);

    ASSERT_TRUE(test::loadAndWait(state, path("clip.mp4")))
        << alerts.messages.join("; ").toStdString();
    EXPECT_NEAR(state.playback().duration(), 1.0, 0.05);
    EXPECT_EQ(state.playback().trimEnd(), state.playback().duration());
    ASSERT_NE(state.playback().player(), nullptr);
    EXPECT_EQ(state.playback().player()->videoSize(), QSize(96, 160));
    // Playback stops by itself at a trim end inside the movie.
    state.playback().setTrimEnd(0.3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !state.playback().isPlaying(); }, 3000));
    EXPECT_GE(state.playback().currentTime(), 0.3);
    EXPECT_LT(state.playback().currentTime(), 0.6);
    EXPECT_FALSE(state.playback().player()->currentFrame().isNull());
    EXPECT_TRUE(alerts.titles.isEmpty());

    // Files without a picture, or no movie at all, leave the movie and say why.
    EXPECT_FALSE(test::loadAndWait(state, path("sound.m4a")));
    EXPECT_FALSE(test::loadAndWait(state, test::writeFile(path("notes.mp4"), "not frames\n")));
    EXPECT_EQ(alerts.titles, (QStringList{"No Video", "Failed to Import Video"}));
    // FFmpeg's own error for a file that is no movie names it as corrupted.
    EXPECT_TRUE(alerts.messages.back().contains("corrupted"))
        << alerts.messages.back().toStdString();
    EXPECT_NE(state.playback().player(), nullptr);
}

// The filmstrip's decoder: each picture from its own time, at the size asked for.
TEST(RealMedia, TheFilmstripTakesEachPictureAtItsTime) {
    test::ScratchDir dir;
    ASSERT_FALSE(test::makeCountingMovie(dir / "count.mp4", 10, 30, 64, 48).empty());
    const QString movie = QString::fromStdString((dir / "count.mp4").string());
    const std::vector<QImage> pictures =
        decodeThumbnails(movie, Filmstrip::timesFor(3, 3), QSize(32, 24));
    ASSERT_EQ(pictures.size(), 3u);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        ASSERT_FALSE(pictures[i].isNull()) << i;
        EXPECT_EQ(pictures[i].size(), QSize(32, 24));
        EXPECT_EQ(test::frameNumberFromLuma(qRed(pictures[i].pixel(16, 12))), 5 + 10 * int(i)) << i;
    }
    EXPECT_TRUE(decodeThumbnails(movie + ".missing", {0.5}, QSize(32, 24))[0].isNull());
}

}  // namespace
}  // namespace kestro
