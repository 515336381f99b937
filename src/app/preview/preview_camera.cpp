#include "app/preview/preview_camera.hpp"

#include "core/export/camera_view.hpp"

#include <cmath>

namespace kestro {

QTransform previewCameraTransform(const CameraState& camera, const QRectF& canvas,
                                  qreal canvasScale, const QRectF& video) {
    if (!camera.zoomed() || canvas.isEmpty() || !(canvasScale > 0)) return {};
    // In export pixels, as the export works it out.
    const Placement placement{(video.x() - canvas.x()) / canvasScale,
                              (video.y() - canvas.y()) / canvasScale,
                              video.width() / canvasScale,
                              video.height() / canvasScale,
                              1,
                              1};
    const CanvasView view =
        canvasView(camera, placement, static_cast<int>(std::lround(canvas.width() / canvasScale)),
                   static_cast<int>(std::lround(canvas.height() / canvasScale)));
    if (view.identity()) return {};
    // A point drawn at d (relative to the canvas) shows at s * d - offset.
    QTransform t;
    t.translate(canvas.x() - view.x * canvasScale, canvas.y() - view.y * canvasScale);
    t.scale(view.scale, view.scale);
    t.translate(-canvas.x(), -canvas.y());
    return t;
}

QPointF recordingPointAt(const QPointF& point, const QTransform& transform, const QRectF& video) {
    if (video.isEmpty()) return {0.5, 0.5};
    const QPointF drawn = transform.inverted().map(point);
    return {(drawn.x() - video.x()) / video.width(), (drawn.y() - video.y()) / video.height()};
}

}  // namespace kestro
