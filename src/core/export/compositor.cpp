#include "core/export/compositor.hpp"

#include "core/export/constant_canvas_rows.hpp"
#include "core/media/av_error.hpp"
#include "core/media/plane_rotation.hpp"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

namespace kestro {

namespace {

struct Ycc {
    float y, cb, cr;
};
// BT.709 from gamma-encoded RGB in 0..1; y in 0..1, chroma in -0.5..0.5.
Ycc toUnitBt709(float r, float g, float b) {
    const float y = 0.2126f * r + 0.7152f * g + 0.0722f * b;
    return {y, (b - y) / 1.8556f, (r - y) / 1.5748f};
}

// Kr and Kb of a YCbCr matrix.
std::pair<double, double> lumaWeights(AVColorSpace matrix) {
    switch (matrix) {
        case AVCOL_SPC_BT709:
            return {0.2126, 0.0722};
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:
            return {0.2627, 0.0593};
        case AVCOL_SPC_SMPTE240M:
            return {0.212, 0.087};
        case AVCOL_SPC_FCC:
            return {0.30, 0.11};
        default:
            return {0.299, 0.114};  // BT.601
    }
}

template <class T>
void blendSpan(T* out, const std::uint16_t* constant, const T* screen,
               const std::uint16_t* weights, int n, int black, int maxValue) {
    for (int i = 0; i < n; ++i) {
        const int v = constant[i] + ((weights[i] * (screen[i] - black) + 128) >> 8);
        out[i] = static_cast<T>(std::clamp(v, 0, maxValue));
    }
}

}  // namespace

Compositor::~Compositor() = default;

Compositor::Conversion Compositor::colourConversion(const PictureColour& from) {
    // In normalised terms (luma 0..1, chroma -0.5..0.5) a change of matrix is linear, and
    // chroma never depends on luma (grey stays grey whatever the matrix).
    // Plain variables, not structured bindings: clang before 16 cannot capture those in lambdas.
    double kr = 0;
    double kb = 0;
    double kr2 = 0;
    double kb2 = 0;
    std::tie(kr, kb) = lumaWeights(from.matrix);
    std::tie(kr2, kb2) = lumaWeights(AVCOL_SPC_BT709);
    const double kg = 1 - kr - kb;
    const double kg2 = 1 - kr2 - kb2;
    Conversion c;
    c.fullRange = from.fullRange;
    auto apply = [&](double y, double u, double v, double out[3]) {
        const double r = y + 2 * (1 - kr) * v;
        const double b = y + 2 * (1 - kb) * u;
        const double g = (y - kr * r - kb * b) / kg;
        const double y2 = kr2 * r + kg2 * g + kb2 * b;
        out[0] = y2;
        out[1] = (b - y2) / (2 * (1 - kb2));
        out[2] = (r - y2) / (2 * (1 - kr2));
    };
    double col[3][3];
    apply(1, 0, 0, col[0]);
    apply(0, 1, 0, col[1]);
    apply(0, 0, 1, col[2]);
    for (int row = 0; row < 3; ++row) {
        for (int k = 0; k < 3; ++k) c.m[row][k] = static_cast<float>(col[k][row]);
    }
    return c;
}

namespace {

template <class T>
void convertPlanes(AVFrame& frame, const Compositor::Conversion& c, int shiftX, int shiftY,
                   int bits) {
    const int maxCode = (1 << bits) - 1;
    const float d = static_cast<float>(1 << (bits - 8));
    // Source normalisation folded into the matrix: out = offset + a . (Y, Cb, Cr) in codes, with
    // 0.5 added so that truncating rounds.
    const float yOff = c.fullRange ? 0 : 16 * d;
    const float yScale = c.fullRange ? static_cast<float>(maxCode) : 219 * d;
    const float cOff = 128 * d;
    const float cScale = c.fullRange ? static_cast<float>(maxCode) : 224 * d;
    float a[3][3];
    float offset[3];
    for (int row = 0; row < 3; ++row) {
        const float range = row == 0 ? 219 * d : 224 * d;
        a[row][0] = range * c.m[row][0] / yScale;
        a[row][1] = range * c.m[row][1] / cScale;
        a[row][2] = range * c.m[row][2] / cScale;
        offset[row] = (row == 0 ? 16 : 128) * d - a[row][0] * yOff - (a[row][1] + a[row][2]) * cOff +
                      0.5f;
    }
    auto code = [maxCode](float v) { return static_cast<T>(std::clamp(static_cast<int>(v), 0, maxCode)); };
    const int cw = AV_CEIL_RSHIFT(frame.width, shiftX);
    const int ch = AV_CEIL_RSHIFT(frame.height, shiftY);
    // Luma first: it needs the chroma before that is converted.
    for (int y = 0; y < frame.height; ++y) {
        T* ly = reinterpret_cast<T*>(frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0]);
        const T* lu = reinterpret_cast<const T*>(
            frame.data[1] + static_cast<ptrdiff_t>(y >> shiftY) * frame.linesize[1]);
        const T* lv = reinterpret_cast<const T*>(
            frame.data[2] + static_cast<ptrdiff_t>(y >> shiftY) * frame.linesize[2]);
        for (int x = 0; x < frame.width; ++x) {
            ly[x] = code(offset[0] + a[0][0] * ly[x] + a[0][1] * lu[x >> shiftX] +
                         a[0][2] * lv[x >> shiftX]);
        }
    }
    // Chroma never depends on luma (grey stays grey whatever the matrix).
    for (int y = 0; y < ch; ++y) {
        T* lu = reinterpret_cast<T*>(frame.data[1] + static_cast<ptrdiff_t>(y) * frame.linesize[1]);
        T* lv = reinterpret_cast<T*>(frame.data[2] + static_cast<ptrdiff_t>(y) * frame.linesize[2]);
        for (int x = 0; x < cw; ++x) {
            const float u = lu[x];
            const float v = lv[x];
            lu[x] = code(offset[1] + a[1][1] * u + a[1][2] * v);
            lv[x] = code(offset[2] + a[2][1] * u + a[2][2] * v);
        }
    }
}

}  // namespace

