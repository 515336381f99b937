#include "core/media/encoders.hpp"

#include "core/media/audio_reader.hpp"
#include "core/media/av_error.hpp"
#include "core/media/ffmpeg_compat.hpp"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kestro {

namespace {

void tagBt709(AVCodecContext& ctx) {
    ctx.color_primaries = AVCOL_PRI_BT709;
    ctx.color_trc = AVCOL_TRC_BT709;
    ctx.colorspace = AVCOL_SPC_BT709;
    ctx.color_range = AVCOL_RANGE_MPEG;
}

Result<AVCodecContextPtr, MediaError> allocate(const char* name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
        return fail(mediaFailure(std::string("This FFmpeg has no ") + name + " encoder",
                                 AVERROR_ENCODER_NOT_FOUND));
    }
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) return fail(mediaError(AVERROR(ENOMEM)));
    return ctx;
}

// A video encoder for `format` pictures at a constant rate, square pixels, tagged BT.709.
Result<AVCodecContextPtr, MediaError> allocateVideo(const char* name, int width, int height,
                                                    AVPixelFormat format, AVRational frameRate,
                                                    bool globalHeader) {
    auto ctx = allocate(name);
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

Result<AVCodecContextPtr, MediaError> open(AVCodecContextPtr ctx, AVDictionary* options) {
    AVDictionary* opts = options;
    const int ret = avcodec_open2(ctx.get(), ctx->codec, &opts);
    AVDictionaryPtr left(opts);
    if (ret < 0)
        return fail(
            mediaError(ret, std::string("Cannot open the ") + ctx->codec->name + " encoder"));
    return ctx;
}

}  // namespace

Result<AVCodecContextPtr, MediaError> openH264Encoder(int width, int height, AVRational frameRate,
                                                      bool globalHeader) {
    auto ctx =
        allocateVideo("libx264", width, height, AV_PIX_FMT_YUV420P, frameRate, globalHeader);
    if (!ctx) return ctx;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", "medium", 0);
    av_dict_set(&options, "crf", "18", 0);
    av_dict_set(&options, "profile", "high", 0);
    return open(std::move(*ctx), options);
}

Result<AVCodecContextPtr, MediaError> openProRes4444Encoder(int width, int height,
                                                            AVRational frameRate,
                                                            ProResEncoder which,
                                                            bool globalHeader) {
    auto ctx = allocateVideo(which == ProResEncoder::ks ? "prores_ks" : "prores_aw", width,
                             height, AV_PIX_FMT_YUVA444P10LE, frameRate, globalHeader);
    if (!ctx) return ctx;
    AVCodecContext& c = **ctx;
    c.profile = ffmpeg::kProfileProRes4444;
    // libavcodec runs encoders on one thread unless asked; ProRes frames are independent, so
    // frame threads scale with the cores.
    c.thread_count = 0;
    c.thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    c.codec_tag = MKTAG('a', 'p', '4', 'h');
    AVDictionary* options = nullptr;
    if (which == ProResEncoder::ks) av_dict_set(&options, "profile", "4444", 0);
    return open(std::move(*ctx), options);
}

Result<AVCodecContextPtr, MediaError> openAacEncoder(bool globalHeader) {
    auto ctx = allocate("aac");
    if (!ctx) return ctx;
    AVCodecContext& c = **ctx;
    c.sample_rate = AudioReader::kSampleRate;
    c.sample_fmt = AV_SAMPLE_FMT_FLTP;
    c.bit_rate = 192000;
    c.profile = ffmpeg::kProfileAacLow;
    c.time_base = AVRational{1, AudioReader::kSampleRate};
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (av_channel_layout_copy(&c.ch_layout, &stereo) < 0) return fail(mediaError(AVERROR(ENOMEM)));
    if (globalHeader) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return open(std::move(*ctx), nullptr);
}

}  // namespace kestro
