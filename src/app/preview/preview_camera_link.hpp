#pragma once
// Ties the preview to the editor's camera: the preview shows the camera at the playhead, the
// selected segment's focus as a marker, and a drag of the marker moves that focus (one undo
// step per drag).

namespace kestro {

class EditorState;
class PreviewView;

void connectPreviewCamera(EditorState& state, PreviewView& preview);

}  // namespace kestro