void Compositor::convertColours(AVFrame& frame) const {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    if (desc->comp[0].depth == 8) {
        convertPlanes<uint8_t>(frame, conversion_, desc->log2_chroma_w, desc->log2_chroma_h, 8);
    } else {
        convertPlanes<uint16_t>(frame, conversion_, desc->log2_chroma_w, desc->log2_chroma_h, 10);
    }
}

Result<std::unique_ptr<Compositor>, MediaError> Compositor::create(const CompositorSetup& setup) {
    if (setup.canvasWidth < 2 || setup.canvasHeight < 2 || setup.canvasWidth % 2 ||
        setup.canvasHeight % 2) {
        return fail(mediaFailure("The canvas must have an even size", AVERROR(EINVAL)));
    }
    std::unique_ptr<Compositor> c(new Compositor());
    auto built = c->buildCanvas(setup);
    if (!built) return fail(built.error());
    return c;
}

namespace {

// A placement beyond this many pixels a side is cut down to it. By then one source pixel spans
// thousands of canvas pixels, so the canvas sees the same picture, and every sum of positions
// and sizes below stays far inside an int.
constexpr double kMaxPlacedSide = 1 << 26;

// One axis of a placement, the video over [t, t + size), bounded for a canvas `canvas` long.
// A video larger than the bound keeps an edge that lies on or near the canvas where it is;
// when both edges lie far off (the video covers the whole canvas) it keeps the point of the
// source at the canvas's middle, its edges staying off the canvas. A video far off the canvas
// stays off it, at a bounded distance.
void boundAxis(double& t, double& size, double canvas) {
    if (!std::isfinite(t) || !std::isfinite(size) || size < 0) {
        t = -2 * kMaxPlacedSide;  // nothing sensible to show
        size = 1;
        return;
    }
    if (size > kMaxPlacedSide) {
        const double near = 4 * canvas + 1024;  // well past the scaler's reach
        const double end = t + size;
        if (t < -near && end > canvas + near) {
            const double middle = canvas / 2;
            const double u = (middle - t) / size;
            t = std::clamp(middle - u * kMaxPlacedSide, canvas + near - kMaxPlacedSide, -near);
        } else if (t < -near) {
            t = end - kMaxPlacedSide;
        }
        size = kMaxPlacedSide;
    }
    t = std::clamp(t, -2 * kMaxPlacedSide, 2 * kMaxPlacedSide);
}

Placement boundedPlacement(Placement p, int canvasWidth, int canvasHeight) {
    boundAxis(p.tx, p.width, canvasWidth);
    boundAxis(p.ty, p.height, canvasHeight);
    return p;
}

}  // namespace

