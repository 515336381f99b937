#include "core/media/encoders.hpp"

#include "core/media/audio_reader.hpp"
#include "core/media/av_error.hpp"
#include "core/media/encoder_context.hpp"
#include "core/media/ffmpeg_compat.hpp"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kestro {

Result<AVCodecContextPtr, MediaError> openH264Encoder(int width, int height, AVRational frameRate,
                                                      bool globalHeader,
                                                      const H264Settings& settings) {
    auto ctx =
        allocateVideoEncoder("libx264", width, height, AV_PIX_FMT_YUV420P, frameRate, globalHeader);
    if (!ctx) return ctx;
    AVCodecContext& c = **ctx;
    if (settings.threads > 0) c.thread_count = settings.threads;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", settings.preset, 0);
    if (settings.bitRate > 0) {
        c.bit_rate = settings.bitRate;
        c.rc_max_rate = settings.maxRate;
        c.rc_buffer_size = static_cast<int>(settings.bufferSize);
    } else {
        av_dict_set_int(&options, "crf", settings.crf, 0);
    }
    if (settings.level > 0) c.level = settings.level;
    av_dict_set(&options, "profile", "high", 0);
    return openEncoder(std::move(*ctx), options);
}

Result<AVCodecContextPtr, MediaError> openProRes4444Encoder(int width, int height,
                                                            AVRational frameRate,
                                                            ProResEncoder which,
                                                            bool globalHeader, int threads) {
    auto ctx = allocateVideoEncoder(which == ProResEncoder::ks ? "prores_ks" : "prores_aw", width,
                                    height, AV_PIX_FMT_YUVA444P10LE, frameRate, globalHeader);
    if (!ctx) return ctx;
    AVCodecContext& c = **ctx;
    c.profile = ffmpeg::kProfileProRes4444;
    // libavcodec runs encoders on one thread unless asked; ProRes frames are independent, so
    // frame threads scale with the cores.
    c.thread_count = threads;
    c.thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    c.codec_tag = MKTAG('a', 'p', '4', 'h');
    AVDictionary* options = nullptr;
    if (which == ProResEncoder::ks) av_dict_set(&options, "profile", "4444", 0);
    return openEncoder(std::move(*ctx), options);
}

Result<AVCodecContextPtr, MediaError> openAacEncoder(bool globalHeader, std::int64_t bitRate) {
    auto ctx = allocateEncoder("aac");
    if (!ctx) return ctx;
    AVCodecContext& c = **ctx;
    c.sample_rate = AudioReader::kSampleRate;
    c.sample_fmt = AV_SAMPLE_FMT_FLTP;
    c.bit_rate = bitRate;
    c.profile = ffmpeg::kProfileAacLow;
    c.time_base = AVRational{1, AudioReader::kSampleRate};
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (av_channel_layout_copy(&c.ch_layout, &stereo) < 0) return fail(mediaError(AVERROR(ENOMEM)));
    if (globalHeader) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return openEncoder(std::move(*ctx), nullptr);
}

}  // namespace kestro
