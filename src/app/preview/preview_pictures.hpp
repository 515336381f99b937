#pragma once
// The pictures the live preview composites on every repaint, made once per input from copies of
// those inputs, so PreviewView can have them made on the pool while the window keeps painting:
// the full-size frame and its opening mask, their copies scaled to the view with the clip that
// cuts the video, and the stage (the canvas's backdrop and the shadows the canvas card casts).
// Every function here is pure: it reads only its arguments and may run on any thread.

#include "app/ui/shadow.hpp"
#include "core/export/canvas_backdrop.hpp"
#include "core/model/image.hpp"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <memory>

namespace kestro {

// Straight RGBA as a premultiplied QImage of its own (a copy: it does not depend on the core
// image's lifetime).
QImage toPremultiplied(const Image& img);

// The frame picture at full size and its opening mask (null when the frame has no opening).
struct PreparedFrame {
    QImage full;
    QImage mask;
};
PreparedFrame prepareFrame(const Image& image);

// What cuts the video and what is drawn over it, for one size of the view.
struct CacheInputs {
    QImage frameFull;
    QImage maskFull;
    QSize px;
    QRect playerPx;
    qreal dpr = 1;
    QRectF frameLocal;     // the frame's rectangle, in points, at the origin
    QRectF playerInFrame;  // P, in points, inside it
    qreal playerRadius = 0;
    qreal containerRadius = 0;
    bool hasFrame = false;
};

struct Caches {
    QImage frame;  // the frame image scaled to px
    QImage mask;   // its opening mask, limited to P
    QImage clip;   // everything that cuts the video, alpha only
};
Caches buildCaches(const CacheInputs& in);

// The canvas card on the stage: its corners are rounded (kStageCornerRadius) and it casts two
// soft shadows, the accent's glow and a faint black one.
inline constexpr qreal kStageCornerRadius = 12;
ShadowSpec stageGlow();
ShadowSpec stageShade();

struct StageInputs {
    // The export's backdrop at the preview's size in pixels. Its image pointers are set from the
    // two images below, which the inputs keep alive.
    BackdropSetup setup;
    std::shared_ptr<const Image> backgroundImage;
    std::shared_ptr<const Image> frame;
    qreal dpr = 1;
    // The card's size in points; empty when the shadows made before are still right.
    QSizeF shadowsFor;
};

struct StagePictures {
    QImage backdrop;  // at dpr, corners rounded
    // Made only when asked for (see StageInputs::shadowsFor).
    QSizeF shadowsFor;
    QImage glow;
    QImage shade;
};
StagePictures paintStage(StageInputs in);

}  // namespace kestro
