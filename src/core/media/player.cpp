#include "core/media/player.hpp"

#include "core/media/av_error.hpp"
#include "core/media/media_input.hpp"
#include "core/media/player_frame_converter.hpp"
#include "core/media/video_reader.hpp"
#include "core/thread_name.hpp"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <system_error>

namespace kestro {

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr auto kTickInterval = 100ms;
// However far behind decoding is, a new picture appears at least this often, so the preview
// moves (jerkily) instead of freezing until decoding catches up.
constexpr auto kMaxFreeze = 250ms;
// Behind the clock by this much, decoding jumps to a later keyframe instead of grinding through
// pictures that would all be dropped; it aims this far ahead of the clock to cover the time the
// jump itself takes.
constexpr double kJumpBehind = 0.5;
constexpr double kJumpLead = 0.15;
constexpr double kTimeEpsilon = 1e-9;

}  // namespace

// Everything the player thread owns. Only that thread calls these members, so none of this
// state is locked; the Player's request fields and clock are read and written under its mutex.
class PlayerEngine {
public:
    PlayerEngine(Player& player, std::unique_ptr<VideoReader> reader)
        : p_(player), reader_(std::move(reader)), converter_(reader_->info().video.rotation) {
        const double fps = reader_->info().video.averageFrameRate;
        frameInterval_ = fps >= 1 && fps <= 1000 ? 1.0 / fps : 1.0 / 30;
        setOutputSize(0, 0);
    }

    void run();

private:
    struct Requests {
        bool stop = false;
        std::optional<double> seek;
        bool resize = false;
        int width = 0;
        int height = 0;
        bool wantPlaying = false;
        bool clockRunning = false;
    };

    Requests take();
    void waitForRequest(std::optional<SteadyClock::time_point> deadline);
    bool seekSuperseded();

    void land(double target);
    void startClock();
    void step();
    void decodeOne(double clockNow);
    void finish();
    void failPlayback(const MediaError& error);

    void setOutputSize(int width, int height);
    std::shared_ptr<Image> convert(const DecodedFrame& frame);
    void prepare(const DecodedFrame& frame);
    bool show(DecodedFrame frame);
    void reshow();

    double endTime() const;
    void setFastDecoding(bool on);
    void emitTime(double seconds);

    Player& p_;
    std::unique_ptr<VideoReader> reader_;
    PlayerFrameConverter converter_;
    double frameInterval_ = 1.0 / 30;
    int outWidth_ = 0;
    int outHeight_ = 0;
    std::uint64_t seenRequests_ = 0;

    // Decoded pictures not yet shown, in order. Together with the reader they continue the
    // stream without a gap while `contiguous_` holds, which lets a seek decode forward from
    // them instead of going back to a keyframe.
    std::deque<DecodedFrame> queue_;
    bool contiguous_ = true;
    bool atStart_ = true;  // the reader is at the beginning and nothing has been read
    bool videoEnded_ = false;
    double lastReadTime_ = -std::numeric_limits<double>::infinity();
    bool fast_ = false;
    // The keyframe of the last catch-up jump: jumps only ever go further, never round in a loop.
    double lastJump_ = -std::numeric_limits<double>::infinity();

    // The picture on screen, kept to convert it again when the target size changes.
    AVFramePtr shown_;
    double shownTime_ = 0;
    bool shownIsLastTaken_ = false;  // nothing was dropped between it and queue_.front()

    // queue_.front() converted ahead of its time, while the thread would otherwise sleep.
    struct Prepared {
        std::int64_t pts = 0;
        int width = 0;
        int height = 0;
        std::shared_ptr<Image> image;
    } prepared_;

    bool wasRunning_ = false;
    bool ended_ = false;  // stopped at the end: play() starts over
    SteadyClock::time_point nextTick_{};
    SteadyClock::time_point lastShownWall_{};
};

