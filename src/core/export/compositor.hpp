#pragma once
// Composes the pictures of one export, in the encoder's pixel format.
//
// Every output pixel is K + w * S: S is the screen's content (the placed video, opaque black
// where the video does not reach), K and w depend only on the canvas (background, frame image,
// screen mask) and are worked out once per export. Where w is 0 the pixel never changes; the
// pictures handed out come from a fixed set that starts as that constant canvas and is only
// ever written where the video shows, so per frame only the placed video is scaled (straight
// from the decoded picture, by libswscale, onto whole canvas pixels) and copied or blended.
// Only the part of the source that lands in the opening (and the scaler's filter margin
// around it) is scaled: at a high zoom most of the placed video lies outside the opening, and
// scaling all of it would cost memory and time with the square of the zoom. Because YCbCr is
// an affine function of RGB,
// blending K + w * S in the output's BT.709 space gives the same picture as blending in RGB and
// converting after; only the anti-aliased rim of the opening sees the chroma subsampling of w.
//
// The two orders of the two containers:
//   mp4: backdrop (background and shadow), the video through the mask (inverted frame alpha x
//        rounded screen rectangle), the frame image on top, aspect-fitted into the device box;
//        flattened over black (H.264 has no alpha).
//   mov: the video inside the rounded screen rectangle blended over the backdrop, the frame
//        image on top scaled to fill the device box; alpha kept (the shadow's is partial),
//        colour stored straight.
//
// One thread uses a Compositor (the exporter's compose thread), except for interrupt(); the
// pictures it returns may be read and released on any thread. Converting an HDR or wide-gamut
// picture, it has libavfilter's slice threads (one per core) share the work.

#include "core/export/background_fill.hpp"
#include "core/export/camera_view.hpp"
#include "core/export/canvas_pool.hpp"
#include "core/export/render_geometry.hpp"
#include "core/media/av_ptr.hpp"
#include "core/media/bt709_conversion.hpp"
#include "core/media/media_error.hpp"
#include "core/media/picture_colour.hpp"
#include "core/model/image.hpp"
#include "core/result.hpp"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <cstdint>
#include <memory>
#include <vector>

namespace kestro {

// A view's constant canvas made elsewhere (the camera's layer cache), handed to the compositor
// one plane row at a time instead of being drawn afresh.
class CanvasSource {
public:
    virtual ~CanvasSource() = default;
    // Samples [x0, x1) of row `row` of plane `plane` (0..2 the colour planes, 3 the alpha of
    // MOV), subsampled by `shiftX` and `shiftY`: the constant canvas's values in the plane's
    // codes, and the video's weights (0..256; alpha rows leave them alone), into values[x0, x1)
    // and weights[x0, x1).
    virtual void planeRow(int plane, int shiftX, int shiftY, int row, int x0, int x1,
                          std::uint16_t* values, std::uint16_t* weights) const = 0;

    // Columns [x0, x1) of a plane row.
    struct Span {
        int x0 = 0, x1 = 0;
    };
    // The spans of that row, in order, among its first `width` samples, that are all screen:
    // weight 1 and the plane's black (alpha: opaque), which the compositor fills without asking
    // planeRow(). At a high zoom most of the canvas is screen. None unless a source knows.
    virtual void screenSpans(int /*plane*/, int /*shiftX*/, int /*shiftY*/, int /*row*/,
                             int /*width*/, std::vector<Span>& spans) const {
        spans.clear();
    }
};

struct CompositorSetup {
    enum class Order { mp4, mov };
    Order order = Order::mp4;
    int canvasWidth = 0;  // even
    int canvasHeight = 0;
    CanvasRect screen;             // the grown screen rectangle, bottom-left origin
    const Image* frame = nullptr;  // trimmed frame image, straight RGBA; null for none
    // The device box the frame image is drawn into, top-left origin; an empty box means the
    // whole canvas.
    CanvasRect device;
    BackgroundFill background;
    const Image* backgroundImage = nullptr;  // the picture of an "image" background
    bool shadow = false;                     // the device's drop shadow under it
    Placement placement;  // of the upright video, top-left origin
    int rotation = 0;  // clockwise degrees turning the stored picture upright
    // False: the screen rectangle keeps square corners (a frameless picture filling it).
    bool roundedScreen = true;
    // The frame's rounding of its opening (ExportConfig::screenCornerFraction).
    std::optional<double> screenCornerFraction;
    // Bilinear instead of bicubic scaling of the video: a little softer, cheaper (drafts).
    bool fastScaling = false;
    // The camera: the canvas above is drawn magnified and shifted by it, every part at the
    // output's own resolution (the video scaled once, straight from the source).
    CanvasView view;
    // When set, the constant canvas of this view comes from it (it must outlive create()); the
    // fields above still place the video.
    const CanvasSource* source = nullptr;
};

class Compositor {
public:
    static Result<std::unique_ptr<Compositor>, MediaError> create(const CompositorSetup& setup);
    ~Compositor();

