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

#include <vector>

namespace kestro {

// The range whose start is the first tick: `range` itself, or its start moved on to the first
// picture (`pictureTimes`, sorted seconds as VideoReader counts them) when that comes after the
// start by at most a quarter tick at `frameRate`.
TrimRange alignTicksToFirstPicture(TrimRange range, const std::vector<double>& pictureTimes,
                                   AVRational frameRate);

}  // namespace kestro