void PlayerEngine::run() {
    nameThisThread("kestro-player");
    for (;;) {
        const Requests r = take();
        if (r.stop) return;
        if (r.resize) {
            setOutputSize(r.width, r.height);
            if (!r.seek) reshow();  // a seek is about to show another picture anyway
        }
        if (r.seek) {
            land(*r.seek);
            continue;
        }
        if (r.wantPlaying && !r.clockRunning) {
            startClock();
            continue;
        }
        if (!r.wantPlaying) {
            if (wasRunning_) {
                wasRunning_ = false;
                emitTime(p_.currentTime());
            }
            waitForRequest(std::nullopt);
            continue;
        }
        step();
    }
}

PlayerEngine::Requests PlayerEngine::take() {
    std::lock_guard lock(p_.mutex_);
    Requests r;
    r.stop = p_.stop_;
    r.seek = std::exchange(p_.seekRequest_, std::nullopt);
    r.resize = std::exchange(p_.targetChanged_, false);
    r.width = p_.targetWidth_;
    r.height = p_.targetHeight_;
    r.wantPlaying = p_.wantPlaying_;
    r.clockRunning = p_.clock_.running;
    seenRequests_ = p_.requests_;
    return r;
}

void PlayerEngine::waitForRequest(std::optional<SteadyClock::time_point> deadline) {
    std::unique_lock lock(p_.mutex_);
    const auto changed = [&] { return p_.stop_ || p_.requests_ != seenRequests_; };
    if (deadline) {
        p_.wake_.wait_until(lock, *deadline, changed);
    } else {
        p_.wake_.wait(lock, changed);
    }
}

bool PlayerEngine::seekSuperseded() {
    std::lock_guard lock(p_.mutex_);
    return p_.stop_ || p_.seekRequest_.has_value();
}

void PlayerEngine::setOutputSize(int width, int height) {
    const MovieInfo& info = reader_->info();
    if (width <= 0 || height <= 0) {
        width = info.video.uprightWidth;
        height = info.video.uprightHeight;
    }
    outWidth_ = std::min(width, kMaxVideoDimension);
    outHeight_ = std::min(height, kMaxVideoDimension);
}

double PlayerEngine::endTime() const {
    if (p_.duration_ > 0) return p_.duration_;
    return std::isfinite(lastReadTime_) ? lastReadTime_ + frameInterval_ : 0;
}

void PlayerEngine::emitTime(double seconds) {
    if (p_.duration_ > 0) seconds = std::min(seconds, p_.duration_);
    seconds = std::max(seconds, 0.0);
    if (p_.events_.timeChanged) p_.events_.timeChanged(seconds);
}

void PlayerEngine::setFastDecoding(bool on) {
    if (fast_ == on) return;
    fast_ = on;
    reader_->setFastDecoding(on);
    if (on) {
        // Skipped pictures leave holes: a seek can no longer trust the queue to be complete.
        contiguous_ = false;
        p_.counters_.fastSpans.fetch_add(1);
    }
}

std::shared_ptr<Image> PlayerEngine::convert(const DecodedFrame& frame) {
    if (prepared_.image && prepared_.pts == frame.pts && prepared_.width == outWidth_ &&
        prepared_.height == outHeight_) {
        return std::move(prepared_.image);
    }
    return converter_.convert(*frame.frame, outWidth_, outHeight_);
}

void PlayerEngine::prepare(const DecodedFrame& frame) {
    if (prepared_.image && prepared_.pts == frame.pts && prepared_.width == outWidth_ &&
        prepared_.height == outHeight_) {
        return;
    }
    prepared_.image = converter_.convert(*frame.frame, outWidth_, outHeight_);
    prepared_.pts = frame.pts;
    prepared_.width = outWidth_;
    prepared_.height = outHeight_;
}

