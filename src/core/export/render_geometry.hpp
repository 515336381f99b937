#pragma once
// The geometry every export path shares, as pure functions: which part of the source is
// exported, where the screen opening lies on the canvas, how big the video is drawn there and
// at which frame rate the output runs.
//
// Two coordinate spaces meet here. The canvas compositing space has its origin at the canvas's
// bottom-left corner with y growing upward (screen rectangles are stored that way). Decoded
// pictures and the placement live in the top-left-origin video space, y growing downward.

#include "core/export/export_error.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/video_fit_mode.hpp"
#include "core/result.hpp"

#include <optional>

namespace kestro {

struct TrimRange {
    double start = 0;  // seconds in the source
    double end = 0;
    double duration() const { return end - start; }
};

// Limits the requested range to the source: a bound that is not a number counts as 0, each
// bound is cut to at most `sourceDuration` and then to at least 0 (so +inf becomes the
// duration). The range must then be non-empty, else invalidTrimRange. A source whose duration
// is unknown (not finite) or negative is treated as empty.
Result<TrimRange, ExportError> clampTrimRange(double trimStart, double trimEnd,
                                              double sourceDuration);

struct CanvasRect {
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;

    double midX() const { return x + w / 2; }
    double midY() const { return y + h / 2; }
    bool operator==(const CanvasRect&) const = default;
};

// The screen opening in canvas pixels (bottom-left origin), grown by this many pixels on every
// side so that the video reaches under the frame's inner edge and no seam of background shows.
inline constexpr double kScreenGrowth = 2;
CanvasRect grownScreenRect(const ScreenRect& screen, double canvasWidth, double canvasHeight);

// The same rectangle in the top-left-origin video space.
CanvasRect toTopLeftOrigin(const CanvasRect& rect, double canvasHeight);

struct VideoSize {
    double width = 0;
    double height = 0;
    bool operator==(const VideoSize&) const = default;
};

// The size a picture of `stored` size shows after its display rotation (degrees, either sense):
// a quarter turn swaps width and height. Other angles take the absolute values of the rotated
// size vector; quarter turns are exact.
VideoSize uprightSize(VideoSize stored, double rotationDegrees);

// Below this the user's scale is raised to it: a video never shrinks to nothing. Above the
// maximum it is lowered to it: ten times is already a single icon filling a phone's screen,
// and beyond it the placement's numbers soon leave the range of whole pixels.
inline constexpr double kMinimumUserScale = 0.1;
inline constexpr double kMaximumUserScale = 10;

// The uniform scale s from the upright size to the drawn size: fit touches the rectangle from
// inside, fill covers it, stretch is 1; then multiplied by the user's scale (0.1 to 10). A
// degenerate (zero or negative) upright size scales by 1 rather than dividing by zero.
double placementScale(VideoFitMode mode, const CanvasRect& screen, VideoSize upright,
                      double userScale);

// Where the upright video is drawn, in the top-left-origin video space: its top-left corner
// (tx, ty) and its drawn size. Scaling is uniform (scaleX == scaleY == s) except for stretch,
// which maps the video onto the screen rectangle exactly and ignores the user's scale.
struct Placement {
    double tx = 0;
    double ty = 0;
    double width = 0;
    double height = 0;
    double scaleX = 1;
    double scaleY = 1;
};

// `screen` is the grown rectangle in the bottom-left-origin canvas space. Offsets are fractions:
// 1 moves the video by half the rectangle's width to the right, or half its height upward.
Placement placeVideo(const CanvasRect& screen, double canvasHeight, VideoSize upright,
                     VideoFitMode mode, double userScale, double offsetX, double offsetY);

// The screen opening's corners: rounded by this fraction of its shorter side, unless the frame
// image rounds its opening itself. Then `openingFraction` is that radius as a fraction of the
// opening's shorter side, and the grown rectangle (`screen`) gets the concentric radius, the
// growth added, so the video's corners follow the bezel's exactly: a larger radius would leave
// a gap of background between the two, which the frame does not cover.
inline constexpr double kScreenCornerFraction = 0.13;
double screenCornerRadius(const CanvasRect& screen,
                          std::optional<double> openingFraction = std::nullopt);

// The output's frame rate when the source does not tell (see export_frame_rate.hpp), and the
// most any export runs at: a claimed rate above it comes from a broken header, not from a
// screen, and would make the export write thousands of duplicate frames.
inline constexpr int kDefaultFrameRate = 30;
inline constexpr int kMaximumFrameRate = 240;

}  // namespace kestro
