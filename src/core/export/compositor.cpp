#include "core/export/compositor.hpp"

#include "core/export/image_resampler.hpp"
#include "core/media/av_error.hpp"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestro {

namespace {

int evenRound(double v) {
    return 2 * static_cast<int>(std::lround(v / 2));
}
int evenFloor(double v) {
    return 2 * static_cast<int>(std::floor(v / 2));
}
int evenCeil(double v) {
    return 2 * static_cast<int>(std::ceil(v / 2));
}

// Coverage of a pixel by the rounded rectangle: signed distance from its centre to the edge,
// turned into a one-pixel-wide ramp (the anti-aliasing a vector renderer would give).
struct RoundedRect {
    double cx, cy, hx, hy, radius;
    float coverage(int x, int y) const {
        const double px = std::abs(x + 0.5 - cx) - (hx - radius);
        const double py = std::abs(y + 0.5 - cy) - (hy - radius);
        const double outside = std::hypot(std::max(px, 0.0), std::max(py, 0.0));
        const double inside = std::min(std::max(px, py), 0.0);
        const double d = outside + inside - radius;
        return static_cast<float>(std::clamp(0.5 - d, 0.0, 1.0));
    }
};

struct Ycc {
    float y, cb, cr;
};
// BT.709 from gamma-encoded RGB in 0..1; y in 0..1, chroma in -0.5..0.5.
Ycc toBt709(float r, float g, float b) {
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
void rotatePlane(const uint8_t* src, int srcLinesize, int sw, int sh, uint8_t* dst, int dstLinesize,
                 int rotation) {
    auto at = [&](int x, int y) {
        return reinterpret_cast<const T*>(src + static_cast<ptrdiff_t>(y) * srcLinesize)[x];
    };
    const int dw = rotation == 180 ? sw : sh;
    const int dh = rotation == 180 ? sh : sw;
    for (int v = 0; v < dh; ++v) {
        T* row = reinterpret_cast<T*>(dst + static_cast<ptrdiff_t>(v) * dstLinesize);
        for (int u = 0; u < dw; ++u) {
            if (rotation == 90) {
                row[u] = at(v, sh - 1 - u);
            } else if (rotation == 180) {
                row[u] = at(sw - 1 - u, sh - 1 - v);
            } else {
                row[u] = at(sw - 1 - v, u);
            }
        }
    }
}

template <class T>
void blendSpan(T* out, const T* constant, const T* screen, const std::uint16_t* weights, int n,
               int black, int maxValue) {
    for (int i = 0; i < n; ++i) {
        const int v = constant[i] + ((weights[i] * (screen[i] - black) + 128) >> 8);
        out[i] = static_cast<T>(std::clamp(v, 0, maxValue));
    }
}

struct PoolSource {
    const uint8_t* data;
    size_t size;
};

AVBufferRef* allocFromConstant(void* opaque, size_t size) {
    const auto* source = static_cast<const PoolSource*>(opaque);
    AVBufferRef* buffer = av_buffer_alloc(size);
    if (buffer) std::memcpy(buffer->data, source->data, std::min(size, source->size));
    return buffer;
}

void freePoolSource(void* opaque) {
    delete static_cast<PoolSource*>(opaque);
}

}  // namespace

Compositor::~Compositor() = default;

Compositor::Conversion Compositor::colourConversion(const PictureColour& from) {
    // In normalised terms (luma 0..1, chroma -0.5..0.5) a change of matrix is linear, and
    // chroma never depends on luma (grey stays grey whatever the matrix).
    const auto [kr, kb] = lumaWeights(from.matrix);
    const double kg = 1 - kr - kb;
    const auto [kr2, kb2] = lumaWeights(AVCOL_SPC_BT709);
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
    const float maxCode = static_cast<float>((1 << bits) - 1);
    const float d = static_cast<float>(1 << (bits - 8));
    // Source normalisation.
    const float yOff = c.fullRange ? 0 : 16 * d;
    const float yScale = c.fullRange ? maxCode : 219 * d;
    const float cOff = 128 * d;
    const float cScale = c.fullRange ? maxCode : 224 * d;
    const int cw = frame.width >> shiftX;
    const int ch = frame.height >> shiftY;
    // Luma first: it needs the chroma before that is converted.
    for (int y = 0; y < frame.height; ++y) {
        T* ly = reinterpret_cast<T*>(frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0]);
        const T* lu = reinterpret_cast<const T*>(
            frame.data[1] + static_cast<ptrdiff_t>(y >> shiftY) * frame.linesize[1]);
        const T* lv = reinterpret_cast<const T*>(
            frame.data[2] + static_cast<ptrdiff_t>(y >> shiftY) * frame.linesize[2]);
        for (int x = 0; x < frame.width; ++x) {
            const float yn = (ly[x] - yOff) / yScale;
            const float un = (lu[x >> shiftX] - cOff) / cScale;
            const float vn = (lv[x >> shiftX] - cOff) / cScale;
            const float out = 16 * d + 219 * d * (c.m[0][0] * yn + c.m[0][1] * un + c.m[0][2] * vn);
            ly[x] = static_cast<T>(std::clamp(std::lround(out), 0L, static_cast<long>(maxCode)));
        }
    }
    for (int y = 0; y < ch; ++y) {
        T* lu = reinterpret_cast<T*>(frame.data[1] + static_cast<ptrdiff_t>(y) * frame.linesize[1]);
        T* lv = reinterpret_cast<T*>(frame.data[2] + static_cast<ptrdiff_t>(y) * frame.linesize[2]);
        for (int x = 0; x < cw; ++x) {
            const float un = (lu[x] - cOff) / cScale;
            const float vn = (lv[x] - cOff) / cScale;
            const float u2 = 128 * d + 224 * d * (c.m[1][1] * un + c.m[1][2] * vn);
            const float v2 = 128 * d + 224 * d * (c.m[2][1] * un + c.m[2][2] * vn);
            lu[x] = static_cast<T>(std::clamp(std::lround(u2), 0L, static_cast<long>(maxCode)));
            lv[x] = static_cast<T>(std::clamp(std::lround(v2), 0L, static_cast<long>(maxCode)));
        }
    }
}

}  // namespace

