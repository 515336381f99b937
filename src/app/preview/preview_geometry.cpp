#include "app/preview/preview_geometry.hpp"

#include "core/export/render_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

CanvasRect toCanvasRect(const QRectF& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

PreviewLayout computePreviewLayout(const QRectF& bounds, const QSizeF& frameSize,
                                   const ScreenRect& screen, double scale, double offsetX,
                                   double offsetY, VideoFitMode mode,
                                   const std::optional<CanvasLayout>& canvas) {
    PreviewLayout l;
    const qreal iw = frameSize.width();
    const qreal ih = frameSize.height();
    l.hasFrame = iw > 0 && ih > 0;
    const bool onCanvas = canvas && canvas->width > 0 && canvas->height > 0;
    if (onCanvas) {
        const auto W = static_cast<qreal>(canvas->width);
        const auto H = static_cast<qreal>(canvas->height);
        const qreal k = std::min(bounds.width() / W, bounds.height() / H);
        l.canvasScale = k;
        l.canvas = QRectF(bounds.x() + (bounds.width() - W * k) / 2,
                          bounds.y() + (bounds.height() - H * k) / 2, W * k, H * k);
        // The layout's device box is top-left; these rectangles are measured from the bottom.
        const CanvasRect& d = canvas->device;
        l.frame =
            QRectF(l.canvas.x() + d.x * k, l.canvas.y() + (H - d.y - d.h) * k, d.w * k, d.h * k);
    } else if (l.hasFrame) {
        const qreal s = std::min(bounds.width() / iw, bounds.height() / ih);
        l.frame = QRectF(bounds.x() + (bounds.width() - iw * s) / 2,
                         bounds.y() + (bounds.height() - ih * s) / 2, iw * s, ih * s);
    } else {
        l.frame = bounds;
    }
    if (!onCanvas) l.canvas = l.frame;
    const QRectF& f = l.frame;
    l.screen = QRectF(f.x() + screen.x / 100 * f.width(), f.y() + screen.y / 100 * f.height(),
                      screen.w / 100 * f.width(), screen.h / 100 * f.height());
    const QRectF& s = l.screen;

    // The fitted frame is the canvas: P and its corners exactly as the export works them out,
    // both in the frame's bottom-left coordinates.
    const CanvasRect p = grownScreenRect(screen, f.width(), f.height());
    l.player = QRectF(p.x, p.y, p.w, p.h);
    l.playerCornerRadius = screenCornerRadius(p);

    l.fitMode = mode;
    l.userScale = scale / 100;
    l.offsetX = offsetX / 100;
    l.offsetY = offsetY / 100;
    // A video of P's own shape fits and fills P exactly, so its placement is P scaled by the
    // user's scale (stretch ignores it) and moved by the offsets: read the scale and the shift
    // off it rather than restating the rule.
    const Placement unit =
        placeVideo(p, f.height(), VideoSize{p.w, p.h}, mode, l.userScale, l.offsetX, l.offsetY);
    l.videoScale = unit.scaleX;
    l.shiftX = unit.tx + unit.width / 2 - p.midX();
    l.shiftY = unit.ty + unit.height / 2 - (f.height() - p.midY());
    l.containerCornerRadius = l.hasFrame ? 0 : 0.12 * std::min(s.width(), s.height());
    return l;
}

QRectF PreviewLayout::videoRect(const QSizeF& videoSize) const {
    const Placement placed =
        placeVideo(toCanvasRect(player), frame.height(), VideoSize{videoSize.width(), videoSize.height()},
                   fitMode, userScale, offsetX, offsetY);
    return QRectF(placed.tx, placed.ty, placed.width, placed.height);
}

QRectF flipToTopLeft(const QRectF& r, qreal height) {
    return QRectF(r.x(), height - r.y() - r.height(), r.width(), r.height());
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
