#include "core/media/player.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Numbered pictures: 20 fps, 1.5 s, a keyframe every 10 frames and B-frames, each frame's grey
// level telling its number, so seeking to any time tells which picture came out.
constexpr int kNumberedRate = 20;
constexpr int kNumberedFrames = 30;
constexpr int kNumberedSize = 64;

// Everything the player reported, for the test thread to wait on.
struct EventLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<double> times;
    int frames = 0;
    int ends = 0;
    std::vector<std::string> failures;

    Player::Events events() {
        Player::Events e;
        e.timeChanged = [this](double t) { record([&] { times.push_back(t); }); };
        e.frameReady = [this] { record([&] { ++frames; }); };
        e.reachedEnd = [this] { record([&] { ++ends; }); };
        e.failed = [this](std::string m) { record([&] { failures.push_back(std::move(m)); }); };
        return e;
    }
    void record(const std::function<void()>& change) {
        std::lock_guard lock(mutex);
        change();
        changed.notify_all();
    }
    // Waits (at most `timeout`) until `done` holds for the log; tells whether it did.
    bool waitFor(const std::function<bool(const EventLog&)>& done,
                 std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return done(*this); });
    }
    std::size_t timeCount() { return counts().second; }
    // The pictures and the time reports so far.
    std::pair<int, std::size_t> counts() {
        std::lock_guard lock(mutex);
        return {frames, times.size()};
    }
    std::vector<double> timesSince(std::size_t from) {
        std::lock_guard lock(mutex);
        return {times.begin() + static_cast<std::ptrdiff_t>(from), times.end()};
    }
};

int shownNumber(const Player& player) {
    const auto image = player.latestFrame();
    if (!image || image->empty()) return -1;
    return test::indexFromLuma(image->at(image->width / 2, image->height / 2).r);
}

class PlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<test::ScratchDir>();
        ASSERT_FALSE(
            test::makeIndexedMovie(numbered(), kNumberedRate, kNumberedFrames, 10).empty());
        ASSERT_FALSE(test::makeIndexedMovie(shortMovie(), kNumberedRate, 10, 10).empty());
        // Stored 32 x 16 with a white left half and black right half, shown turned a quarter.
        ASSERT_FALSE(test::makeMovie(turned(), {.width = 32,
                                                .height = 16,
                                                .fps = 10,
                                                .seconds = 0.5,
                                                .video = "color=c=black",
                                                .rotation = 90,
                                                .extraOutputArgs = "-vf \"format=yuv420p,geq=lum="
                                                                   "'if(lt(X,W/2),235,16)':cb=128:"
                                                                   "cr=128\""})
                         .empty());
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static fs::path numbered() { return *dir_ / "numbered.mp4"; }
    static fs::path shortMovie() { return *dir_ / "short.mp4"; }
    static fs::path turned() { return *dir_ / "turned.mp4"; }

    // Opens `movie` and waits for the first picture and the report that it landed at 0.
    std::unique_ptr<Player> open(const fs::path& movie) {
        auto player = Player::open(movie, log_.events());
        EXPECT_TRUE(player.ok()) << (player.ok() ? "" : player.error().message);
        if (!player) return nullptr;
        EXPECT_TRUE(
            log_.waitFor([](const EventLog& l) { return l.frames >= 1 && !l.times.empty(); }));
        return std::move(*player);
    }

    // Seeks and waits for the seek to land (its report carries the target).
    void seekAndWait(Player& player, double target) {
        const std::size_t before = log_.timeCount();
        player.seek(target);
        ASSERT_TRUE(log_.waitFor([&](const EventLog& l) {
            const auto from = l.times.begin() + static_cast<std::ptrdiff_t>(before);
            return std::find(from, l.times.end(), target) != l.times.end();
        })) << "seek to "
            << target << " never landed";
    }

    static inline std::unique_ptr<test::ScratchDir> dir_;
    EventLog log_;
};

TEST_F(PlayerTest, OpensPausedOnTheFirstPictureAtItsOwnSizeUntilGivenAnother) {
    auto player = open(numbered());
    ASSERT_TRUE(player);
    EXPECT_FALSE(player->isPlaying());
    EXPECT_NEAR(player->duration(), 1.5, 0.06);
    EXPECT_EQ(player->width(), kNumberedSize);
    EXPECT_EQ(player->height(), kNumberedSize);
    EXPECT_DOUBLE_EQ(player->currentTime(), 0.0);
    auto image = player->latestFrame();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, kNumberedSize);
    EXPECT_EQ(image->height, kNumberedSize);
    EXPECT_EQ(image->at(3, 3).a, 255);
    EXPECT_EQ(shownNumber(*player), 0);

    // Pictures take the target size at once, even while paused.
    seekAndWait(*player, 0.5);
    const int framesBefore = log_.frames;
    player->setTargetSize(24, 18);
    ASSERT_TRUE(log_.waitFor([&](const EventLog& l) { return l.frames > framesBefore; }));
    image = player->latestFrame();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 24);
    EXPECT_EQ(image->height, 18);
    EXPECT_EQ(shownNumber(*player), 10);

    // Later pictures keep the size; 0 x 0 goes back to the picture's own.
    seekAndWait(*player, 0.75);
    image = player->latestFrame();
    EXPECT_EQ(image->width, 24);
    EXPECT_EQ(shownNumber(*player), 15);
    const int framesNow = log_.frames;
    player->setTargetSize(0, 0);
    ASSERT_TRUE(log_.waitFor([&](const EventLog& l) { return l.frames > framesNow; }));
    image = player->latestFrame();
    EXPECT_EQ(image->width, kNumberedSize);
    EXPECT_EQ(image->height, kNumberedSize);
}

