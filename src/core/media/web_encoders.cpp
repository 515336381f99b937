#include "core/media/web_encoders.hpp"

#include "core/media/audio_reader.hpp"
#include "core/media/av_error.hpp"
#include "core/media/encoder_context.hpp"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kestro {

Result<AVCodecContextPtr, MediaError> openVp9Encoder(int width, int height, AVRational frameRate,
                                                     bool alpha, bool globalHeader,
                                                     const Vp9Settings& settings) {
    auto ctx = allocateVideoEncoder("libvpx-vp9", width, height,
                                    alpha ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_YUV420P, frameRate,
                                    globalHeader);
    if (!ctx) return ctx;
    AVCodecContext& c = **ctx;
    c.bit_rate = 0;  // with crf: constant quality
    // libvpx threads by tiles and rows; it does not hold on to the pictures it is given.
    c.thread_count = settings.threads;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "deadline", settings.deadline, 0);
    av_dict_set_int(&options, "cpu-used", settings.cpuUsed, 0);
    av_dict_set_int(&options, "crf", settings.crf, 0);
    av_dict_set(&options, "row-mt", "1", 0);
    return openEncoder(std::move(*ctx), options);
}

Result<AVCodecContextPtr, MediaError> openOpusEncoder(bool globalHeader) {
    auto ctx = allocateEncoder("libopus");
    if (!ctx) return ctx;
    AVCodecContext& c = **ctx;
    c.sample_rate = AudioReader::kSampleRate;
    c.sample_fmt = AV_SAMPLE_FMT_FLT;
    c.bit_rate = 128000;
    c.time_base = AVRational{1, AudioReader::kSampleRate};
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (av_channel_layout_copy(&c.ch_layout, &stereo) < 0) return fail(mediaError(AVERROR(ENOMEM)));
    if (globalHeader) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return openEncoder(std::move(*ctx), nullptr);
}

Result<AVCodecContextPtr, MediaError> openGifEncoder(int width, int height, AVRational frameRate) {
    auto ctx = allocateVideoEncoder("gif", width, height, AV_PIX_FMT_PAL8, frameRate, false);
    if (!ctx) return ctx;
    return openEncoder(std::move(*ctx), nullptr);
}

}  // namespace kestro
