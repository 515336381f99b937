// Importing a movie (each validation with its alert) and the playback rules around the trim.

#include "app/editor/editor_state.hpp"
#include "app/editor/playback_error.hpp"
#include "app_fixtures.hpp"

#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>

#include <algorithm>
#include <array>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/error.h>
}

#include <unistd.h>

namespace kestro {
namespace {

using test::drainEvents;
using test::FakeBackend;
using test::FakeSource;
using test::loadAndWait;

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto backend = std::make_unique<FakeBackend>();
        backend_ = backend.get();
        state_ = std::make_unique<EditorState>(std::move(backend));
        state_->setAlertPresenter(&alerts_);
        state_->setFileDialogs(&dialogs_);
    }
    QString file(const QString& name) { return test::writeFile(dir_.filePath(name)); }
    // One alert with that title (and that message, when given).
    void expectAlert(const QString& title, const std::optional<QString>& message = {}) {
        ASSERT_EQ(alerts_.titles.size(), 1);
        EXPECT_EQ(alerts_.titles.front(), title);
        EXPECT_FALSE(alerts_.messages.back().isEmpty());
        EXPECT_EQ(alerts_.messages.back(), message.value_or(alerts_.messages.back()));
    }

    QTemporaryDir dir_;
    FakeBackend* backend_ = nullptr;
    test::RecordingAlerts alerts_;
    test::ScriptedDialogs dialogs_;
    std::unique_ptr<EditorState> state_;
};

TEST_F(ImportTest, ValidationFailuresShowTheirAlertAndChangeNothing) {
    struct Case {
        const char* name;
        Result<MovieFacts, MediaError> probe;
        const char* title;
    };
    const MediaError corrupt{AVERROR_INVALIDDATA, "Invalid data"};
    const std::vector<Case> cases = {
        {"not-playable.mkv", MovieFacts{false, false, 0}, "Unsupported Format"},
        {"audio-only.m4a", MovieFacts{true, false, 3}, "No Video"},
        {"zero.mp4", MovieFacts{true, true, 0}, "Invalid Video"},
        {"nan.mp4", MovieFacts{true, true, std::nan("")}, "Invalid Video"},
        {"inf.mp4", MovieFacts{true, true, INFINITY}, "Invalid Video"},
        {"corrupt.mp4", fail(corrupt), "Failed to Import Video"},
    };
    for (const Case& c : cases) {
        alerts_.titles.clear();
        alerts_.messages.clear();
        const QString path = file(c.name);
        backend_->movies[path.toStdString()] = {c.probe};
        EXPECT_FALSE(loadAndWait(*state_, path)) << c.name;
        expectAlert(c.title);
        EXPECT_FALSE(state_->playback().videoPath());
        EXPECT_EQ(state_->playback().player(), nullptr);
        EXPECT_EQ(state_->playback().duration(), 0);
        EXPECT_EQ(backend_->opens, 0);
    }
    EXPECT_EQ(alerts_.messages.front(), playbackErrorMessage(corrupt));

    // A missing file, a folder and an unreadable file are told apart before the engine is asked.
    for (const QString& path : {dir_.filePath("gone.mp4"), dir_.path()}) {
        alerts_.titles.clear();
        EXPECT_FALSE(loadAndWait(*state_, path));
        expectAlert("File Not Found");
    }
    if (geteuid() != 0) {  // root reads every file
        alerts_.titles.clear();
        const QString locked = file("locked.mp4");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        EXPECT_FALSE(loadAndWait(*state_, locked));
        expectAlert("Permission Denied");
    }
    EXPECT_EQ(backend_->opens, 0);
}

