#include "app/preview/preview_camera_link.hpp"

#include "app/editor/editor_state.hpp"
#include "app/preview/preview_view.hpp"

namespace kestro {

void connectPreviewCamera(EditorState& state, PreviewView& preview) {
    CameraEditor& camera = state.camera();
    auto showMarker = [&camera, &preview] {
        const int i = camera.selected();
        if (i < 0) {
            preview.setFocusMarker(std::nullopt);
            return;
        }
        const ZoomSegment& s = camera.track()[static_cast<size_t>(i)];
        preview.setFocusMarker(QPointF(s.focusX, s.focusY));
    };
    QObject::connect(&camera, &CameraEditor::trackChanged, &preview,
                     [&camera, &preview, showMarker] {
                         preview.setCamera(camera.track());
                         showMarker();
                     });
    QObject::connect(&camera, &CameraEditor::selectionChanged, &preview, showMarker);
    QObject::connect(&state.playback(), &PlaybackSession::currentTimeChanged, &preview,
                     [&preview](double t) { preview.setCameraTime(t); });
    QObject::connect(&preview, &PreviewView::focusDragged, &camera, [&camera](double x, double y) {
        camera.setFocus(camera.selected(), x, y, true);
    });
    QObject::connect(&preview, &PreviewView::focusDragFinished, &camera,
                     [&camera] { camera.finishDrag(); });
    preview.setCamera(camera.track());
    preview.setCameraTime(state.playback().currentTime());
    showMarker();
}

}  // namespace kestro