bool PlayerEngine::show(DecodedFrame frame) {
    std::shared_ptr<Image> image = convert(frame);
    if (!image) {
        failPlayback(mediaFailure("Cannot convert the picture for display", AVERROR(ENOMEM)));
        return false;
    }
    p_.publish(std::move(image));
    shown_ = std::move(frame.frame);
    shownTime_ = frame.time;
    shownIsLastTaken_ = true;
    lastShownWall_ = SteadyClock::now();
    p_.counters_.shown.fetch_add(1);
    if (p_.events_.frameReady) p_.events_.frameReady();
    return true;
}

void PlayerEngine::reshow() {
    if (!shown_) return;
    std::shared_ptr<Image> image = converter_.convert(*shown_, outWidth_, outHeight_);
    if (!image) return;
    p_.publish(std::move(image));
    if (p_.events_.frameReady) p_.events_.frameReady();
}

void PlayerEngine::land(double target) {
    ended_ = false;
    lastJump_ = -std::numeric_limits<double>::infinity();
    setFastDecoding(false);

    std::optional<DecodedFrame> held;
    const bool shownStillRight =
        shown_ && contiguous_ && shownIsLastTaken_ && shownTime_ <= target + kTimeEpsilon &&
        (queue_.empty() ? videoEnded_ : queue_.front().time > target + kTimeEpsilon);
    if (!shownStillRight) {
        // Decoding on from what is already queued beats going back to a keyframe, unless a
        // keyframe lies between here and the target.
        bool forward =
            contiguous_ &&
            (atStart_ || (!queue_.empty() && queue_.front().time <= target + kTimeEpsilon));
        if (forward) {
            const double from = atStart_ ? 0.0 : lastReadTime_;
            const std::optional<double> keyframe = reader_->keyframeAtOrBefore(target);
            if (keyframe && *keyframe > from + kTimeEpsilon) forward = false;
        }
        if (!forward) {
            auto seeked = reader_->seekKeyframe(target);
            if (!seeked) {
                failPlayback(seeked.error());
                return;
            }
            queue_.clear();
            prepared_.image.reset();
            contiguous_ = true;
            atStart_ = false;
            videoEnded_ = false;
            lastReadTime_ = -std::numeric_limits<double>::infinity();
        }
        shownIsLastTaken_ = false;

        for (;;) {
            if (queue_.empty()) {
                if (videoEnded_) break;
                if (seekSuperseded()) {
                    // Keep what was decoded: the queue still continues the stream.
                    if (held) queue_.push_front(std::move(*held));
                    return;
                }
                auto next = reader_->next();
                if (!next) {
                    failPlayback(next.error());
                    return;
                }
                if (!*next) {
                    videoEnded_ = true;
                    break;
                }
                p_.counters_.decoded.fetch_add(1);
                atStart_ = false;
                lastReadTime_ = (*next)->time;
                queue_.push_back(std::move(**next));
            }
            DecodedFrame& front = queue_.front();
            const bool after = front.time > target + kTimeEpsilon;
            if (after && held) break;  // the first picture after the target stays queued
            held = std::move(front);
            queue_.pop_front();
            if (after) break;  // the target lies before the first picture: show that one
        }
    }

    if (held && !show(std::move(*held))) return;

    const SteadyClock::time_point now = SteadyClock::now();
    bool running = false;
    {
        std::lock_guard lock(p_.mutex_);
        if (p_.seekRequest_) return;  // a newer seek lands instead; this one says nothing
        p_.clock_.media = target;
        if (p_.wantPlaying_) {
            p_.clock_.running = true;
            p_.clock_.wall = now;
            running = true;
        }
    }
    wasRunning_ = running;
    nextTick_ = now + kTickInterval;
    emitTime(target);
}

void PlayerEngine::startClock() {
    if (ended_) {
        land(0);  // starts the clock, as playing is wanted
        return;
    }
    const SteadyClock::time_point now = SteadyClock::now();
    double position = 0;
    {
        std::lock_guard lock(p_.mutex_);
        if (!p_.wantPlaying_ || p_.seekRequest_ || p_.clock_.running) return;
        p_.clock_.running = true;
        p_.clock_.wall = now;
        position = p_.clock_.media;
    }
    wasRunning_ = true;
    nextTick_ = now + kTickInterval;
    emitTime(position);
}

