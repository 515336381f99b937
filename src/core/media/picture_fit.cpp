#include "core/media/picture_fit.hpp"

#include "core/media/av_error.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace kestro {

namespace {

// The whole picture scaled into the box, its shape kept, centred on whole chroma samples.
struct Inset {
    int x = 0, y = 0, w = 0, h = 0;
};
Inset insetFor(double fromW, int fromH, int toW, int toH, const AVPixFmtDescriptor& desc) {
    const double scale = std::min(toW / fromW, static_cast<double>(toH) / fromH);
    Inset in;
    in.w = std::clamp(static_cast<int>(std::lround(fromW * scale)), 1, toW);
    in.h = std::clamp(static_cast<int>(std::lround(fromH * scale)), 1, toH);
    const int alignX = 1 << desc.log2_chroma_w;
    const int alignY = 1 << desc.log2_chroma_h;
    in.x = (toW - in.w) / 2 / alignX * alignX;
    in.y = (toH - in.h) / 2 / alignY * alignY;
    return in;
}

}  // namespace

Result<AVFramePtr, MediaError> PictureFit::fit(AVFramePtr frame, int width, int height,
                                               AVRational sampleAspect) {
    if (frame->width == width && frame->height == height) return frame;
    const auto format = static_cast<AVPixelFormat>(frame->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL |
                                 AV_PIX_FMT_FLAG_HWACCEL)) ||
        width <= 0 || height <= 0 || frame->width <= 0 || frame->height <= 0) {
        return frame;
    }
    const double shownWidth =
        sampleAspect.num > 0 && sampleAspect.den > 0 ? frame->width * av_q2d(sampleAspect)
                                                     : frame->width;
    const Inset inset = insetFor(shownWidth, frame->height, width, height, *desc);

    if (!sws_ || fromW_ != frame->width || fromH_ != frame->height || format_ != frame->format ||
        toW_ != inset.w || toH_ != inset.h) {
        // The same format in and out: the scaler only scales, no colour arithmetic.
        sws_.reset(sws_getContext(frame->width, frame->height, format, inset.w, inset.h, format,
                                  SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!sws_) {
            return fail(mediaFailure("Cannot fit a picture of another size", AVERROR(EINVAL)));
        }
        fromW_ = frame->width;
        fromH_ = frame->height;
        format_ = frame->format;
        toW_ = inset.w;
        toH_ = inset.h;
    }

    AVFramePtr out = makeFrame();
    if (!out) return fail(mediaError(AVERROR(ENOMEM)));
    out->format = frame->format;
    out->width = width;
    out->height = height;
    if (int ret = av_frame_get_buffer(out.get(), 0); ret < 0) return fail(mediaError(ret));
    if (int ret = av_frame_copy_props(out.get(), frame.get()); ret < 0)
        return fail(mediaError(ret));
    out->sample_aspect_ratio = AVRational{1, 1};
    ptrdiff_t linesizes[4] = {};
    for (int i = 0; i < 4; ++i) linesizes[i] = out->linesize[i];
    if (int ret = av_image_fill_black(out->data, linesizes, format, frame->color_range, width,
                                      height);
        ret < 0) {
        return fail(mediaError(ret, "Cannot fit a picture of another size"));
    }
    // Each plane's pointer moved to the inset's corner, in that plane's samples.
    uint8_t* inside[4] = {};
    for (int c = 0; c < desc->nb_components; ++c) {
        const AVComponentDescriptor& comp = desc->comp[c];
        const bool chroma = (c == 1 || c == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        const int x = chroma ? inset.x >> desc->log2_chroma_w : inset.x;
        const int y = chroma ? inset.y >> desc->log2_chroma_h : inset.y;
        if (!inside[comp.plane]) {
            inside[comp.plane] = out->data[comp.plane] +
                                 static_cast<ptrdiff_t>(y) * out->linesize[comp.plane] +
                                 static_cast<ptrdiff_t>(x) * comp.step;
        }
    }
    sws_scale(sws_.get(), frame->data, frame->linesize, 0, frame->height, inside, out->linesize);
    return out;
}

}  // namespace kestro
