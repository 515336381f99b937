#include "app/preview/preview_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

PreviewLayout computePreviewLayout(const QRectF& bounds, const QSizeF& frameSize,
                                   const ScreenRect& screen, double scale, double offsetX,
                                   double offsetY) {
    PreviewLayout l;
    const qreal iw = frameSize.width();
    const qreal ih = frameSize.height();
    l.hasFrame = iw > 0 && ih > 0;
    if (l.hasFrame) {
        const qreal s = std::min(bounds.width() / iw, bounds.height() / ih);
        l.frame = QRectF(bounds.x() + (bounds.width() - iw * s) / 2,
                         bounds.y() + (bounds.height() - ih * s) / 2, iw * s, ih * s);
    } else {
        l.frame = bounds;
    }
    const QRectF& f = l.frame;
    l.screen = QRectF(f.x() + screen.x / 100 * f.width(), f.y() + screen.y / 100 * f.height(),
                      screen.w / 100 * f.width(), screen.h / 100 * f.height());
    const QRectF& s = l.screen;
    l.player = QRectF(s.x() - f.x() - 2, s.y() - f.y() - 2, s.width() + 4, s.height() + 4);
    l.playerCornerRadius = 0.13 * std::min(l.player.width(), l.player.height());
    l.videoScale = std::max(scale / 100, 0.1);
    if (!(l.videoScale == l.videoScale)) l.videoScale = 0.1;  // a NaN scale draws at the minimum
    l.shiftX = offsetX / 100 * l.player.width() * 0.25;
    l.shiftY = offsetY / 100 * l.player.height() * 0.25;
    l.containerCornerRadius = l.hasFrame ? 0 : 0.12 * std::min(s.width(), s.height());
    return l;
}

QTransform PreviewLayout::videoTransform(const QRectF& playerTopLeft) const {
    if (identityTransform()) return {};
    // Scale about P's centre, then shift; the shift is not scaled. y grows downwards here, so
    // a positive shiftY moves the picture down.
    const QPointF c = playerTopLeft.center();
    QTransform t;
    t.translate(c.x() + shiftX, c.y() + shiftY);
    t.scale(videoScale, videoScale);
    t.translate(-c.x(), -c.y());
    return t;
}

QRectF flipToTopLeft(const QRectF& r, qreal height) {
    return QRectF(r.x(), height - r.y() - r.height(), r.width(), r.height());
}

QRectF videoRectInside(const QRectF& box, const QSizeF& videoSize, VideoFitMode mode) {
    if (videoSize.width() <= 0 || videoSize.height() <= 0 || mode == VideoFitMode::stretch)
        return box;
    const qreal sx = box.width() / videoSize.width();
    const qreal sy = box.height() / videoSize.height();
    const qreal s = mode == VideoFitMode::fill ? std::max(sx, sy) : std::min(sx, sy);
    const QSizeF drawn = videoSize * s;
    return QRectF(box.center().x() - drawn.width() / 2, box.center().y() - drawn.height() / 2,
                  drawn.width(), drawn.height());
}

QSizeF stageSize(const QSizeF& area, double aspectRatio) {
    const qreal w0 = std::max<qreal>(area.width() - 40, 0);
    const qreal h0 = std::max<qreal>(area.height() - 40, 0);
    double r = aspectRatio;
    if (!(r >= 0.01)) r = 0.01;  // also catches NaN
    if (r >= w0 / std::max<qreal>(h0, 1)) return QSizeF(w0, w0 / r);
    return QSizeF(h0 * r, h0);
}

qreal emptyStateCardMaxWidth(qreal stageWidth) { return std::min<qreal>(0.95 * stageWidth, 600); }

}  // namespace kestro