TEST_F(ImportTest, ALoadPlaysTheWholeMovieReplacesTheLastAndAFailedOneChangesNothing) {
    const QString path = file("good.mp4");
    backend_->movies[path.toStdString()] = {MovieFacts{true, true, 12.5}};
    state_->playback().setCurrentTime(3);
    ASSERT_TRUE(loadAndWait(*state_, path));
    EXPECT_TRUE(alerts_.titles.isEmpty());
    EXPECT_EQ(state_->playback().videoPath(), path);
    ASSERT_NE(state_->playback().player(), nullptr);
    EXPECT_EQ(state_->playback().duration(), 12.5);
    EXPECT_EQ(state_->playback().trimStart(), 0);
    EXPECT_EQ(state_->playback().trimEnd(), 12.5);
    EXPECT_TRUE(state_->playback().isPlaying());
    EXPECT_EQ(backend_->lastLog->plays, 1);
    EXPECT_TRUE(state_->playback().hasTimeObserver());
    EXPECT_EQ(state_->playback().playerItemObserverCount(), 1);
    // The playhead is left to the first time report.
    EXPECT_EQ(state_->playback().currentTime(), 3);
    backend_->last->fireTime(0.1);
    drainEvents();
    EXPECT_DOUBLE_EQ(state_->playback().currentTime(), 0.1);

    // Loading over it closes the first player and keeps one observer of each kind.
    const auto firstLog = backend_->lastLog;
    const QString second = file("b.mp4");
    ASSERT_TRUE(loadAndWait(*state_, second));
    EXPECT_TRUE(firstLog->destroyed);
    EXPECT_TRUE(state_->playback().hasTimeObserver());
    EXPECT_EQ(state_->playback().playerItemObserverCount(), 1);

    // A load that fails, for a cause of its own, says that cause and leaves the movie before
    // it playing, untouched.
    auto* player = state_->playback().player();
    const auto log = backend_->lastLog;
    const QString refused = file("refused.mp4");
    backend_->movies[refused.toStdString()] = {MovieFacts{true, true, 5}, {{0, "disk on fire"}}};
    EXPECT_FALSE(loadAndWait(*state_, refused));
    expectAlert("Failed to Import Video");
    EXPECT_TRUE(alerts_.messages.back().contains("disk on fire"));
    EXPECT_EQ(state_->playback().player(), player);
    EXPECT_EQ(state_->playback().videoPath(), second);
    EXPECT_TRUE(state_->playback().isPlaying());
    EXPECT_FALSE(log->destroyed);
    EXPECT_EQ(log->pauses, 0);
    EXPECT_TRUE(state_->playback().hasTimeObserver());
}

TEST_F(ImportTest, SeeksTimeReportsTheTrimRangeTheEndAndFailuresWhilePlaying) {
    ASSERT_TRUE(loadAndWait(*state_, file("m.mp4")));
    FakeSource* source = backend_->last;
    // Only a pausing seek stops playback, after the seek.
    state_->playback().seekToTime(7.25, false);
    EXPECT_TRUE(state_->playback().isPlaying());
    state_->playback().seekToTime(3.5, true);
    EXPECT_EQ(backend_->lastLog->seeks.back(), 3.5);
    drainEvents();
    EXPECT_FALSE(state_->playback().isPlaying());
    EXPECT_EQ(backend_->lastLog->seeks, (std::vector<double>{7.25, 3.5}));

    // Time reports pause playback at the trim end.
    state_->playback().togglePlayPause();
    state_->playback().setTrimEnd(4);
    const int pauses = backend_->lastLog->pauses;
    source->fireTime(3.9);
    drainEvents();
    EXPECT_TRUE(state_->playback().isPlaying());
    source->fireTime(4.0);
    drainEvents();
    EXPECT_FALSE(state_->playback().isPlaying());
    EXPECT_EQ(backend_->lastLog->pauses, pauses + 1);
    EXPECT_DOUBLE_EQ(state_->playback().currentTime(), 4.0);
    // A time the engine cannot express shows as zero.
    source->fireTime(std::nan(""));
    drainEvents();
    EXPECT_EQ(state_->playback().currentTime(), 0);

    // Play from outside the range goes back to the trim start; inside it resumes where it is.
    state_->playback().setTrimStart(2);
    state_->playback().setTrimEnd(6);
    for (double at : {1.0, 6.0, 9.0, 3.0}) {
        if (state_->playback().isPlaying()) state_->playback().togglePlayPause();
        state_->playback().setCurrentTime(at);
        backend_->lastLog->seeks.clear();
        state_->playback().togglePlayPause();
        EXPECT_TRUE(state_->playback().isPlaying());
        EXPECT_EQ(backend_->lastLog->seeks, std::vector<double>(at != 3.0, 2.0)) << at;
        EXPECT_EQ(state_->playback().currentTime(), at == 3.0 ? 3.0 : 2.0);
    }
    // The end of the movie pauses and sends the playhead back to the trim start.
    state_->playback().setTrimStart(1.5);
    source->fireEnd();
    drainEvents();
    EXPECT_FALSE(state_->playback().isPlaying());
    ASSERT_FALSE(backend_->lastLog->seeks.empty());
    EXPECT_EQ(backend_->lastLog->seeks.back(), 1.5);

    // A playback failure is told and changes nothing.
    source->fireFailure("decoder gave up");
    drainEvents();
    expectAlert("Playback Error", "decoder gave up");
    EXPECT_NE(state_->playback().player(), nullptr);
}

