#include "app/window/touch_preview_link.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/touch_editing.hpp"
#include "app/preview/preview_view.hpp"

namespace kestro {

void linkTouchesToPreview(EditorState& state, PreviewView& preview) {
    auto sync = [&state, &preview] { preview.setTouches(state.touchTrack(), state.tapStyle()); };
    QObject::connect(&state, &EditorState::touchTrackChanged, &preview, sync);
    QObject::connect(&state, &EditorState::tapStyleChanged, &preview, sync);
    QObject::connect(&state.playback(), &PlaybackSession::currentTimeChanged, &preview,
                     &PreviewView::setTapTime);
    QObject::connect(
        &preview, &PreviewView::tapRequested, &state, [&state](QPointF pixel, QSizeF recording) {
            addTapAtPlayhead(state, pixel.x(), pixel.y(), recording.width(), recording.height());
        });
    sync();
    preview.setTapTime(state.playback().currentTime());
}

}  // namespace kestro