Result<Done, MediaError> Compositor::buildCanvas(const CompositorSetup& setup) {
    const bool mov = setup.order == CompositorSetup::Order::mov;
    const int W = setup.canvasWidth;
    const int H = setup.canvasHeight;
    rotation_ = setup.rotation;
    fastScaling_ = setup.fastScaling;
    format_ = mov ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV420P;

    // The placed video on whole canvas pixels, in numbers that cannot overflow.
    const CanvasView& view = setup.view;
    const Placement p = boundedPlacement(view.apply(setup.placement), W, H);
    placedW_ = std::max(1, static_cast<int>(std::lround(p.width)));
    placedH_ = std::max(1, static_cast<int>(std::lround(p.height)));
    placedX_ = static_cast<int>(std::lround(p.tx));
    placedY_ = static_cast<int>(std::lround(p.ty));
    const bool odd = (placedX_ & 1) || (placedY_ & 1);
    shiftedChroma_ = !mov && odd && rotation_ == 0;
    averageChroma_ = !mov && odd && rotation_ != 0;
    screenFormat_ = mov ? AV_PIX_FMT_YUV444P10LE
                        : (averageChroma_ ? AV_PIX_FMT_YUV444P : AV_PIX_FMT_YUV420P);

    const CanvasRect R = view.apply(toTopLeftOrigin(setup.screen, H));

    // Where the video can show: inside the screen rectangle, the placed video and the canvas.
    const int ix0 = std::max({static_cast<int>(std::floor(R.x)), placedX_, 0});
    const int iy0 = std::max({static_cast<int>(std::floor(R.y)), placedY_, 0});
    const int ix1 = std::min({static_cast<int>(std::ceil(R.x + R.w)), placedX_ + placedW_, W});
    const int iy1 = std::min({static_cast<int>(std::ceil(R.y + R.h)), placedY_ + placedH_, H});
    const bool visible = ix1 > ix0 && iy1 > iy0;
    fullX_ = placedX_;
    fullY_ = placedY_;
    fullW_ = placedW_;
    fullH_ = placedH_;
    {
        // The visible part in the stored orientation (the scaler works before the turn).
        const int x0 = visible ? ix0 - fullX_ : 0;
        const int x1 = visible ? ix1 - fullX_ : fullW_;
        const int y0 = visible ? iy0 - fullY_ : 0;
        const int y1 = visible ? iy1 - fullY_ : fullH_;
        const bool quarter = rotation_ == 90 || rotation_ == 270;
        const int sw = quarter ? fullH_ : fullW_;
        const int sh = quarter ? fullW_ : fullH_;
        switch (rotation_) {
            case 90:
                needX0_ = y0, needX1_ = y1, needY0_ = sh - x1, needY1_ = sh - x0;
                break;
            case 180:
                needX0_ = sw - x1, needX1_ = sw - x0, needY0_ = sh - y1, needY1_ = sh - y0;
                break;
            case 270:
                needX0_ = sw - y1, needX1_ = sw - y0, needY0_ = x0, needY1_ = x1;
                break;
            default:
                needX0_ = x0, needX1_ = x1, needY0_ = y0, needY1_ = y1;
                break;
        }
    }

    constant_ = makeFrame();
    if (!constant_) return fail(mediaError(AVERROR(ENOMEM)));
    constant_->format = format_;
    constant_->width = W;
    constant_->height = H;
    constant_->color_primaries = AVCOL_PRI_BT709;
    constant_->color_trc = AVCOL_TRC_BT709;
    constant_->colorspace = AVCOL_SPC_BT709;
    constant_->color_range = AVCOL_RANGE_MPEG;
    if (int ret = av_frame_get_buffer(constant_.get(), 0); ret < 0) return fail(mediaError(ret));

    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format_);
    const int bytes = mov ? 2 : 1;
    const int depthScale = mov ? 4 : 1;
    planes_.assign(3, Plane{});
    struct Region {
        int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    };
    std::vector<Region> regions(3);
    for (int i = 0; i < 3; ++i) {
        Plane& plane = planes_[static_cast<size_t>(i)];
        plane.shiftX = i == 0 ? 0 : desc->log2_chroma_w;
        plane.shiftY = i == 0 ? 0 : desc->log2_chroma_h;
        plane.black = (i == 0 ? 16 : 128) * depthScale;
        plane.maxValue = mov ? 1023 : 255;
        plane.bytes = bytes;
        if (visible) {
            regions[static_cast<size_t>(i)] = Region{
                ix0 >> plane.shiftX, AV_CEIL_RSHIFT(ix1, plane.shiftX), iy0 >> plane.shiftY,
                AV_CEIL_RSHIFT(iy1, plane.shiftY)};
        }
    }

    // The canvas drawn afresh, or sampled from a source that has it already.
    std::unique_ptr<ConstantCanvasRows> rows;
    if (!setup.source) rows = std::make_unique<ConstantCanvasRows>(setup);

    // Two canvas rows at a time (4:2:0 chroma covers two): straight colour, alpha and weight.
    std::vector<float> colour(static_cast<size_t>(W) * 2 * 3);
    std::vector<float> alpha(static_cast<size_t>(W) * 2);
    std::vector<float> weight(static_cast<size_t>(W) * 2);
    // One plane row's constant values and weights, turned into runs once complete.
    std::vector<std::uint16_t> rowValues(static_cast<size_t>(W));
    std::vector<std::uint16_t> rowWeights(static_cast<size_t>(W));
    // Runs of weight 1 are copied, runs in between blended, runs of 0 left alone; a copy run
    // that continues the last one joins it.
    auto addCopy = [](Plane& plane, int py, int x0, int x1) {
        if (!plane.copies.empty() && plane.copies.back().y == py && plane.copies.back().x1 == x0) {
            plane.copies.back().x1 = x1;
        } else {
            plane.copies.push_back(Run{py, x0, x1, 0});
        }
    };
    auto addRuns = [&](Plane& plane, int py, int x0, int x1) {
        auto kind = [&](int x) {
            const uint16_t w = rowWeights[static_cast<size_t>(x)];
            return w == 0 ? 0 : (w >= 256 ? 2 : 1);
        };
        for (int x = x0; x < x1;) {
            const int k = kind(x);
            int end = x + 1;
            while (end < x1 && kind(end) == k) ++end;
            if (k == 2) {
                addCopy(plane, py, x, end);
            } else if (k == 1) {
                plane.blends.push_back(Run{py, x, end, plane.constants.size()});
                plane.constants.insert(plane.constants.end(), rowValues.begin() + x,
                                       rowValues.begin() + end);
                plane.weights.insert(plane.weights.end(), rowWeights.begin() + x,
                                     rowWeights.begin() + end);
            }
            x = end;
        }
    };
    // A sampled row: the source's screen spans are filled with the screen's value and copied
    // where the video shows; only the rest is sampled.
    std::vector<CanvasSource::Span> spans;
    auto sampledRow = [&](int pi, Plane* plane, int py, int width, std::uint16_t screenValue,
                          uint8_t* dst, int regionX0, int regionX1) {
        setup.source->screenSpans(pi, plane ? plane->shiftX : 0, plane ? plane->shiftY : 0, py,
                                  width, spans);
        spans.push_back({width, width});  // the rest of the row after the last
        auto* wide = reinterpret_cast<std::uint16_t*>(dst);
        int x = 0;
        for (const CanvasSource::Span& span : spans) {
            if (span.x0 > x) {
                std::uint16_t* values = bytes == 2 && !plane ? wide : rowValues.data();
                setup.source->planeRow(pi, plane ? plane->shiftX : 0, plane ? plane->shiftY : 0, py,
                                       x, span.x0, values, rowWeights.data());
                if (plane) {
                    if (bytes == 1) {
                        for (int px = x; px < span.x0; ++px) {
                            dst[px] = static_cast<uint8_t>(rowValues[static_cast<size_t>(px)]);
                        }
                    } else {
                        std::memcpy(wide + x, rowValues.data() + x,
                                    static_cast<size_t>(span.x0 - x) * 2);
                    }
                    addRuns(*plane, py, std::max(x, regionX0), std::min(span.x0, regionX1));
                }
            }
            if (span.x1 > span.x0) {
                if (bytes == 1) {
                    std::memset(dst + span.x0, screenValue, static_cast<size_t>(span.x1 - span.x0));
                } else {
                    std::fill(wide + span.x0, wide + span.x1, screenValue);
                }
                const int c0 = std::max(span.x0, regionX0);
                const int c1 = std::min(span.x1, regionX1);
                if (plane && c1 > c0) addCopy(*plane, py, c0, c1);
            }
            x = std::max(x, span.x1);
        }
    };

    for (int y0 = 0; y0 < H; y0 += 2) {
        for (int dy = 0; dy < 2 && rows; ++dy) {
            const size_t at = static_cast<size_t>(dy) * W;
            rows->row(y0 + dy, colour.data() + at * 3, alpha.data() + at, weight.data() + at);
        }
        // Write this pair of rows in the output format.
        for (int pi = 0; pi < 3; ++pi) {
            Plane& plane = planes_[static_cast<size_t>(pi)];
            const Region& region = regions[static_cast<size_t>(pi)];
            const int planeWidth = W >> plane.shiftX;
            const int rowsHere = plane.shiftY ? 1 : 2;
            for (int r = 0; r < rowsHere; ++r) {
                const int py = (y0 >> plane.shiftY) + r;
                uint8_t* dst =
                    constant_->data[pi] + static_cast<ptrdiff_t>(py) * constant_->linesize[pi];
                const bool inRegion = py >= region.y0 && py < region.y1;
                if (!rows) {
                    sampledRow(pi, &plane, py, planeWidth, static_cast<std::uint16_t>(plane.black),
                               dst, inRegion ? region.x0 : 0, inRegion ? region.x1 : 0);
                    continue;
                }
                for (int px = 0; px < planeWidth; ++px) {
                    // Average the covered canvas pixels (one, or 2x2 for subsampled chroma).
                    float rgb[3] = {0, 0, 0};
                    float w = 0;
                    int count = 0;
                    for (int sy = 0; sy <= plane.shiftY; ++sy) {
                        for (int sx = 0; sx <= plane.shiftX; ++sx) {
                            const size_t i = static_cast<size_t>(plane.shiftY ? sy : r) * W +
                                             static_cast<size_t>((px << plane.shiftX) + sx);
                            for (int ch = 0; ch < 3; ++ch) rgb[ch] += colour[i * 3 + ch];
                            w += weight[i];
                            ++count;
                        }
                    }
                    for (float& v : rgb) v /= static_cast<float>(count);
                    w /= static_cast<float>(count);
                    const Ycc ycc = toUnitBt709(rgb[0], rgb[1], rgb[2]);
                    const float value =
                        pi == 0 ? (16 + 219 * ycc.y) * depthScale
                                : (128 + 224 * (pi == 1 ? ycc.cb : ycc.cr)) * depthScale;
                    const int v =
                        std::clamp(static_cast<int>(std::lround(value)), 0, plane.maxValue);
                    rowValues[static_cast<size_t>(px)] = static_cast<uint16_t>(v);
                    rowWeights[static_cast<size_t>(px)] =
                        static_cast<uint16_t>(std::lround(std::clamp(w, 0.0f, 1.0f) * 256));
                }
                if (bytes == 1) {
                    for (int px = 0; px < planeWidth; ++px) {
                        dst[px] = static_cast<uint8_t>(rowValues[static_cast<size_t>(px)]);
                    }
                } else {
                    std::memcpy(dst, rowValues.data(), static_cast<size_t>(planeWidth) * 2);
                }
                if (inRegion) addRuns(plane, py, region.x0, region.x1);
            }
        }
        if (mov) {
            for (int dy = 0; dy < 2; ++dy) {
                auto* dst = reinterpret_cast<uint16_t*>(
                    constant_->data[3] + static_cast<ptrdiff_t>(y0 + dy) * constant_->linesize[3]);
                if (!rows) {
                    sampledRow(3, nullptr, y0 + dy, W, 1023, reinterpret_cast<uint8_t*>(dst), 0, 0);
                    continue;
                }
                for (int x = 0; x < W; ++x) {
                    dst[x] = static_cast<uint16_t>(
                        std::lround(alpha[static_cast<size_t>(dy) * W + x] * 1023));
                }
            }
        }
    }
    return Done{};
}

