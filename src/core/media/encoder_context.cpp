#include "core/media/encoder_context.hpp"

#include "core/media/av_error.hpp"

#include <string>

namespace kestro {

void tagBt709(AVCodecContext& ctx) {
    ctx.color_primaries = AVCOL_PRI_BT709;
    ctx.color_trc = AVCOL_TRC_BT709;
    ctx.colorspace = AVCOL_SPC_BT709;
    ctx.color_range = AVCOL_RANGE_MPEG;
}

Result<AVCodecContextPtr, MediaError> allocateEncoder(const char* name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
        return fail(mediaFailure(std::string("This FFmpeg has no ") + name + " encoder",
                                 AVERROR_ENCODER_NOT_FOUND));
    }
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) return fail(mediaError(AVERROR(ENOMEM)));
    return ctx;
}

Result<AVCodecContextPtr, MediaError> allocateVideoEncoder(const char* name, int width, int height,
                                                           AVPixelFormat format, AVRational frameRate,
                                                           bool globalHeader) {
    auto ctx = allocateEncoder(name);
    if (!ctx) return ctx;
    AVCodecContext& c = **ctx;
    c.width = width;
    c.height = height;
    c.pix_fmt = format;
    c.time_base = av_inv_q(frameRate);
    c.framerate = frameRate;
    c.sample_aspect_ratio = AVRational{1, 1};
    tagBt709(c);
    if (globalHeader) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return ctx;
}

Result<AVCodecContextPtr, MediaError> openEncoder(AVCodecContextPtr ctx, AVDictionary* options) {
    AVDictionary* opts = options;
    const int ret = avcodec_open2(ctx.get(), ctx->codec, &opts);
    AVDictionaryPtr left(opts);
    if (ret < 0)
        return fail(
            mediaError(ret, std::string("Cannot open the ") + ctx->codec->name + " encoder"));
    return ctx;
}

}  // namespace kestro