TEST_F(ImportTest, QuittingAndClosingDetachButKeepTheMovieAndResetEmptiesTheEditor) {
    ASSERT_TRUE(loadAndWait(*state_, file("m.mp4")));
    state_->onWillTerminate();  // quitting keeps the playing flag
    EXPECT_TRUE(state_->playback().isPlaying());
    EXPECT_EQ(backend_->lastLog->pauses, 1);
    EXPECT_FALSE(state_->playback().hasTimeObserver());

    ASSERT_TRUE(loadAndWait(*state_, file("n.mp4")));
    state_->onDisappear();
    EXPECT_FALSE(state_->playback().isPlaying());
    EXPECT_EQ(backend_->lastLog->pauses, 1);
    EXPECT_FALSE(state_->playback().hasTimeObserver());
    EXPECT_EQ(state_->playback().playerItemObserverCount(), 0);
    EXPECT_NE(state_->playback().player(), nullptr);
    EXPECT_TRUE(state_->playback().videoPath());
    // Reports that were already on their way no longer move the playhead.
    backend_->last->fireTime(5);
    drainEvents();
    EXPECT_EQ(state_->playback().currentTime(), 0);

    ASSERT_TRUE(loadAndWait(*state_, file("o.mp4")));
    const auto log = backend_->lastLog;
    state_->playback().setTrimStart(1);
    state_->playback().setCurrentTime(2);
    state_->playback().clearVideo();
    EXPECT_EQ(log->pauses, 1);
    EXPECT_TRUE(log->destroyed);
    EXPECT_FALSE(state_->playback().hasTimeObserver());
    EXPECT_FALSE(state_->playback().videoPath());
    EXPECT_EQ(state_->playback().player(), nullptr);
    // Duration, trim start and end, playhead.
    EXPECT_EQ((std::array{state_->playback().duration(), state_->playback().trimStart(),
                          state_->playback().trimEnd(), state_->playback().currentTime()}),
              (std::array{0.0, 0.0, 0.0, 0.0}));
    // Operations without a movie do nothing.
    state_->playback().togglePlayPause();
    state_->playback().seekToTime(1, true);
    drainEvents();
    EXPECT_FALSE(state_->playback().isPlaying());
}

TEST_F(ImportTest, ImportAsksForAFileAndLoadsItOnTheNextTurnOfTheLoop) {
    dialogs_.answer.reset();
    state_->playback().importVideo();
    drainEvents();
    EXPECT_EQ(dialogs_.asked, 1);
    EXPECT_EQ(backend_->opens, 0);
    EXPECT_TRUE(alerts_.titles.isEmpty());

    dialogs_.answer = file("chosen.mp4");
    state_->playback().importVideo();
    EXPECT_EQ(backend_->opens, 0);
    drainEvents();
    test::waitForMovie(*state_);
    EXPECT_EQ(state_->playback().videoPath(), dialogs_.answer);
}

