#pragma once
// The camera in the preview: the painter transform that shows the same part of the canvas the
// export shows at that moment (camera_view.hpp's rule, worked out in the export canvas's pixels),
// and its way back from a point of the view to a point of the recording, for dragging a focus.

#include "core/export/camera_path.hpp"

#include <QPointF>
#include <QRectF>
#include <QTransform>

namespace kestro {

// `canvas` is where the canvas is drawn and `video` where the upright video is drawn, both in
// the painter's coordinates before the transform; `canvasScale` is painter pixels per export
// canvas pixel. The identity at 1x.
QTransform previewCameraTransform(const CameraState& camera, const QRectF& canvas,
                                  qreal canvasScale, const QRectF& video);

// The point of the recording (fractions, unclamped) drawn at `point` under `transform`.
QPointF recordingPointAt(const QPointF& point, const QTransform& transform, const QRectF& video);

}  // namespace kestro
