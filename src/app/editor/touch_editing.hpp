#pragma once
// Taps added by hand: a simulator gives no touch log, so the editor lets the user put a tap on
// the preview at the playhead. An added tap is an ordinary touch (a down and, a moment later,
// its up), drawn and exported as a recorded one, and taken back by Undo.
//
// Threads: the interface thread.

#include "core/model/touch_track.hpp"

namespace kestro {

class EditorState;

// How long a hand-made tap holds the screen.
inline constexpr double kAddedTapSeconds = 0.1;

// The track with a tap at recording time `t` and recording pixel (x, y): a down and its up,
// in time order, with a finger id no touch overlapping it uses.
TouchTrack withTap(const TouchTrack& track, double t, double x, double y);

// Adds a tap at the playhead at recording pixel (x, y), undoably. Nothing without a movie, or
// for a point outside the recording.
bool addTapAtPlayhead(EditorState& state, double x, double y, double recordingWidth,
                      double recordingHeight);

}  // namespace kestro
