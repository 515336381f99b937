#pragma once
// Muted playback of one movie for the editor's preview. The player decodes on its own thread,
// keeps a clock against std::chrono::steady_clock, and publishes each picture as an RGBA image
// already scaled to the size on screen, so the interface only ever paints. No audio device is
// opened: the sound of a recording never plays in the editor.
//
// Keeping up: pictures are decoded at the source size and converted (one swscale pass straight
// to the target size) only when they are about to be shown. A picture whose successor is already
// due is dropped without conversion. When decoding itself falls behind the clock, the decoder
// skips pictures nothing refers to, and when it is far behind it jumps ahead to a later keyframe
// the container's index knows of. The clock never waits for the decoder.
//
// Threads
// - The player's own thread, named "kestro-player", owns the reader, the frame converter, the
//   decoded pictures waiting to be shown and the picture on screen. It is the only thread that
//   decodes, converts, and calls Events. It starts in open() and is joined by the destructor.
// - Every public member may be called from any thread. play(), pause(), seek() and
//   setTargetSize() only record the request under `mutex_` and wake the player thread; they
//   never wait for decoding. The request fields and the playback clock are guarded by
//   `mutex_`, which the player thread holds only for short bookkeeping, never while decoding or
//   calling Events.
// - `playing_` and the statistics counters are atomics; the published picture is guarded by
//   `frameMutex_`; duration and size are fixed at open.
// - Events run on the player thread without any lock held, so they may call any member
//   (pause() from reachedEnd, seek() from timeChanged...). They must return quickly (post to the
//   interface thread) and must not destroy the player.

#include "core/media/media_error.hpp"
#include "core/model/image.hpp"
#include "core/result.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kestro {

class PlayerEngine;

class Player {
public:
    // All called on the player's thread ("kestro-player").
    struct Events {
        // Media time in seconds: every 0.1 s while playing, when playback starts or stops, and
        // once after each seek lands (with the seek's target). Never beyond duration().
        std::function<void(double)> timeChanged;
        // A new picture is available through latestFrame().
        std::function<void()> frameReady;
        // Playback reached the end of the movie; the player is paused there.
        std::function<void()> reachedEnd;
        // Decoding failed during playback (FFmpeg's message); the player is paused.
        std::function<void(std::string)> failed;
    };

    // Counters for measuring playback; they only grow.
    struct Stats {
        std::int64_t framesDecoded = 0;  // pictures the decoder handed out
        std::int64_t framesShown = 0;    // pictures converted and published
        std::int64_t framesLate = 0;     // decoded but dropped unconverted: their successor was due
        std::int64_t keyframeJumps = 0;  // times decoding skipped ahead to catch up with the clock
        std::int64_t fastDecodingSpans = 0;  // times the decoder started skipping pictures
    };

    // Opens the movie and starts the player thread, paused, at 0: the first picture is decoded
    // and published at once (frameReady, then timeChanged(0)). Errors are the reader's (a missing
    // file, no video, an unusable picture size, no decoder).
    static Result<std::unique_ptr<Player>, MediaError> open(const std::filesystem::path& path,
                                                            Events events);

    // Stops and joins the player thread; no event runs after it returns.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    double duration() const { return duration_; }
    int width() const { return width_; }  // upright picture size
    int height() const { return height_; }

    // Starts or resumes playback in real time from the current time. At the end of the movie
    // it starts again from the beginning.
    void play();
    // Stops the clock where it is; the picture on screen stays.
    void pause();
    // True from play() until pause(), the end or a failure.
    bool isPlaying() const { return playing_.load(); }

    // Exact: shows the last picture at or before `seconds` (the first one when it lies before
    // it), decoded from the keyframe before. Clamped to [0, duration()]. A newer seek abandons
    // one still decoding. Playing continues from there when it was playing.
    void seek(double seconds);

    // The clock: where playback is now, a requested seek's target, or where it stopped.
    double currentTime() const;

    // Pictures are scaled to exactly this size (upright); 0 x 0 means the picture's own size.
    // The caller keeps the aspect ratio. The picture on screen is converted again at once.
    void setTargetSize(int width, int height);

    // The picture on screen: straight RGBA, top row first, opaque; null before the first one.
    std::shared_ptr<const Image> latestFrame() const;

    Stats stats() const;

private:
    friend class PlayerEngine;
    using SteadyTime = std::chrono::steady_clock::time_point;

    // The playback clock. Media time runs with wall time while `running`.
    struct Clock {
        bool running = false;
        SteadyTime wall{};  // when `media` was true
        double media = 0;

        double at(SteadyTime now) const {
            return running ? media + std::chrono::duration<double>(now - wall).count() : media;
        }
        SteadyTime wallFor(double mediaTime) const {
            return wall + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(mediaTime - media));
        }
    };

    Player() = default;
    void publish(std::shared_ptr<const Image> image);

    // Fixed at open.
    double duration_ = 0;
    int width_ = 0;
    int height_ = 0;
    Events events_;

    // Requests and the clock; guarded by mutex_. `wake_` tells the player thread about a change.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool wantPlaying_ = false;
    std::optional<double> seekRequest_;
    int targetWidth_ = 0;
    int targetHeight_ = 0;
    bool targetChanged_ = false;
    std::uint64_t requests_ = 0;  // counts every request, so the player thread sees any change
    Clock clock_;

    std::atomic<bool> playing_{false};

    mutable std::mutex frameMutex_;
    std::shared_ptr<const Image> latest_;  // guarded by frameMutex_

    struct Counters {
        std::atomic<std::int64_t> decoded{0};
        std::atomic<std::int64_t> shown{0};
        std::atomic<std::int64_t> late{0};
        std::atomic<std::int64_t> jumps{0};
        std::atomic<std::int64_t> fastSpans{0};
    } counters_;

    // The player thread's own state (reader, converter, queue); only that thread touches it.
    std::unique_ptr<PlayerEngine> engine_;
    std::thread thread_;
};

}  // namespace kestro
