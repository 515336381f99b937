#include "core/media/media_input.hpp"

#include "core/media/av_error.hpp"

#include <algorithm>

namespace kestro {

Result<AVInputFormatContextPtr, MediaError> openMediaInput(const std::filesystem::path& path) {
    quietLibavLog();
    const std::string context = "Cannot open " + path.string();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return fail(mediaError(AVERROR(ENOENT), context));
    if (std::filesystem::is_directory(path, ec)) return fail(mediaError(AVERROR(EISDIR), context));

    AVDictionary* rawOptions = nullptr;
    av_dict_set(&rawOptions, "protocol_whitelist", "file", 0);
    AVDictionaryPtr options(rawOptions);

    AVFormatContext* raw = nullptr;
    // "file:" keeps a name with a colon in it from being read as a protocol.
    const std::string url = "file:" + path.string();
    rawOptions = options.release();
    int ret = avformat_open_input(&raw, url.c_str(), nullptr, &rawOptions);
    options.reset(rawOptions);
    if (ret < 0) return fail(mediaError(ret, context));
    AVInputFormatContextPtr format(raw);

    ret = avformat_find_stream_info(format.get(), nullptr);
    if (ret < 0) return fail(mediaError(ret, "Cannot read the streams of " + path.string()));
    return format;
}

int findVideoStream(const AVFormatContext& format) {
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream* st = format.streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int findAudioStream(const AVFormatContext& format) {
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        if (format.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int64_t streamOrigin(const AVStream& stream) {
    return stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
}

double movieDuration(const AVFormatContext& format, int videoStream) {
    double videoStart = 0;
    if (videoStream >= 0) {
        const AVStream* st = format.streams[videoStream];
        videoStart = static_cast<double>(streamOrigin(*st)) * av_q2d(st->time_base);
    }
    double end = 0;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream* st = format.streams[i];
        if (st->duration == AV_NOPTS_VALUE || st->duration <= 0) continue;
        const double tb = av_q2d(st->time_base);
        end = std::max(end, static_cast<double>(streamOrigin(*st) + st->duration) * tb);
    }
    if (end <= 0 && format.duration != AV_NOPTS_VALUE && format.duration > 0) {
        const double start = format.start_time != AV_NOPTS_VALUE
                                 ? static_cast<double>(format.start_time) / AV_TIME_BASE
                                 : 0;
        end = start + static_cast<double>(format.duration) / AV_TIME_BASE;
    }
    return std::max(0.0, end - videoStart);
}

Result<AVCodecContextPtr, MediaError> openDecoder(const AVStream& stream, int threads) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec) {
        return fail(mediaFailure(
            std::string("No decoder for the codec ") + avcodec_get_name(stream.codecpar->codec_id),
            AVERROR_DECODER_NOT_FOUND));
    }
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) return fail(mediaError(AVERROR(ENOMEM)));
    int ret = avcodec_parameters_to_context(ctx.get(), stream.codecpar);
    if (ret < 0) return fail(mediaError(ret, "Cannot set up the decoder"));
    ctx->pkt_timebase = stream.time_base;
    ctx->thread_count = threads;
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    ret = avcodec_open2(ctx.get(), codec, nullptr);
    if (ret < 0)
        return fail(mediaError(ret, std::string("Cannot open the ") + codec->name + " decoder"));
    return ctx;
}

}  // namespace kestro
