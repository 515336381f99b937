#pragma once
// The arithmetic of the framed preview and its stage, kept apart from painting so the numbers
// can be checked on their own.
//
// Preview rectangles are in a space whose origin is the bottom-left corner of the view with y
// growing upwards: that is how a screen rectangle's y (the height of the margin below the
// opening) is read. flipToTopLeft() converts a rectangle for QPainter.
//
// The screen rectangle and the video's placement come from the export's own geometry
// (core/export/render_geometry.hpp), worked out on a canvas the size of the fitted frame, so
// the preview shows what the export writes.

#include "core/export/canvas_layout.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/video_fit_mode.hpp"

#include <QRectF>
#include <QSizeF>

#include <optional>

namespace kestro {

struct PreviewLayout {
    // C: the export canvas fitted into the view, and view pixels per canvas pixel. Without a
    // canvas layout the canvas is F.
    QRectF canvas;
    qreal canvasScale = 1;
    // F: the device box. With a canvas layout it is the layout's device box scaled into C;
    // without one, the frame image fitted into the view (the view without a frame).
    QRectF frame;
    QRectF screen;        // S: the screen opening in view coordinates
    // P: S in the frame's coordinates, grown on every side as the export grows it. The frame
    // fitted into the view stands for the export canvas, so P is what grownScreenRect() gives
    // for a canvas of F's size.
    QRectF player;
    qreal playerCornerRadius = 0;  // P's corners, as the export rounds the screen
    // Where the export puts the video relative to P, for a video of P's own shape: the user's
    // scale (never below kMinimumUserScale, 1 when not a number; stretch ignores it) and the
    // shift of the video's centre from P's centre, in top-left coordinates (positive shiftY
    // moves the video down).
    qreal videoScale = 1;
    qreal shiftX = 0;
    qreal shiftY = 0;
    // Without a frame the whole video area is rounded; 0 with a frame (the mask shapes it).
    qreal containerCornerRadius = 0;
    bool hasFrame = false;

    // The placement inputs as the export takes them: fractions, offsets in halves of P.
    VideoFitMode fitMode = VideoFitMode::fill;
    double userScale = 1;
    double offsetX = 0;
    double offsetY = 0;

    // Where an upright picture of `videoSize` is drawn: placeVideo() on the canvas F stands
    // for, so in top-left coordinates of the frame.
    QRectF videoRect(const QSizeF& videoSize) const;
};

// `frameSize` is the trimmed frame image's size, or empty when there is none. `scale` is in
// percent, the offsets in percent of half of P (100 moves the video by half its width right,
// or half its height up), as the editor keeps them. `canvas` is the export's own canvas layout
// (canvasLayoutFor()), which places the device box; the screen is then in percent of that box.
PreviewLayout computePreviewLayout(const QRectF& bounds, const QSizeF& frameSize,
                                   const ScreenRect& screen, double scale, double offsetX,
                                   double offsetY, VideoFitMode mode = VideoFitMode::fill,
                                   const std::optional<CanvasLayout>& canvas = std::nullopt);

// A rectangle measured from the bottom of a space `height` tall, measured from the top instead
// (and back: the conversion is its own inverse).
QRectF flipToTopLeft(const QRectF& r, qreal height);

// The largest rectangle of ratio `aspectRatio` (width / height) inside `area` less 20 on every
// side; never negative. A ratio below 0.01 or not a number counts as 0.01.
QSizeF stageSize(const QSizeF& area, double aspectRatio);

// The empty-state card is never wider than 95% of the stage, nor than 600.
qreal emptyStateCardMaxWidth(qreal stageWidth);

}  // namespace kestro
