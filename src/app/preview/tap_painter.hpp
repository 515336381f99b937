#pragma once
// The taps on the preview, drawn by the export's own tap drawing (core/export/tap_overlay) so
// the preview shows the pixels the export writes, at the size on screen.

#include "core/model/touch_track.hpp"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

class QPainter;

namespace kestro {

// `video` is where the upright recording of `recording` pixels is drawn and `clip` the screen
// it shows in, both in the painter's logical coordinates; `t` is the recording's time.
void paintTaps(QPainter& painter, const TouchTrack& track, const TapStyle& style,
               const QRectF& video, const QRectF& clip, const QSizeF& recording, double t,
               qreal devicePixelRatio);

// The recording pixel under `point` (logical coordinates, as `video`); none outside the video.
std::optional<QPointF> recordingPixelAt(const QPointF& point, const QRectF& video,
                                        const QSizeF& recording);

}  // namespace kestro
