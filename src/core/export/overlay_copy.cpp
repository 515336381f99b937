#include "core/export/overlay_copy.hpp"

#include "core/media/av_error.hpp"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <string>

namespace kestro {

Result<AVFramePtr, MediaError> overlayCopy(const AVFrame& picture, int width, int height,
                                           const char* what) {
    const auto format = static_cast<AVPixelFormat>(picture.format);
    if (format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVA444P10LE) {
        const char* name = av_get_pix_fmt_name(format);
        return fail(mediaFailure(std::string(what) + " cannot be drawn on " +
                                     (name ? name : "this picture format"),
                                 AVERROR_BUG));
    }
    if (picture.width != width || picture.height != height) {
        return fail(mediaFailure(std::string(what) + " cannot be drawn on a picture of another size",
                                 AVERROR_BUG));
    }
    AVFramePtr out = makeFrame();
    if (!out) return fail(mediaError(AVERROR(ENOMEM)));
    out->format = picture.format;
    out->width = picture.width;
    out->height = picture.height;
    if (int ret = av_frame_get_buffer(out.get(), 0); ret < 0) return fail(mediaError(ret));
    if (int ret = av_frame_copy(out.get(), &picture); ret < 0) return fail(mediaError(ret));
    if (int ret = av_frame_copy_props(out.get(), &picture); ret < 0) return fail(mediaError(ret));
    return out;
}

}  // namespace kestro