    // Makes the `count` canvas pictures compose() draws on; called once, before the first
    // compose(). The pictures are all there is: with `count` of them in use, compose() waits
    // for one to be released, so `count` should cover every stage holding one.
    Result<Done, MediaError> allocatePictures(int count);

    // The picture for one decoded source frame. The frame's size and format may change from one
    // call to the next (the scaler follows); HDR frames are tone-mapped to SDR. Fails at once
    // after interrupt().
    Result<AVFramePtr, MediaError> compose(const AVFrame& source);

    // Wakes a compose() waiting for a free picture; any thread may call it once the pictures
    // are allocated. The compositor composes nothing after it.
    void interrupt();

    // Pixels of the placed video scaled per frame (0 before the first frame): the visible part
    // plus a margin, whatever the zoom.
    std::int64_t scaledPixels() const {
        return static_cast<std::int64_t>(placedW_) * placedH_ * (scaled_ ? 1 : 0);
    }

    // A change of YCbCr matrix and range onto limited-range BT.709, in normalised terms.
    struct Conversion {
        float m[3][3] = {};
        bool fullRange = false;
    };
    static Conversion colourConversion(const PictureColour& from);

private:
    Compositor() = default;
    // A run of one plane row that changes with the video: copied from the screen picture
    // (weight 1) or blended over the constant canvas.
    struct Run {
        int y = 0;        // plane row
        int x0 = 0;       // plane columns [x0, x1)
        int x1 = 0;
        size_t at = 0;    // blended runs: where their constants and weights start
    };
    struct Plane {
        int shiftX = 0, shiftY = 0;  // subsampling
        int black = 0;               // value of black in this plane
        int maxValue = 255;
        int bytes = 1;
        std::vector<Run> copies;
        std::vector<Run> blends;
        std::vector<std::uint16_t> constants;  // of the blended samples, in run order
        std::vector<std::uint16_t> weights;    // 0..256, likewise
    };
    // Where the screen's pixels are read from for one plane: the sample of canvas plane column
    // x, row y is at data + (y - originY) * linesize + (x - originX) * bytes.
    struct View {
        const uint8_t* data = nullptr;
        ptrdiff_t linesize = 0;
        int originX = 0, originY = 0;
    };

    Result<Done, MediaError> buildCanvas(const CompositorSetup& setup);
    Result<Done, MediaError> prepareScaler(const AVFrame& source);
    void chooseCrop(int srcW, int srcH, const AVPixFmtDescriptor& desc);
    Result<Done, MediaError> allocateScreen();
    void blendPlane(const Plane& plane, AVFrame& out, const View& screen, int index) const;
    void convertColours(AVFrame& frame) const;
    void averageChroma(const AVFrame& full);
    void extendChromaEdges(AVFrame& frame) const;

    AVPixelFormat format_ = AV_PIX_FMT_NONE;        // of the output pictures
    AVPixelFormat screenFormat_ = AV_PIX_FMT_NONE;  // of the scaled video (no alpha)
    // The whole placed video, top-left origin, whole pixels, upright.
    int fullX_ = 0, fullY_ = 0, fullW_ = 0, fullH_ = 0;
    // What of it can show, in the stored orientation, relative to the placed video's corner.
    int needX0_ = 0, needY0_ = 0, needX1_ = 0, needY1_ = 0;
    // The part of the placed video that is scaled (the same space as the whole): all of it,
    // or when zoomed the visible part and a margin, its corner on even pixels.
    int placedX_ = 0, placedY_ = 0, placedW_ = 0, placedH_ = 0;
    // The source pixels scaled into it: [cropX_, cropX_ + cropW_) x [cropY_, cropY_ + cropH_).
    int cropX_ = 0, cropY_ = 0, cropW_ = 0, cropH_ = 0;
    int rotation_ = 0;
    bool fastScaling_ = false;
    // 4:2:0 output with the video on an odd row or column: its chroma samples sit between
    // the canvas's. Upright sources are scaled straight onto the canvas's chroma grid (the
    // scaler is told where its chroma samples lie); turned ones are scaled at 4:4:4 and their
    // chroma averaged onto the grid.
    bool shiftedChroma_ = false;
    bool averageChroma_ = false;
    std::vector<Plane> planes_;
    AVFramePtr constant_;  // the canvas without the video, until the pictures are made
    std::unique_ptr<CanvasPool> pictures_;

    // Scaling state, rebuilt when the source changes.
    int srcW_ = -1, srcH_ = -1, srcFormat_ = -1;
    PictureColour srcColour_;
    SwsContextPtr sws_;     // source -> screen, a plain scale
    bool convert_ = false;  // the source is not limited-range BT.709
    Conversion conversion_;
    AVFramePtr scaled_;    // the placed video in stored orientation
    AVFramePtr upright_;   // the placed video turned upright (turned sources only)
    AVFramePtr averaged_;  // its chroma on the canvas's 4:2:0 grid (averageChroma_ only)
    std::unique_ptr<Bt709Conversion> toBt709_;  // made at the first picture that needs it
};

}  // namespace kestro