void PlayerEngine::step() {
    const SteadyClock::time_point now = SteadyClock::now();
    Player::Clock clock;
    {
        std::lock_guard lock(p_.mutex_);
        clock = p_.clock_;
    }
    const double position = clock.at(now);

    if (now >= nextTick_) {
        emitTime(position);
        nextTick_ += kTickInterval;
        if (nextTick_ <= now) nextTick_ = now + kTickInterval;
    }

    // A picture whose successor is already due will never be seen: drop it unconverted.
    while (queue_.size() >= 2 && queue_[1].time <= position && now - lastShownWall_ < kMaxFreeze) {
        queue_.pop_front();
        shownIsLastTaken_ = false;
        p_.counters_.late.fetch_add(1);
    }
    if (!queue_.empty() && queue_.front().time <= position) {
        DecodedFrame frame = std::move(queue_.front());
        queue_.pop_front();
        show(std::move(frame));
        return;
    }
    // Two pictures ahead, so that whether the first is worth showing can be told from when the
    // second is due.
    if (queue_.size() < 2 && !videoEnded_) {
        decodeOne(position);
        return;
    }
    if (queue_.empty() && videoEnded_ && position >= endTime()) {
        finish();
        return;
    }

    // Nothing is due: convert the next picture now, then sleep until it is due.
    SteadyClock::time_point deadline = nextTick_;
    if (!queue_.empty()) {
        prepare(queue_.front());
        deadline = std::min(deadline, clock.wallFor(queue_.front().time));
    } else {
        deadline = std::min(deadline, clock.wallFor(endTime()));
    }
    waitForRequest(deadline);
}

void PlayerEngine::decodeOne(double clockNow) {
    auto next = reader_->next();
    if (!next) {
        failPlayback(next.error());
        return;
    }
    if (!*next) {
        videoEnded_ = true;
        return;
    }
    DecodedFrame frame = std::move(**next);
    p_.counters_.decoded.fetch_add(1);
    atStart_ = false;
    lastReadTime_ = frame.time;

    const double behind = clockNow - frame.time;
    if (behind > std::max(3 * frameInterval_, 0.05)) {
        setFastDecoding(true);
    } else if (behind <= 0) {
        setFastDecoding(false);
    }
    if (behind > kJumpBehind) {
        const std::optional<double> keyframe = reader_->keyframeAtOrBefore(clockNow + kJumpLead);
        // Aim a hair past the keyframe: converting its time to the stream's ticks and back must
        // not land on the keyframe before it.
        if (keyframe && *keyframe > frame.time + frameInterval_ && *keyframe > lastJump_ &&
            reader_->seekKeyframe(*keyframe + 1e-6)) {
            lastJump_ = *keyframe;
            queue_.clear();
            prepared_.image.reset();
            shownIsLastTaken_ = false;
            contiguous_ = !fast_;
            videoEnded_ = false;
            lastReadTime_ = -std::numeric_limits<double>::infinity();
            p_.counters_.jumps.fetch_add(1);
            return;
        }
    }
    queue_.push_back(std::move(frame));
}

void PlayerEngine::finish() {
    const double end = endTime();
    {
        std::lock_guard lock(p_.mutex_);
        if (p_.seekRequest_ || !p_.wantPlaying_) return;  // a request raced in: it wins
        p_.wantPlaying_ = false;
        p_.clock_ = Player::Clock{false, {}, end};
        p_.playing_.store(false);
    }
    wasRunning_ = false;
    ended_ = true;
    emitTime(end);
    if (p_.events_.reachedEnd) p_.events_.reachedEnd();
}

