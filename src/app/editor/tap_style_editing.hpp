#pragma once
// The look of the taps as an edit: a change of the tap style goes through the history like the
// other edits of the touches, so Undo takes it back. Successive changes of one property (a
// slider dragged, colours tried in the open colour dialog, a spin box stepped) are one edit.
//
// Threads: the interface thread.

#include "core/model/touch_track.hpp"

namespace kestro {

class EditorState;

// The property an edit changes: it names the edit and decides which edits merge.
enum class TapStyleProperty { shown, size, colour, opacity };

// Makes `style` the state's tap style, undoably; nothing when it already is. The size and the
// opacity are held to what the export accepts.
void editTapStyle(EditorState& state, TapStyle style, TapStyleProperty changed);

}  // namespace kestro
