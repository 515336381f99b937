#pragma once
// Composes the pictures of one export, in the encoder's pixel format.
//
// Every output pixel is K + w * S: S is the screen's content (the placed video, opaque black
// where the video does not reach), K and w depend only on the canvas (background, frame image,
// screen mask) and are worked out once per export. Where w is 0 the pixel never changes; the
// pictures handed out come from pools whose buffers start as that constant canvas and are only
// ever written inside the screen box, so per frame only the screen box is scaled (straight from
// the decoded picture, by libswscale) and blended. Because YCbCr is an affine function of RGB,
// blending K + w * S in the output's BT.709 space gives the same picture as blending in RGB and
// converting after; only the anti-aliased rim of the opening sees the chroma subsampling of w.
//
// The two orders of the two containers:
//   mp4: background, the video through the mask (inverted frame alpha x rounded screen
//        rectangle), the frame image on top, aspect-fitted into the canvas; flattened over
//        black (H.264 has no alpha).
//   mov: the video inside the rounded screen rectangle blended over the background, the frame
//        image on top scaled to cover the canvas; alpha kept, colour stored straight.
//
// One thread uses a Compositor (the exporter's compose thread); the pictures it returns may be
// read on any thread.

#include "core/export/background_fill.hpp"
#include "core/export/render_geometry.hpp"
#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/media/picture_colour.hpp"
#include "core/model/image.hpp"
#include "core/result.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestro {

struct CompositorSetup {
    enum class Order { mp4, mov };
    Order order = Order::mp4;
    int canvasWidth = 0;  // even
    int canvasHeight = 0;
    CanvasRect screen;             // the grown screen rectangle, bottom-left origin
    const Image* frame = nullptr;  // trimmed frame image, straight RGBA; null for none
    BackgroundFill background;
    Placement placement;  // of the upright video, top-left origin
    int sourceWidth = 0;  // the stored (decoded) picture
    int sourceHeight = 0;
    int rotation = 0;  // clockwise degrees turning the stored picture upright
};

class Compositor {
public:
    static Result<std::unique_ptr<Compositor>, MediaError> create(const CompositorSetup& setup);
    ~Compositor();

    AVPixelFormat pixelFormat() const { return format_; }

    // The picture for one decoded source frame. The frame's size and format may change from one
    // call to the next (the scaler follows).
    Result<AVFramePtr, MediaError> compose(const AVFrame& source);

    // The region that changes from frame to frame (top-left origin, even edges); empty when the
    // video is not visible at all.
    struct Box {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        bool empty() const { return x1 <= x0 || y1 <= y0; }
    };
    Box screenBox() const { return box_; }

    // A change of YCbCr matrix and range onto limited-range BT.709, in normalised terms.
    struct Conversion {
        float m[3][3] = {};
        bool fullRange = false;
    };
    static Conversion colourConversion(const PictureColour& from);

private:
    Compositor() = default;
    struct Span {
        int x0 = 0;  // relative to the box, in the plane's own pixels
        int x1 = 0;
        bool full = false;  // weight 1: a plain copy
    };
    struct Plane {
        int width = 0, height = 0;   // of the plane
        int shiftX = 0, shiftY = 0;  // subsampling
        int black = 0;               // value of black in this plane
        int maxValue = 255;
        int bytes = 1;
        std::vector<std::uint16_t> weights;    // box-sized (in plane pixels), 0..256
        std::vector<std::vector<Span>> spans;  // one list per box row (plane rows)
    };

    Result<Done, MediaError> buildCanvas(const CompositorSetup& setup);
    Result<Done, MediaError> prepareScaler(const AVFrame& source);
    Result<AVFramePtr, MediaError> pooledFrame();
    void blendPlane(int index, AVFrame& out, const AVFrame& screen) const;
    void convertColours(AVFrame& frame) const;

    AVPixelFormat format_ = AV_PIX_FMT_NONE;        // of the output pictures
    AVPixelFormat screenFormat_ = AV_PIX_FMT_NONE;  // of the scaled screen (no alpha)
    int width_ = 0, height_ = 0;
    int planeCount_ = 0;  // colour planes blended per frame
    Box box_;
    // The placed video, top-left origin, even edges, upright.
    int placedX_ = 0, placedY_ = 0, placedW_ = 0, placedH_ = 0;
    int rotation_ = 0;
    std::vector<Plane> planes_;
    AVFramePtr constant_;  // the canvas with an all-black screen, in the output format
    std::vector<AVBufferPoolPtr> pools_;

    // Scaling state, rebuilt when the source changes.
    int srcW_ = -1, srcH_ = -1, srcFormat_ = -1;
    PictureColour srcColour_;
    SwsContextPtr sws_;     // source -> screen, a plain scale
    bool convert_ = false;  // the source is not limited-range BT.709
    Conversion conversion_;
    AVFramePtr scaled_;   // the placed video in stored orientation
    AVFramePtr upright_;  // the placed video turned upright (rotated sources only)
};

}  // namespace kestro
