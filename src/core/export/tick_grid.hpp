#pragma once
// Where an export's output ticks lie in the recording. Tick k of a trimmed export shows the
// picture on screen at start + k / rate, and the export runs for as many ticks as fit before
// the end. A picture counts as on screen at a tick when it comes at most a quarter tick after
// it (containers round times: Matroska to the millisecond), so a start a hair before a picture
// (1 s, against an NTSC picture at 1.001 s) shows that picture first; laying the grid from
// the requested start would then leave room for one more tick before the end than there are
// pictures, and the last would be shown twice. The grid starts at that picture instead.

#include "core/export/render_geometry.hpp"

extern "C" {
#include <libavutil/rational.h>
}

#include <cstdint>
#include <vector>

namespace kestro {

// The range whose start is the first tick: `range` itself, or its start moved on to the first
// picture (`pictureTimes`, sorted seconds as VideoReader counts them) when that comes after the
// start by at most a quarter tick at `frameRate`.
TrimRange alignTicksToFirstPicture(TrimRange range, const std::vector<double>& pictureTimes,
                                   AVRational frameRate);

// How many ticks an export of `length` seconds at `frameRate` runs for: every tick that starts
// before the end, at least one. The source's times are stored on a grain of `grain` seconds (its
// time base), so its end may lie up to that much late: a GIF's 30 fps pictures are 3 or 4
// hundredths long, and 45 of them end at 1.51 s. A last tick starting that close to the end
// (never more than half a tick) shows nothing new and is not written.
std::int64_t tickCount(double length, AVRational frameRate, double grain);

}  // namespace kestro