Result<Done, MediaError> Compositor::allocatePictures(int count) {
    if (!constant_) return fail(mediaFailure("The canvas pictures exist already", AVERROR_BUG));
    auto pool = CanvasPool::create(*constant_, count);
    if (!pool) return fail(pool.error());
    pictures_ = std::move(*pool);
    constant_.reset();  // every picture holds it now
    // The pictures the video is scaled into follow the source's size: made with the scaler.
    return Done{};
}

void Compositor::interrupt() {
    if (pictures_) pictures_->interrupt();
}

Result<Done, MediaError> Compositor::allocateScreen() {
    const bool quarter = rotation_ == 90 || rotation_ == 270;
    const int sw = quarter ? placedH_ : placedW_;  // the placed size in stored orientation
    const int sh = quarter ? placedW_ : placedH_;
    // `pad` spare columns and rows past the picture, for the chroma edge copied into them.
    auto allocate = [](AVFramePtr& frame, AVPixelFormat format, int w, int h, int pad) -> int {
        frame = makeFrame();
        if (!frame) return AVERROR(ENOMEM);
        frame->format = format;
        frame->width = w + pad;
        frame->height = h + pad;
        const int ret = av_frame_get_buffer(frame.get(), 0);
        frame->width = w;
        frame->height = h;
        return ret;
    };
    if (int ret = allocate(scaled_, screenFormat_, sw, sh, shiftedChroma_ ? 2 : 0); ret < 0) {
        return fail(mediaError(ret));
    }
    if (rotation_ != 0) {
        if (int ret = allocate(upright_, screenFormat_, placedW_, placedH_, 0); ret < 0) {
            return fail(mediaError(ret));
        }
    }
    if (averageChroma_) {
        const int cw = AV_CEIL_RSHIFT(placedX_ + placedW_, 1) - (placedX_ >> 1);
        const int ch = AV_CEIL_RSHIFT(placedY_ + placedH_, 1) - (placedY_ >> 1);
        if (int ret = allocate(averaged_, AV_PIX_FMT_YUV420P, 2 * cw, 2 * ch, 0); ret < 0) {
            return fail(mediaError(ret));
        }
    }
    return Done{};
}

