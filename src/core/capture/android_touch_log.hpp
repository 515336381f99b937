#pragma once
// The touches on an Android device's touchscreen while it records: `getevent -lt` runs on the
// device beside `screenrecord`, and its events become touches in recording pixels. Each line is
// stamped with this computer's clock as it arrives, which ties the device's event clock to the
// moments the recording's pieces started, whatever clock the device stamps with.
//
// Threads: start() and finish() are called by the recorder's owner (or its "kestro-adb-rec"
// thread), one at a time. While the log runs, the child's pipe reader thread ("kestro-pipes")
// feeds it the output; the decoder, the pending partial line and the clock offset are guarded
// by the log's mutex. After finish() has stopped the child, everything is the caller's again.

#include "core/capture/child_process.hpp"
#include "core/capture/getevent_touches.hpp"
#include "core/model/touch_track.hpp"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

// One piece of a recording: when its recorder was started (this computer's steady clock) and
// how long its movie is.
struct RecordedPiece {
    std::chrono::steady_clock::time_point started;
    double seconds = 0;
};

// Touches stamped with this computer's clock, placed on the joined recording's clock: each
// piece's touches count from its start, after the pieces before it. Touches before the first
// piece are dropped; those that fall after a piece's movie ended (the gap before the next one)
// are kept at its end, so no finger stays down for ever. Positions are scaled from the display
// (`from`) to the movie's pixels (`to`).
struct StampedTouch {
    std::chrono::steady_clock::time_point at;
    TouchPoint touch;  // t unused
};
TouchTrack placeTouches(const std::vector<StampedTouch>& touches,
                        const std::vector<RecordedPiece>& pieces, DisplaySize from, DisplaySize to);

class AndroidTouchLog {
public:
    // Asks the device for its touchscreen, display size and rotation, then starts the event
    // stream. None when the device has no touchscreen or does not say its size: the recording
    // then goes on without touches.
    static std::unique_ptr<AndroidTouchLog> start(const std::string& adb,
                                                  const std::string& serial);
    ~AndroidTouchLog();
    AndroidTouchLog(const AndroidTouchLog&) = delete;
    AndroidTouchLog& operator=(const AndroidTouchLog&) = delete;

    // Ends the event stream and hands over the touches, stamped with this computer's clock.
    std::vector<StampedTouch> finish();
    // The recording's size as the display has it at the start.
    DisplaySize recorded() const { return mapping_.recorded(); }

private:
    explicit AndroidTouchLog(TouchMapping mapping);
    void receive(std::string_view text);  // on the pipe reader thread

    TouchMapping mapping_;
    std::optional<ChildProcess> child_;
    std::mutex mutex_;
    GeteventDecoder decoder_;                             // guarded by mutex_
    std::string partial_;                                 // guarded by mutex_
    std::optional<double> offset_;                        // host seconds minus event stamp; guarded
    std::vector<std::pair<double, TouchPoint>> touches_;  // event stamps; guarded
};

}  // namespace kestro
