#include "app/preview/tap_painter.hpp"

#include "core/export/tap_overlay.hpp"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kestro {

void paintTaps(QPainter& painter, const TouchTrack& track, const TapStyle& style,
               const QRectF& video, const QRectF& clip, const QSizeF& recording, double t,
               qreal devicePixelRatio) {
    if (track.empty() || !style.enabled || recording.isEmpty() || video.isEmpty()) return;
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1;
    // Drawn in device pixels, so the circles are as crisp as the picture under them.
    TapPlacement placement;
    placement.canvasWidth = static_cast<int>(std::ceil((clip.right()) * dpr));
    placement.canvasHeight = static_cast<int>(std::ceil((clip.bottom()) * dpr));
    placement.video = Placement{
        video.x() * dpr, video.y() * dpr, video.width() * dpr, video.height() * dpr, 1, 1};
    placement.clip =
        CanvasRect{clip.x() * dpr, clip.y() * dpr, clip.width() * dpr, clip.height() * dpr};
    placement.recordingWidth = recording.width();
    placement.recordingHeight = recording.height();
    const TapCoverage coverage = TapOverlay(track, style, placement).coverageAt(t);
    if (coverage.empty()) return;

    QImage layer(coverage.width, coverage.height, QImage::Format_ARGB32_Premultiplied);
    // The taps' colour over their edge, premultiplied, as the export lays the two.
    const Rgba c = style.colour;
    const Rgba e = coverage.edgeColour;
    for (int y = 0; y < coverage.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < coverage.width; ++x) {
            const double a = coverage.at(coverage.x + x, coverage.y + y);
            const double b = coverage.edgeAt(coverage.x + x, coverage.y + y) * (1 - a);
            const auto mix = [a, b](int top, int under) {
                return static_cast<int>(std::lround(top * a + under * b));
            };
            row[x] = qRgba(mix(c.r, e.r), mix(c.g, e.g), mix(c.b, e.b), mix(255, 255));
        }
    }
    layer.setDevicePixelRatio(dpr);
    painter.drawImage(QPointF(coverage.x / dpr, coverage.y / dpr), layer);
}

std::optional<QPointF> recordingPixelAt(const QPointF& point, const QRectF& video,
                                        const QSizeF& recording) {
    if (video.isEmpty() || recording.isEmpty() || !video.contains(point)) return std::nullopt;
    return QPointF((point.x() - video.x()) / video.width() * recording.width(),
                   (point.y() - video.y()) / video.height() * recording.height());
}

}  // namespace kestro