namespace {

// One axis of the crop: `n` source pixels drawn over `full` placed pixels, of which [a0, a1)
// must come out right. Gives the source pixels [s0, s1) to scale and the placed pixels
// [o0, o0 + len) they become.
struct CropSpan {
    int s0 = 0, s1 = 0, o0 = 0, len = 0;
};
CropSpan cropSpan(int n, int full, int a0, int a1, int align) {
    const double k = static_cast<double>(n) / full;  // source pixels per placed pixel
    // The bicubic filter reaches two samples either way, scaled by the reduction when
    // shrinking; subsampled chroma samples are two pixels apart, so four, plus two for luck.
    // Two placed pixels more absorb the rounding of the crop's corner below.
    const double margin = 2 + 4 * std::max(k, 1.0);
    int s0 = static_cast<int>(std::floor((a0 - 2) * k - margin));
    s0 = std::max(0, s0 - s0 % align);
    int s1 = static_cast<int>(std::ceil((a1 + 2) * k + margin));
    s1 = s1 >= n ? n : std::min(n, (s1 + align - 1) / align * align);
    if (s0 == 0 && s1 == n) return {0, n, 0, full};
    // An even corner keeps the chroma grid of the whole placement; an end of the same parity
    // as the whole keeps it for turned pictures too, whose far end becomes their corner.
    const int o0 = s0 == 0 ? 0 : 2 * static_cast<int>(std::lround(s0 / k / 2));
    int o1 = s1 == n ? full : std::min(full, o0 + static_cast<int>(std::lround((s1 - s0) / k)));
    if ((full - o1) & 1) ++o1;
    return {s0, s1, o0, std::max(1, o1 - o0)};
}

}  // namespace

