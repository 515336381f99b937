#pragma once
// Ties the editor's touches to the preview: the preview draws the state's touch track at the
// playhead in the state's tap style, and a modifier-click on it adds a tap there (undoably).

namespace kestro {

class EditorState;
class PreviewView;

void linkTouchesToPreview(EditorState& state, PreviewView& preview);

}  // namespace kestro
