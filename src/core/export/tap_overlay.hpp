#pragma once
// The touches drawn over the recording: a soft circle while a finger is down, a ripple that
// spreads and fades when it lifts, and a fading trail behind a finger that moves. The drawing
// is made as a coverage mask in canvas pixels for one moment of the recording, then laid over
// a composed export picture or the preview's canvas in the style's colour, so both show the
// same pixels.
//
// Made on one thread, then used by one thread at a time (the exporter's compose thread, or the
// editor's interface thread); it keeps no state between calls.

#include "core/export/camera_view.hpp"
#include "core/export/render_geometry.hpp"
#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/model/image.hpp"
#include "core/model/touch_track.hpp"
#include "core/result.hpp"

#include <vector>

namespace kestro {

// How long each part of a tap shows, in seconds of the recording.
inline constexpr double kTapMinimumPress = 0.12;  // a quick tap still shows this long
inline constexpr double kTapReleaseFade = 0.2;    // the circle fading after the lift
inline constexpr double kTapRippleSeconds = 0.45;
inline constexpr double kTapTrailSeconds = 0.35;  // how far back a swipe's trail reaches

// Where the recording lies on the canvas.
struct TapPlacement {
    int canvasWidth = 0;
    int canvasHeight = 0;
    Placement video;            // the upright recording's drawn rectangle, top-left origin
    CanvasRect clip;            // the screen box, top-left origin: taps never leave it
    double recordingWidth = 0;  // upright recording pixels
    double recordingHeight = 0;
};

// How much of the tap colour covers each pixel of a rectangle of the canvas, and how much of
// the soft edge drawn under it in the contrasting colour (black under a light colour, white
// under a dark one), so a white tap still shows over a white screen.
struct TapCoverage {
    int x = 0, y = 0, width = 0, height = 0;  // on the canvas
    std::vector<float> alpha;                 // width x height, 0..1, rows top first
    std::vector<float> edge;                  // the same, for the edge
    Rgba edgeColour{0, 0, 0, 255};

    bool empty() const { return width <= 0 || height <= 0; }
    float at(int cx, int cy) const { return alpha[index(cx, cy)]; }
    float edgeAt(int cx, int cy) const { return edge[index(cx, cy)]; }
    std::size_t index(int cx, int cy) const {
        return static_cast<std::size_t>(cy - y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(cx - x);
    }
};

class TapOverlay {
public:
    TapOverlay(const TouchTrack& track, const TapStyle& style, const TapPlacement& placement);

    // Whether anything is drawn at recording time `t` (seconds).
    bool showsAt(double t) const;
    // The drawing at recording time `t`, the style's opacity and colour alpha included; empty
    // when nothing shows. `view` is the camera's view of the canvas at `t`: the taps move and
    // grow with the picture under them.
    TapCoverage coverageAt(double t, const CanvasView& view = {}) const;
    // The radius of a finger's circle on the canvas, in pixels.
    double radius() const { return radius_; }

    // The picture with the taps of recording time `t` on it: a new reference to `picture` when
    // nothing shows, else a copy drawn on. Takes the composed picture formats: 8-bit 4:2:0 and
    // 10-bit 4:4:4 with alpha (colour stored straight).
    Result<AVFramePtr, MediaError> apply(const AVFrame& picture, double t,
                                         const CanvasView& view = {}) const;
    // The same drawing on a straight RGBA canvas of the placement's size (the preview).
    void drawOn(Image& canvas, double t) const;

private:
    // One finger from its down to its up.
    struct Stroke {
        std::vector<TouchPoint> points;  // canvas pixels, in time order
        double down = 0;
        double up = 0;       // when it lifted (its last point when no up was recorded)
        bool moved = false;  // far enough for a trail
    };
    struct Point {
        double x, y;
    };
    static Point positionAt(const Stroke& stroke, double t);
    // Calls `visit` with every stroke that shows something at `t`.
    template <class F>
    void forEachActive(double t, F&& visit) const;

    std::vector<Stroke> strokes_;    // by their down
    std::vector<double> latestEnd_;  // the latest end of strokes_[0..i]
    TapStyle style_;
    TapPlacement placement_;
    double radius_ = 0;
    Rgba edgeColour_{0, 0, 0, 255};
    int clipX0_ = 0, clipY0_ = 0, clipX1_ = 0, clipY1_ = 0;  // pixels that may be drawn
};

}  // namespace kestro