void Compositor::convertColours(AVFrame& frame) const {
    const Plane& chroma = planes_[1];
    if (chroma.bytes == 1) {
        convertPlanes<uint8_t>(frame, conversion_, chroma.shiftX, chroma.shiftY, 8);
    } else {
        convertPlanes<uint16_t>(frame, conversion_, chroma.shiftX, chroma.shiftY, 10);
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

Result<Done, MediaError> Compositor::buildCanvas(const CompositorSetup& setup) {
    const bool mov = setup.order == CompositorSetup::Order::mov;
    const int W = setup.canvasWidth;
    const int H = setup.canvasHeight;
    width_ = W;
    height_ = H;
    rotation_ = setup.rotation;
    format_ = mov ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV420P;
    screenFormat_ = mov ? AV_PIX_FMT_YUV444P10LE : AV_PIX_FMT_YUV420P;
    planeCount_ = 3;

    // The placed video on even pixel edges, so that 4:2:0 chroma lines up with luma.
    const Placement& p = setup.placement;
    placedW_ = std::max(2, evenRound(p.width));
    placedH_ = std::max(2, evenRound(p.height));
    placedX_ = evenRound(p.tx);
    placedY_ = evenRound(p.ty);

    const CanvasRect& R = setup.screen;
    const double top = H - (R.y + R.h);
    const RoundedRect rounded{
        R.x + R.w / 2, top + R.h / 2, std::max(R.w, 0.0) / 2, std::max(R.h, 0.0) / 2,
        std::clamp(screenCornerRadius(R), 0.0, std::max(0.0, std::min(R.w, R.h) / 2))};

    box_.x0 = std::max({evenFloor(R.x), placedX_, 0});
    box_.y0 = std::max({evenFloor(top), placedY_, 0});
    box_.x1 = std::min({evenCeil(R.x + R.w), placedX_ + placedW_, W});
    box_.y1 = std::min({evenCeil(top + R.h), placedY_ + placedH_, H});
    if (box_.empty()) box_ = Box{};

    constant_ = makeFrame();
    if (!constant_) return fail(mediaError(AVERROR(ENOMEM)));
    constant_->format = format_;
    constant_->width = W;
    constant_->height = H;
    if (int ret = av_frame_get_buffer(constant_.get(), 0); ret < 0) return fail(mediaError(ret));

    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format_);
    const int bytes = mov ? 2 : 1;
    const int depthScale = mov ? 4 : 1;
    planes_.assign(3, Plane{});
    const int boxW = box_.x1 - box_.x0;
    const int boxH = box_.y1 - box_.y0;
    for (int i = 0; i < 3; ++i) {
        Plane& plane = planes_[static_cast<size_t>(i)];
        plane.shiftX = i == 0 ? 0 : desc->log2_chroma_w;
        plane.shiftY = i == 0 ? 0 : desc->log2_chroma_h;
        plane.width = W >> plane.shiftX;
        plane.height = H >> plane.shiftY;
        plane.black = (i == 0 ? 16 : 128) * depthScale;
        plane.maxValue = mov ? 1023 : 255;
        plane.bytes = bytes;
        plane.weights.assign(
            static_cast<size_t>(boxW >> plane.shiftX) * static_cast<size_t>(boxH >> plane.shiftY),
            0);
    }

    // Premultiplied background.
    float bg[4] = {0, 0, 0, 0};
    if (!setup.background.isTransparent()) {
        const float a = static_cast<float>(std::clamp(setup.background.alpha, 0.0, 1.0));
        bg[0] = static_cast<float>(std::clamp(setup.background.red, 0.0, 1.0)) * a;
        bg[1] = static_cast<float>(std::clamp(setup.background.green, 0.0, 1.0)) * a;
        bg[2] = static_cast<float>(std::clamp(setup.background.blue, 0.0, 1.0)) * a;
        bg[3] = a;
    }

    std::unique_ptr<ImageResampler> frame;
    if (setup.frame && !setup.frame->empty()) {
        const double fw = setup.frame->width;
        const double fh = setup.frame->height;
        if (mov) {
            frame = std::make_unique<ImageResampler>(*setup.frame, W, 0, 0, W, H);
        } else {
            const double s = std::min(W / fw, H / fh);
            frame = std::make_unique<ImageResampler>(*setup.frame, W, (W - fw * s) / 2,
                                                     (H - fh * s) / 2, fw * s, fh * s);
        }
    }

    // Two canvas rows at a time (4:2:0 chroma covers two): straight colour, alpha and weight.
    std::vector<float> colour(static_cast<size_t>(W) * 2 * 3);
    std::vector<float> alpha(static_cast<size_t>(W) * 2);
    std::vector<float> weight(static_cast<size_t>(W) * 2);
    const std::vector<float> none(static_cast<size_t>(W) * 4, 0.0f);

    for (int y0 = 0; y0 < H; y0 += 2) {
        for (int dy = 0; dy < 2; ++dy) {
            const int y = y0 + dy;
            const std::vector<float>& f = frame ? frame->row(y) : none;
            for (int x = 0; x < W; ++x) {
                const float* F = f.data() + static_cast<size_t>(x) * 4;
                const float m = rounded.coverage(x, y);
                const float under = 1.0f - std::clamp(F[3], 0.0f, 1.0f);
                // The screen's share of the pixel, and what the background still shows.
                const float mask = mov ? m : m * under;
                const float w = under * mask;
                const float showBg = under * (1.0f - mask);
                float k[4];
                for (int ch = 0; ch < 4; ++ch) k[ch] = F[ch] + showBg * bg[ch];
                const size_t i = static_cast<size_t>(dy) * W + static_cast<size_t>(x);
                float a = 1.0f;
                float ws = w;
                float scale = 1.0f;
                if (mov) {
                    a = std::clamp(k[3] + w, 0.0f, 1.0f);
                    scale = a > 0 ? 1.0f / a : 0.0f;
                    ws = std::min(w * scale, 1.0f);
                }
                for (int ch = 0; ch < 3; ++ch)
                    colour[i * 3 + ch] = std::clamp(k[ch] * scale, 0.0f, 1.0f);
                alpha[i] = a;
                weight[i] = ws;
            }
        }
        // Write this pair of rows in the output format.
        for (int pi = 0; pi < 3; ++pi) {
            Plane& plane = planes_[static_cast<size_t>(pi)];
            const int rowsHere = plane.shiftY ? 1 : 2;
            for (int r = 0; r < rowsHere; ++r) {
                const int py = (y0 >> plane.shiftY) + r;
                uint8_t* dst =
                    constant_->data[pi] + static_cast<ptrdiff_t>(py) * constant_->linesize[pi];
                for (int px = 0; px < plane.width; ++px) {
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
                    const Ycc ycc = toBt709(rgb[0], rgb[1], rgb[2]);
                    const float value =
                        pi == 0 ? (16 + 219 * ycc.y) * depthScale
                                : (128 + 224 * (pi == 1 ? ycc.cb : ycc.cr)) * depthScale;
                    const int v =
                        std::clamp(static_cast<int>(std::lround(value)), 0, plane.maxValue);
                    if (bytes == 1) {
                        dst[px] = static_cast<uint8_t>(v);
                    } else {
                        reinterpret_cast<uint16_t*>(dst)[px] = static_cast<uint16_t>(v);
                    }
                    const int bx = px - (box_.x0 >> plane.shiftX);
                    const int by = py - (box_.y0 >> plane.shiftY);
                    const int bw = boxW >> plane.shiftX;
                    const int bh = boxH >> plane.shiftY;
                    if (bx >= 0 && by >= 0 && bx < bw && by < bh) {
                        plane.weights[static_cast<size_t>(by) * bw + bx] =
                            static_cast<uint16_t>(std::lround(std::clamp(w, 0.0f, 1.0f) * 256));
                    }
                }
            }
        }
        if (mov) {
            for (int dy = 0; dy < 2; ++dy) {
                auto* dst = reinterpret_cast<uint16_t*>(
                    constant_->data[3] + static_cast<ptrdiff_t>(y0 + dy) * constant_->linesize[3]);
                for (int x = 0; x < W; ++x) {
                    dst[x] = static_cast<uint16_t>(
                        std::lround(alpha[static_cast<size_t>(dy) * W + x] * 1023));
                }
            }
        }
    }

    // Runs of weight 1 are copied, runs in between blended, runs of 0 left alone.
    for (Plane& plane : planes_) {
        const int bw = boxW >> plane.shiftX;
        const int bh = boxH >> plane.shiftY;
        plane.spans.assign(static_cast<size_t>(bh), {});
        for (int by = 0; by < bh; ++by) {
            const uint16_t* w = plane.weights.data() + static_cast<size_t>(by) * bw;
            int x = 0;
            while (x < bw) {
                const int kind = w[x] == 0 ? 0 : (w[x] >= 256 ? 2 : 1);
                int end = x + 1;
                while (end < bw && (w[end] == 0 ? 0 : (w[end] >= 256 ? 2 : 1)) == kind) ++end;
                if (kind != 0)
                    plane.spans[static_cast<size_t>(by)].push_back(Span{x, end, kind == 2});
                x = end;
            }
        }
    }

    // One pool per plane, each buffer born as the constant canvas.
    const int planesInFrame = mov ? 4 : 3;
    for (int pi = 0; pi < planesInFrame; ++pi) {
        const int rows = pi == 0 || pi == 3 ? H : (H >> desc->log2_chroma_h);
        const size_t size =
            static_cast<size_t>(constant_->linesize[pi]) * static_cast<size_t>(rows);
        auto* source = new PoolSource{constant_->data[pi], size};
        AVBufferPool* pool = av_buffer_pool_init2(size, source, allocFromConstant, freePoolSource);
        if (!pool) {
            delete source;
            return fail(mediaError(AVERROR(ENOMEM)));
        }
        pools_.emplace_back(pool);
    }
    return Done{};
}

Result<AVFramePtr, MediaError> Compositor::pooledFrame() {
    AVFramePtr out = makeFrame();
    if (!out) return fail(mediaError(AVERROR(ENOMEM)));
    out->format = format_;
    out->width = width_;
    out->height = height_;
    out->color_primaries = AVCOL_PRI_BT709;
    out->color_trc = AVCOL_TRC_BT709;
    out->colorspace = AVCOL_SPC_BT709;
    out->color_range = AVCOL_RANGE_MPEG;
    out->sample_aspect_ratio = AVRational{1, 1};
    for (size_t i = 0; i < pools_.size(); ++i) {
        out->buf[i] = av_buffer_pool_get(pools_[i].get());
        if (!out->buf[i]) return fail(mediaError(AVERROR(ENOMEM)));
        out->data[i] = out->buf[i]->data;
        out->linesize[i] = constant_->linesize[i];
    }
    return out;
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

    const bool quarter = rotation_ == 90 || rotation_ == 270;
    const int sw = quarter ? placedH_ : placedW_;  // the placed size in stored orientation
    const int sh = quarter ? placedW_ : placedH_;
    auto allocate = [](AVFramePtr& frame, AVPixelFormat format, int w, int h) -> int {
        if (frame && frame->format == format && frame->width == w && frame->height == h) return 0;
        frame = makeFrame();
        if (!frame) return AVERROR(ENOMEM);
        frame->format = format;
        frame->width = w;
        frame->height = h;
        return av_frame_get_buffer(frame.get(), 0);
    };
    if (int ret = allocate(scaled_, screenFormat_, sw, sh); ret < 0) return fail(mediaError(ret));
    if (rotation_ != 0) {
        if (int ret = allocate(upright_, screenFormat_, placedW_, placedH_); ret < 0) {
            return fail(mediaError(ret));
        }
    }

    // The scaler only scales (same matrix and range in and out, no colour arithmetic); a source
    // in another matrix or in full range is converted to limited-range BT.709 afterwards, by
    // convertColours(). Full-range "yuvj" formats are scaled as their plain twins so that
    // libswscale does not squeeze their range on its own.
    auto srcFormat = static_cast<AVPixelFormat>(source.format);
    switch (srcFormat) {
        case AV_PIX_FMT_YUVJ420P:
            srcFormat = AV_PIX_FMT_YUV420P;
            break;
        case AV_PIX_FMT_YUVJ422P:
            srcFormat = AV_PIX_FMT_YUV422P;
            break;
        case AV_PIX_FMT_YUVJ444P:
            srcFormat = AV_PIX_FMT_YUV444P;
            break;
        case AV_PIX_FMT_YUVJ440P:
            srcFormat = AV_PIX_FMT_YUV440P;
            break;
        case AV_PIX_FMT_YUVJ411P:
            srcFormat = AV_PIX_FMT_YUV411P;
            break;
        default:
            break;
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(srcFormat);
    PictureColour from = colour;
    if (desc && (desc->flags & AV_PIX_FMT_FLAG_RGB)) {
        from = PictureColour{AVCOL_SPC_SMPTE170M, false};  // what libswscale makes of RGB
    }
    convert_ = !(from.matrix == AVCOL_SPC_BT709 && !from.fullRange);
    if (convert_) conversion_ = colourConversion(from);
    sws_.reset(sws_getContext(source.width, source.height, srcFormat, sw, sh, screenFormat_,
                              SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!sws_) return fail(mediaFailure("Cannot scale the video", AVERROR(EINVAL)));
    return Done{};
}

Result<AVFramePtr, MediaError> Compositor::compose(const AVFrame& source) {
    auto out = pooledFrame();
    if (!out) return out;
    if (box_.empty()) return out;

    auto prepared = prepareScaler(source);
    if (!prepared) return fail(prepared.error());
    const int ret = sws_scale(sws_.get(), source.data, source.linesize, 0, source.height,
                              scaled_->data, scaled_->linesize);
    if (ret < 0) return fail(mediaError(ret, "Cannot scale the video"));
    if (convert_) convertColours(*scaled_);

    const AVFrame* screen = scaled_.get();
    if (rotation_ != 0) {
        for (int i = 0; i < planeCount_; ++i) {
            const Plane& plane = planes_[static_cast<size_t>(i)];
            const int sw = scaled_->width >> plane.shiftX;
            const int sh = scaled_->height >> plane.shiftY;
            if (plane.bytes == 1) {
                rotatePlane<uint8_t>(scaled_->data[i], scaled_->linesize[i], sw, sh,
                                     upright_->data[i], upright_->linesize[i], rotation_);
            } else {
                rotatePlane<uint16_t>(scaled_->data[i], scaled_->linesize[i], sw, sh,
                                      upright_->data[i], upright_->linesize[i], rotation_);
            }
        }
        screen = upright_.get();
    }
    for (int i = 0; i < planeCount_; ++i) blendPlane(i, **out, *screen);
    return out;
}

void Compositor::blendPlane(int index, AVFrame& out, const AVFrame& screen) const {
    const Plane& plane = planes_[static_cast<size_t>(index)];
    const int bx0 = box_.x0 >> plane.shiftX;
    const int by0 = box_.y0 >> plane.shiftY;
    const int bw = (box_.x1 - box_.x0) >> plane.shiftX;
    const int sx0 = bx0 - (placedX_ >> plane.shiftX);  // box origin inside the screen picture
    const int sy0 = by0 - (placedY_ >> plane.shiftY);
    for (size_t r = 0; r < plane.spans.size(); ++r) {
        const auto& spans = plane.spans[r];
        if (spans.empty()) continue;
        const ptrdiff_t y = by0 + static_cast<ptrdiff_t>(r);
        uint8_t* o = out.data[index] + y * out.linesize[index] + bx0 * plane.bytes;
        const uint8_t* k =
            constant_->data[index] + y * constant_->linesize[index] + bx0 * plane.bytes;
        const uint8_t* s = screen.data[index] +
                           (sy0 + static_cast<ptrdiff_t>(r)) * screen.linesize[index] +
                           sx0 * plane.bytes;
        const uint16_t* w = plane.weights.data() + r * static_cast<size_t>(bw);
        for (const Span& span : spans) {
            const int n = span.x1 - span.x0;
            if (span.full) {
                std::memcpy(o + span.x0 * plane.bytes, s + span.x0 * plane.bytes,
                            static_cast<size_t>(n) * plane.bytes);
            } else if (plane.bytes == 1) {
                blendSpan<uint8_t>(o + span.x0, k + span.x0, s + span.x0, w + span.x0, n,
                                   plane.black, plane.maxValue);
            } else {
                blendSpan<uint16_t>(reinterpret_cast<uint16_t*>(o) + span.x0,
                                    reinterpret_cast<const uint16_t*>(k) + span.x0,
                                    reinterpret_cast<const uint16_t*>(s) + span.x0, w + span.x0, n,
                                    plane.black, plane.maxValue);
            }
        }
    }
}

}  // namespace kestro
