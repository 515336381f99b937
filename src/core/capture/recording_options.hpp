#pragma once
// What a recording changes on the device for its own length. Every change is undone when the
// recording ends, whichever way it ends.

namespace kestro {

struct RecordingOptions {
    // A status bar that shows 9:41, a full battery, full signal and no notifications.
    bool cleanStatusBar = false;
    // Android only: a dot where the screen is touched.
    bool showTouches = false;
    // Android only: log the touches beside the recording (its touch file) for Kestro to draw.
    // The device's own dots are then kept off for the recording, unless showTouches asks for
    // them, so the two never show at once by accident.
    bool logTouches = true;
};

}  // namespace kestro