// The movie is opened on the pool; whatever was asked last decides what the editor shows.
TEST_F(ImportTest, ALaterLoadOrAResetWinsOverALoadStillRunning) {
    std::vector<std::pair<QString, bool>> outcomes;
    const auto load = [&](const QString& name) {
        const QString path = file(name);
        return state_->playback().loadVideo(
            path, [&outcomes, name](bool loaded) { outcomes.emplace_back(name, loaded); });
    };
    backend_->movies[file("five.mp4").toStdString()] = {MovieFacts{true, true, 5}};
    backend_->movies[file("seven.mp4").toStdString()] = {MovieFacts{true, true, 7}};
    const MediaError corrupt{AVERROR_INVALIDDATA, "Invalid data"};
    backend_->movies[file("broken.mp4").toStdString()] = {fail(corrupt)};

    // Both asked before either lands: the second is the movie, the first is never shown.
    ASSERT_TRUE(load("five.mp4"));
    ASSERT_TRUE(load("seven.mp4"));
    EXPECT_TRUE(state_->playback().movieLoading());
    EXPECT_FALSE(state_->playback().videoPath());
    test::waitForMovie(*state_);
    ASSERT_TRUE(test::waitUntilDone([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(state_->playback().videoPath(), file("seven.mp4"));
    EXPECT_EQ(state_->playback().duration(), 7);
    EXPECT_EQ(state_->playback().trimEnd(), 7);
    EXPECT_TRUE(alerts_.titles.isEmpty());
    std::sort(outcomes.begin(), outcomes.end());
    EXPECT_EQ(outcomes,
              (std::vector<std::pair<QString, bool>>{{"five.mp4", false}, {"seven.mp4", true}}));

    // A later load that fails shows its one alert; the earlier one does not land either.
    outcomes.clear();
    ASSERT_TRUE(load("five.mp4"));
    ASSERT_TRUE(load("broken.mp4"));
    ASSERT_TRUE(test::waitUntilDone([&] { return outcomes.size() == 2; }));
    expectAlert("Failed to Import Video", playbackErrorMessage(corrupt));
    EXPECT_EQ(state_->playback().videoPath(), file("seven.mp4"));
    EXPECT_EQ(state_->playback().duration(), 7);

    // A reset while a movie is opening leaves the editor empty.
    outcomes.clear();
    ASSERT_TRUE(load("five.mp4"));
    state_->playback().clearVideo();
    EXPECT_FALSE(state_->playback().movieLoading());
    ASSERT_TRUE(test::waitUntilDone([&] { return outcomes.size() == 1; }));
    EXPECT_FALSE(outcomes.front().second);
    EXPECT_FALSE(state_->playback().videoPath());
    EXPECT_EQ(state_->playback().player(), nullptr);
    EXPECT_EQ(state_->playback().duration(), 0);
}

TEST_F(ImportTest, TheEditorMayGoWhileAMovieIsStillOpening) {
    bool called = false;
    ASSERT_TRUE(state_->playback().loadVideo(file("m.mp4"), [&called](bool) { called = true; }));
    state_.reset();
    QThreadPool::globalInstance()->waitForDone();
    drainEvents();
    EXPECT_FALSE(called);
}

// A source may report before the handle that owns it exists: the reports wait for it, in order.
TEST(PlayerHandleRelay, ReportsMadeBeforeAdoptionArriveAfterItInOrder) {
    FakeBackend backend;
    auto opened = PlayerHandle::openSource(backend, "m.mp4");
    ASSERT_TRUE(opened);
    FakeSource* source = backend.last;
    source->fireTime(1.5);
    source->fireFailure("early");
    source->fireTime(2.5);
    std::unique_ptr<PlayerHandle> handle = PlayerHandle::adopt(std::move(opened.value()));
    QStringList heard;
    QObject::connect(handle.get(), &PlayerHandle::timeChanged,
                     [&heard](double t) { heard << QString::number(t); });
    QObject::connect(handle.get(), &PlayerHandle::failed,
                     [&heard](const QString& m) { heard << m; });
    drainEvents();
    EXPECT_EQ(heard, (QStringList{"1.5", "early", "2.5"}));
    source->fireTime(3);
    drainEvents();
    EXPECT_EQ(heard.size(), 4);
    // Closing the handle closes the source.
    const auto log = backend.lastLog;
    handle.reset();
    EXPECT_TRUE(log->destroyed);
}

}  // namespace
}  // namespace kestro