void Compositor::chooseCrop(int srcW, int srcH, const AVPixFmtDescriptor& desc) {
    const bool quarter = rotation_ == 90 || rotation_ == 270;
    const int sw = quarter ? fullH_ : fullW_;
    const int sh = quarter ? fullW_ : fullH_;
    // Formats whose pixels cannot be addressed one by one are scaled whole.
    const bool addressable =
        !(desc.flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL));
    CropSpan x = cropSpan(srcW, sw, needX0_, needX1_, 1 << desc.log2_chroma_w);
    CropSpan y = cropSpan(srcH, sh, needY0_, needY1_, 1 << desc.log2_chroma_h);
    // Cropping pays only when it leaves out a good part; otherwise the whole keeps its exact
    // geometry.
    if (!addressable || static_cast<double>(x.len) * y.len * 1.25 >=
                            static_cast<double>(sw) * static_cast<double>(sh)) {
        x = {0, srcW, 0, sw};
        y = {0, srcH, 0, sh};
    }
    cropX_ = x.s0;
    cropW_ = x.s1 - x.s0;
    cropY_ = y.s0;
    cropH_ = y.s1 - y.s0;
    // The scaled part, turned upright, in the whole placement's space.
    int ux = x.o0, uy = y.o0, uw = x.len, uh = y.len;
    switch (rotation_) {
        case 90:
            ux = sh - (y.o0 + y.len), uy = x.o0, uw = y.len, uh = x.len;
            break;
        case 180:
            ux = sw - (x.o0 + x.len), uy = sh - (y.o0 + y.len);
            break;
        case 270:
            ux = y.o0, uy = sw - (x.o0 + x.len), uw = y.len, uh = x.len;
            break;
        default:
            break;
    }
    placedX_ = fullX_ + ux;
    placedY_ = fullY_ + uy;
    placedW_ = uw;
    placedH_ = uh;
}