void PlayerEngine::failPlayback(const MediaError& error) {
    const SteadyClock::time_point now = SteadyClock::now();
    {
        std::lock_guard lock(p_.mutex_);
        p_.wantPlaying_ = false;
        p_.clock_.media = p_.clock_.at(now);
        p_.clock_.running = false;
        p_.playing_.store(false);
    }
    wasRunning_ = false;
    // Whatever the reader holds now is suspect; the next seek goes back to a keyframe.
    contiguous_ = false;
    if (p_.events_.failed) p_.events_.failed(error.message);
}

Result<std::unique_ptr<Player>, MediaError> Player::open(const std::filesystem::path& path,
                                                         Events events) {
    // Two decoding threads: a seek decoding a long run of pictures from a keyframe can use both
    // cores, while on a machine busy with other work more threads mostly add hand-overs between
    // them (on a loaded 2-core machine, 1, 2 and automatic (3) threads kept about 76%, 71% and
    // 68% of a 60 fps phone recording's pictures).
    VideoReader::Options options;
    options.threads = 2;
    auto reader = VideoReader::open(path, options);
    if (!reader) return fail(reader.error());
    const MovieInfo& info = (*reader)->info();

    std::unique_ptr<Player> player(new Player());
    player->duration_ = info.duration;
    player->width_ = info.video.uprightWidth;
    player->height_ = info.video.uprightHeight;
    player->events_ = std::move(events);
    // The first picture is shown before anyone asks to play.
    player->seekRequest_ = 0.0;
    player->requests_ = 1;
    player->engine_ = std::make_unique<PlayerEngine>(*player, std::move(*reader));
    try {
        player->thread_ = std::thread([p = player.get()] { p->engine_->run(); });
    } catch (const std::system_error& e) {
        return fail(
            mediaFailure(std::string("Cannot start playback: ") + e.what(), AVERROR(EAGAIN)));
    }
    return player;
}

Player::~Player() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        ++requests_;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void Player::play() {
    {
        std::lock_guard lock(mutex_);
        wantPlaying_ = true;
        playing_.store(true);
        ++requests_;
    }
    wake_.notify_all();
}

void Player::pause() {
    {
        std::lock_guard lock(mutex_);
        if (clock_.running) {
            double position = clock_.at(std::chrono::steady_clock::now());
            if (duration_ > 0) position = std::min(position, duration_);
            clock_ = Clock{false, {}, position};
        }
        wantPlaying_ = false;
        playing_.store(false);
        ++requests_;
    }
    wake_.notify_all();
}

void Player::seek(double seconds) {
    if (std::isnan(seconds)) seconds = 0;
    seconds = std::max(seconds, 0.0);
    if (duration_ > 0) seconds = std::min(seconds, duration_);
    {
        std::lock_guard lock(mutex_);
        seekRequest_ = seconds;
        clock_ = Clock{false, {}, seconds};
        ++requests_;
    }
    wake_.notify_all();
}

double Player::currentTime() const {
    double position = 0;
    {
        std::lock_guard lock(mutex_);
        position = clock_.at(std::chrono::steady_clock::now());
    }
    if (duration_ > 0) position = std::min(position, duration_);
    return std::max(position, 0.0);
}

void Player::setTargetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == 0 || height == 0) width = height = 0;
    {
        std::lock_guard lock(mutex_);
        if (width == targetWidth_ && height == targetHeight_) return;
        targetWidth_ = width;
        targetHeight_ = height;
        targetChanged_ = true;
        ++requests_;
    }
    wake_.notify_all();
}

std::shared_ptr<const Image> Player::latestFrame() const {
    std::lock_guard lock(frameMutex_);
    return latest_;
}

void Player::publish(std::shared_ptr<const Image> image) {
    std::lock_guard lock(frameMutex_);
    latest_ = std::move(image);
}

Player::Stats Player::stats() const {
    Stats s;
    s.framesDecoded = counters_.decoded.load();
    s.framesShown = counters_.shown.load();
    s.framesLate = counters_.late.load();
    s.keyframeJumps = counters_.jumps.load();
    s.fastDecodingSpans = counters_.fastSpans.load();
    return s;
}

}  // namespace kestro