// Frame n lies at n / 20 s; a keyframe every 10 frames, so most targets need decoding forward
// from an earlier keyframe, and going back needs a real seek.
TEST_F(PlayerTest, SeekShowsThePictureAtOrBeforeTheTarget) {
    auto player = open(numbered());
    ASSERT_TRUE(player);
    struct Case {
        double target;
        int frame;
    };
    const Case cases[] = {
        {0.35, 7},                // exactly on a picture
        {0.3999, 7},              // just before the next one
        {0.37, 7},                // backwards within the same picture
        {0.86, 17},               // forward past a keyframe
        {1.0, 20},                // on a keyframe
        {0.12, 2},                // back to the first group
        {1.49, 29},               // the last picture
        {1.5, 29},                // the end shows the last picture
        {0.0, 0},    {0.051, 1},  // stepping forward from the start
        {0.101, 2},
    };
    for (const Case& c : cases) {
        seekAndWait(*player, c.target);
        EXPECT_EQ(shownNumber(*player), c.frame) << "seek to " << c.target;
        EXPECT_DOUBLE_EQ(player->currentTime(), c.target);
    }
    EXPECT_FALSE(player->isPlaying());
    EXPECT_TRUE(log_.failures.empty());

    // Outside the movie: clamped to it.
    player->seek(-3);
    EXPECT_DOUBLE_EQ(player->currentTime(), 0.0);
    player->seek(99);
    EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
    ASSERT_TRUE(
        log_.waitFor([&](const EventLog& l) { return l.times.back() == player->duration(); }));
    EXPECT_EQ(shownNumber(*player), kNumberedFrames - 1);

    // A newer seek wins over ones still pending.
    for (double t : {1.4, 0.2, 1.1, 0.9, 0.6}) player->seek(t);
    ASSERT_TRUE(
        log_.waitFor([](const EventLog& l) { return !l.times.empty() && l.times.back() == 0.6; }));
    // Let any stale work surface before checking nothing overtook the last seek.
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(log_.timesSince(0).back(), 0.6);
    EXPECT_EQ(shownNumber(*player), 12);
}

// An MPEG-TS file as the ffmpeg tool writes it (times from 1.4 s, keyframes 2 s apart) sends
// every backward seek, even one to its start, to a later keyframe.
TEST_F(PlayerTest, SeekingBackInATransportStreamShowsThePictureAtTheTarget) {
    const auto ts = test::makeNumberedMovie(*dir_ / "gop.ts", "30", 72, "",
                                            "-c:v libx264 -g 60 -keyint_min 60 -sc_threshold 0");
    ASSERT_FALSE(ts.empty());
    auto player = open(ts);
    ASSERT_TRUE(player);
    for (const auto& [target, frame] : {std::pair{2.2, 66}, {0.5, 15}, {2.1, 63}, {0.0, 0}}) {
        seekAndWait(*player, target);
        EXPECT_EQ(shownNumber(*player), frame) << "seek to " << target;
    }
    EXPECT_TRUE(log_.failures.empty());
}

TEST_F(PlayerTest, PlayingReportsTheTimeEveryTenthOfASecondAndPauseStopsIt) {
    auto player = open(numbered());
    ASSERT_TRUE(player);
    const std::size_t start = log_.timeCount();
    const auto playedAt = std::chrono::steady_clock::now();
    player->play();
    EXPECT_TRUE(player->isPlaying());
    std::this_thread::sleep_for(650ms);
    const double playedTo = player->currentTime();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - playedAt).count();
    // Taken before pausing, which sends one more report of its own.
    const std::vector<double> reports = log_.timesSince(start);
    player->pause();
    EXPECT_FALSE(player->isPlaying());

    // Real time: the clock may start a little after play() (the player thread has to wake up).
    EXPECT_LE(playedTo, elapsed + 0.01);
    EXPECT_GT(playedTo, elapsed - 0.15);
    // One report when playback starts, then one every 0.1 s.
    EXPECT_NEAR(static_cast<double>(reports.size()), 1 + std::floor(playedTo / 0.1), 1.5);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i], reports[i - 1]) << "time went backwards at report " << i;
        EXPECT_NEAR(reports[i] - reports[i - 1], 0.1, 0.06) << "at report " << i;
    }
    // The pictures followed the clock.
    EXPECT_NEAR(shownNumber(*player), playedTo * kNumberedRate, 3);

    // Paused: the clock and the reports stop (one last report may still be on its way).
    std::this_thread::sleep_for(50ms);
    const std::size_t afterPause = log_.timeCount();
    const double stoppedAt = player->currentTime();
    std::this_thread::sleep_for(350ms);
    EXPECT_EQ(log_.timeCount(), afterPause);
    EXPECT_DOUBLE_EQ(player->currentTime(), stoppedAt);
    EXPECT_TRUE(log_.failures.empty());
}

