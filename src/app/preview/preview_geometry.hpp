#pragma once
// The arithmetic of the framed preview and its stage, kept apart from painting so the numbers
// can be checked on their own.
//
// Preview rectangles are in a space whose origin is the bottom-left corner of the view with y
// growing upwards: that is how a screen rectangle's y (the height of the margin below the
// opening) is read. flipToTopLeft() converts a rectangle for QPainter.

#include "core/model/screen_rect.hpp"
#include "core/model/video_fit_mode.hpp"

#include <QRectF>
#include <QSizeF>
#include <QTransform>

namespace kestro {

struct PreviewLayout {
    QRectF frame;         // F: the frame image fitted into the view (the view without one)
    QRectF screen;        // S: the screen opening in view coordinates
    QRectF player;        // P: S in the frame's coordinates, grown by 2 on every side
    qreal playerCornerRadius = 0;
    qreal videoScale = 1;  // k, never below 0.1
    qreal shiftX = 0;      // tx: positive moves the video right
    qreal shiftY = 0;      // ty: positive moves the video down
    // Without a frame the whole video area is rounded; 0 with a frame (the mask shapes it).
    qreal containerCornerRadius = 0;
    bool hasFrame = false;

    bool identityTransform() const { return videoScale == 1 && shiftX == 0 && shiftY == 0; }
    // The video's transform about P's centre, for P in top-left coordinates of the frame.
    QTransform videoTransform(const QRectF& playerTopLeft) const;
};

// `frameSize` is the trimmed frame image's size, or empty when there is none.
PreviewLayout computePreviewLayout(const QRectF& bounds, const QSizeF& frameSize,
                                   const ScreenRect& screen, double scale, double offsetX,
                                   double offsetY);

// A rectangle measured from the bottom of a space `height` tall, measured from the top instead
// (and back: the conversion is its own inverse).
QRectF flipToTopLeft(const QRectF& r, qreal height);

// Where a picture of `videoSize` is drawn inside `box` for a fit mode (centred).
QRectF videoRectInside(const QRectF& box, const QSizeF& videoSize, VideoFitMode mode);

// The largest rectangle of ratio `aspectRatio` (width / height) inside `area` less 20 on every
// side; never negative. A ratio below 0.01 or not a number counts as 0.01.
QSizeF stageSize(const QSizeF& area, double aspectRatio);

// The empty-state card is never wider than 95% of the stage, nor than 600.
qreal emptyStateCardMaxWidth(qreal stageWidth);

}  // namespace kestro