Result<Done, MediaError> Compositor::prepareScaler(const AVFrame& source) {
    const PictureColour colour = pictureColour(source);
    if (sws_ && source.width == srcW_ && source.height == srcH_ && source.format == srcFormat_ &&
        colour == srcColour_) {
        return Done{};
    }
    sws_.reset();
    srcW_ = source.width;
    srcH_ = source.height;
    srcFormat_ = source.format;
    srcColour_ = colour;

    // The scaler only scales (same matrix and range in and out, no colour arithmetic); a source
    // in another matrix or in full range is converted to limited-range BT.709 afterwards, by
    // convertColours(). Full-range "yuvj" formats are scaled as their plain twins so that
    // libswscale does not squeeze their range on its own.
    const AVPixelFormat srcFormat = plainYuvFormat(static_cast<AVPixelFormat>(source.format));
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(srcFormat);
    PictureColour from = colour;
    if (desc && (desc->flags & AV_PIX_FMT_FLAG_RGB)) {
        from = PictureColour{AVCOL_SPC_SMPTE170M, false};  // what libswscale makes of RGB
    }
    convert_ = !(from.matrix == AVCOL_SPC_BT709 && !from.fullRange);
    if (convert_) conversion_ = colourConversion(from);
    if (!desc) return fail(mediaFailure("Cannot scale the video", AVERROR(EINVAL)));

    const int oldW = placedW_, oldH = placedH_;
    chooseCrop(source.width, source.height, *desc);
    if (!scaled_ || placedW_ != oldW || placedH_ != oldH) {
        auto allocated = allocateScreen();
        if (!allocated) return allocated;
    }

    SwsContextPtr sws(sws_alloc_context());
    if (!sws) return fail(mediaError(AVERROR(ENOMEM)));
    SwsContext* c = sws.get();
    av_opt_set_int(c, "srcw", cropW_, 0);
    av_opt_set_int(c, "srch", cropH_, 0);
    av_opt_set_int(c, "src_format", srcFormat, 0);
    av_opt_set_int(c, "dstw", scaled_->width, 0);
    av_opt_set_int(c, "dsth", scaled_->height, 0);
    av_opt_set_int(c, "dst_format", screenFormat_, 0);
    av_opt_set_int(c, "sws_flags", fastScaling_ ? SWS_BILINEAR : SWS_BICUBIC, 0);
    if (shiftedChroma_) {
        // Chroma positions in 1/256 of a luma pixel from the first luma sample: 128 is the
        // usual centre of a 2x2 block; on an odd canvas row or column the canvas's block
        // starts one pixel before the video, so its centre lies half a pixel before it.
        av_opt_set_int(c, "dst_h_chr_pos", (placedX_ & 1) ? -128 : 128, 0);
        av_opt_set_int(c, "dst_v_chr_pos", (placedY_ & 1) ? -128 : 128, 0);
    }
    if (sws_init_context(c, nullptr, nullptr) < 0) {
        return fail(mediaFailure("Cannot scale the video", AVERROR(EINVAL)));
    }
    sws_ = std::move(sws);
    return Done{};
}

void Compositor::extendChromaEdges(AVFrame& frame) const {
    // The canvas's chroma grid reaches one sample past the scaled chroma on the side where the
    // video ends on an odd pixel; that sample repeats its neighbour.
    const int cw = AV_CEIL_RSHIFT(frame.width, 1);
    const int ch = AV_CEIL_RSHIFT(frame.height, 1);
    for (int i = 1; i < 3; ++i) {
        for (int y = 0; y < ch; ++y) {
            uint8_t* row = frame.data[i] + static_cast<ptrdiff_t>(y) * frame.linesize[i];
            row[cw] = row[cw - 1];
        }
        std::memcpy(frame.data[i] + static_cast<ptrdiff_t>(ch) * frame.linesize[i],
                    frame.data[i] + static_cast<ptrdiff_t>(ch - 1) * frame.linesize[i],
                    static_cast<size_t>(cw + 1));
    }
}

void Compositor::averageChroma(const AVFrame& full) {
    // Each sample of the canvas's 4:2:0 grid averages the 2x2 canvas pixels it covers; those
    // outside the video count as black, as the screen is black where the video does not reach.
    const int cx0 = placedX_ >> 1;
    const int cy0 = placedY_ >> 1;
    const int cw = averaged_->width / 2;
    const int ch = averaged_->height / 2;
    for (int i = 1; i < 3; ++i) {
        for (int cy = 0; cy < ch; ++cy) {
            uint8_t* out = averaged_->data[i] + static_cast<ptrdiff_t>(cy) * averaged_->linesize[i];
            for (int cx = 0; cx < cw; ++cx) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy) {
                    const int vy = 2 * (cy0 + cy) + dy - placedY_;
                    for (int dx = 0; dx < 2; ++dx) {
                        const int vx = 2 * (cx0 + cx) + dx - placedX_;
                        const bool inside = vx >= 0 && vy >= 0 && vx < full.width && vy < full.height;
                        sum += inside ? full.data[i][static_cast<ptrdiff_t>(vy) * full.linesize[i] + vx]
                                      : 128;
                    }
                }
                out[cx] = static_cast<uint8_t>((sum + 2) >> 2);
            }
        }
    }
}