TEST_F(PlayerTest, SeekingWhilePlayingCarriesOnAndTheEndPausesToStartOver) {
    auto player = open(numbered());
    ASSERT_TRUE(player);
    player->play();
    std::this_thread::sleep_for(150ms);
    seekAndWait(*player, 0.9);
    EXPECT_TRUE(player->isPlaying());
    EXPECT_GE(shownNumber(*player), 18);
    std::this_thread::sleep_for(200ms);
    const double now = player->currentTime();
    EXPECT_GT(now, 0.95);
    EXPECT_LT(now, 1.4);
    EXPECT_GE(shownNumber(*player), 19);
    seekAndWait(*player, 0.2);
    EXPECT_TRUE(player->isPlaying());
    EXPECT_LT(player->currentTime(), 0.6);

    // Reaching the end pauses on the last picture; playing again starts over.
    seekAndWait(*player, 1.2);
    ASSERT_TRUE(log_.waitFor([](const EventLog& l) { return l.ends == 1; }, 3s));
    EXPECT_FALSE(player->isPlaying());
    EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
    EXPECT_EQ(log_.timesSince(0).back(), player->duration());
    EXPECT_EQ(shownNumber(*player), kNumberedFrames - 1);
    for (double t : log_.timesSince(0)) EXPECT_LE(t, player->duration());

    const std::size_t before = log_.timeCount();
    player->play();
    ASSERT_TRUE(log_.waitFor(
        [&](const EventLog& l) { return l.times.size() > before && l.times[before] == 0.0; }));
    EXPECT_TRUE(player->isPlaying());
    EXPECT_LT(player->currentTime(), 1.0);
    EXPECT_EQ(log_.ends, 1);
}

// The tool's own rendering of the first picture is the reference for which way is up.
TEST_F(PlayerTest, TurnedRecordingsComeOutUpright) {
    auto player = open(turned());
    ASSERT_TRUE(player);
    EXPECT_EQ(player->width(), 16);
    EXPECT_EQ(player->height(), 32);
    const auto image = player->latestFrame();
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 16);
    ASSERT_EQ(image->height, 32);

    const std::string grey = test::fileContents(test::makeWithFfmpeg(
        *dir_ / "turned.gray",
        "-i " + test::shellQuote(turned().string()) + " -frames:v 1 -pix_fmt gray -f rawvideo"));
    ASSERT_EQ(grey.size(), 16u * 32u);
    for (int y : {4, 27})
        for (int x : {3, 12})
            EXPECT_NEAR(image->at(x, y).g, static_cast<unsigned char>(grey[y * 16u + x]), 40)
                << "at " << x << "," << y;
    EXPECT_NE(image->at(8, 4).g / 128, image->at(8, 27).g / 128) << "halves should differ";
}

// Run under AddressSanitizer this also catches the player thread touching freed state.
TEST_F(PlayerTest, DestroyingAPlayingPlayerStopsEveryEvent) {
    for (auto delay : {0ms, 30ms, 120ms}) {
        auto player = open(shortMovie());
        ASSERT_TRUE(player);
        player->setTargetSize(32, 24);
        player->play();
        player->seek(0.2);
        player->play();
        std::this_thread::sleep_for(delay);
        player.reset();
        const auto counts = log_.counts();
        std::this_thread::sleep_for(60ms);
        EXPECT_EQ(log_.counts(), counts);
    }
}

TEST_F(PlayerTest, EventsMayCallBackIntoThePlayer) {
    // A looping preview: seek back and play again from the end event itself. Events can come
    // before open() returns, so they reach the player through a pointer set afterwards.
    std::atomic<Player*> self{nullptr};
    Player::Events events = log_.events();
    events.reachedEnd = [&, logged = events.reachedEnd] {
        if (Player* p = self.load()) {
            p->seek(0);
            p->play();
        }
        logged();
    };
    events.timeChanged = [&, logged = events.timeChanged](double t) {
        if (Player* p = self.load()) (void)p->currentTime();
        logged(t);
    };
    auto opened = Player::open(shortMovie(), events);
    ASSERT_TRUE(opened.ok());
    std::unique_ptr<Player> player = std::move(*opened);
    self.store(player.get());
    player->play();
    EXPECT_TRUE(log_.waitFor([](const EventLog& l) { return l.ends >= 2; }, 4s));
    EXPECT_TRUE(player->isPlaying());
    player.reset();
}

}  // namespace
}  // namespace kestro
