#pragma once
// Reading an Android touchscreen through the device shell's tools: which input device is the
// touchscreen and its axis ranges (`getevent -pl`), the display's size (`wm size`) and rotation
// (`dumpsys input`), and the touches in the event stream of `getevent -lt`, turned into display
// pixels as the recording shows them. Plain text in, values out; nothing here runs a tool.

#include "core/model/touch_track.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

struct Touchscreen {
    std::string device;  // "/dev/input/event2"
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
};

// The first device in `getevent -pl` output that reports ABS_MT_POSITION_X and _Y with a
// usable range.
std::optional<Touchscreen> findTouchscreen(std::string_view listing);

// "Physical size: 1080x2400" and, when set, "Override size: 720x1600" (which wins): the
// display's size in its natural orientation.
struct DisplaySize {
    int width = 0, height = 0;
};
std::optional<DisplaySize> parseWmSize(std::string_view text);

// The display's rotation in quarter turns (0 to 3) from `dumpsys input`: "orientation=N" of
// the internal viewport, or the older "SurfaceOrientation: N"; 0 when neither is there.
int parseDisplayRotation(std::string_view text);

// How raw axis values become pixels of the recording: the touchscreen's ranges spread over
// the natural display, then turned with the display's rotation (a landscape recording of a
// portrait phone has its x along the phone's long side).
struct TouchMapping {
    Touchscreen screen;
    DisplaySize display;
    int rotation = 0;  // quarter turns
    // The recording's size in pixels.
    DisplaySize recorded() const;
    // The recording pixel of raw axis values.
    std::pair<double, double> map(int rawX, int rawY) const;
};

// Turns `getevent -lt` lines into touches. Multi-touch slots (ABS_MT_SLOT) each become a
// finger with the slot's number as its id; a device without slots is one finger. Touch times
// are the event stamps, in the device clock's seconds.
class GeteventDecoder {
public:
    explicit GeteventDecoder(TouchMapping mapping);

    // One line of output (with or without its line end). Lines of other devices, and lines
    // that are not events, are ignored.
    void feed(std::string_view line);
    // The touches completed by the frames (SYN_REPORT) seen so far; they are handed over once.
    std::vector<TouchPoint> take();
    // The stamp of the last event line, for matching the device clock to this computer's.
    std::optional<double> lastStamp() const { return lastStamp_; }

private:
    struct Slot {
        bool down = false;    // as of the last frame
        bool active = false;  // as the current frame says
        int x = 0, y = 0;
        bool moved = false;
        bool seen = false;  // any position yet
    };
    void endFrame(double stamp);

    TouchMapping mapping_;
    std::map<int, Slot> slots_;
    int current_ = 0;
    bool usesTrackingIds_ = false;
    std::optional<double> lastStamp_;
    std::vector<TouchPoint> ready_;
};

}  // namespace kestro