Result<AVFramePtr, MediaError> Compositor::compose(const AVFrame& picture) {
    if (!pictures_) return fail(mediaFailure("The canvas pictures are not allocated", AVERROR_BUG));
    auto out = pictures_->acquire();
    if (!out) return out;
    if (planes_[0].copies.empty() && planes_[0].blends.empty()) return out;  // nothing shows

    // Every output is SDR BT.709: an HDR or wide-gamut picture is converted first and then placed
    // like any other.
    const AVFrame* sdr = &picture;
    if (needsBt709Conversion(picture)) {
        if (!toBt709_) toBt709_ = std::make_unique<Bt709Conversion>(0);
        auto mapped = toBt709_->convert(picture);
        if (!mapped) return fail(mapped.error());
        sdr = *mapped;
    }
    const AVFrame& source = *sdr;

    auto prepared = prepareScaler(source);
    if (!prepared) return fail(prepared.error());
    // The crop's corner in every plane of the source.
    const uint8_t* cropped[4] = {};
    const AVPixFmtDescriptor* srcDesc =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(source.format));
    for (int i = 0; i < 4 && source.data[i]; ++i) cropped[i] = source.data[i];
    for (int c = 0; c < srcDesc->nb_components; ++c) {
        const AVComponentDescriptor& comp = srcDesc->comp[c];
        const bool chroma = (c == 1 || c == 2) && !(srcDesc->flags & AV_PIX_FMT_FLAG_RGB);
        const int cx = chroma ? cropX_ >> srcDesc->log2_chroma_w : cropX_;
        const int cy = chroma ? cropY_ >> srcDesc->log2_chroma_h : cropY_;
        cropped[comp.plane] = source.data[comp.plane] +
                              static_cast<ptrdiff_t>(cy) * source.linesize[comp.plane] +
                              static_cast<ptrdiff_t>(cx) * comp.step;
    }
    const int ret = sws_scale(sws_.get(), cropped, source.linesize, 0, cropH_, scaled_->data,
                              scaled_->linesize);
    if (ret < 0) return fail(mediaError(ret, "Cannot scale the video"));
    if (convert_) convertColours(*scaled_);
    if (shiftedChroma_) extendChromaEdges(*scaled_);

    const AVFrame* screen = scaled_.get();
    if (rotation_ != 0) {
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(screenFormat_);
        const bool wide = desc->comp[0].depth > 8;
        for (int i = 0; i < 3; ++i) {
            const int sw = AV_CEIL_RSHIFT(scaled_->width, i ? desc->log2_chroma_w : 0);
            const int sh = AV_CEIL_RSHIFT(scaled_->height, i ? desc->log2_chroma_h : 0);
            if (wide) {
                rotatePlane<uint16_t>(scaled_->data[i], scaled_->linesize[i], sw, sh,
                                      upright_->data[i], upright_->linesize[i], rotation_);
            } else {
                rotatePlane<uint8_t>(scaled_->data[i], scaled_->linesize[i], sw, sh,
                                     upright_->data[i], upright_->linesize[i], rotation_);
            }
        }
        screen = upright_.get();
    }
    if (averageChroma_) averageChroma(*screen);

    for (int i = 0; i < 3; ++i) {
        const Plane& plane = planes_[static_cast<size_t>(i)];
        const AVFrame& from = (averageChroma_ && i > 0) ? *averaged_ : *screen;
        const View view{from.data[i], from.linesize[i], placedX_ >> plane.shiftX,
                        placedY_ >> plane.shiftY};
        blendPlane(plane, **out, view, i);
    }
    return out;
}

void Compositor::blendPlane(const Plane& plane, AVFrame& out, const View& screen,
                            int index) const {
    const int bytes = plane.bytes;
    auto target = [&](const Run& run) {
        return out.data[index] + static_cast<ptrdiff_t>(run.y) * out.linesize[index] +
               static_cast<ptrdiff_t>(run.x0) * bytes;
    };
    auto source = [&](const Run& run) {
        return screen.data + static_cast<ptrdiff_t>(run.y - screen.originY) * screen.linesize +
               static_cast<ptrdiff_t>(run.x0 - screen.originX) * bytes;
    };
    for (const Run& run : plane.copies) {
        std::memcpy(target(run), source(run), static_cast<size_t>(run.x1 - run.x0) * bytes);
    }
    for (const Run& run : plane.blends) {
        const int n = run.x1 - run.x0;
        const uint16_t* k = plane.constants.data() + run.at;
        const uint16_t* w = plane.weights.data() + run.at;
        if (bytes == 1) {
            blendSpan<uint8_t>(target(run), k, source(run), w, n, plane.black, plane.maxValue);
        } else {
            blendSpan<uint16_t>(reinterpret_cast<uint16_t*>(target(run)), k,
                                reinterpret_cast<const uint16_t*>(source(run)), w, n,
                                plane.black, plane.maxValue);
        }
    }
}

}  // namespace kestro
