#include "core/check/movie_facts.hpp"

#include "core/media/av_ptr.hpp"
#include "core/media/media_input.hpp"
#include "core/media/stated_length.hpp"
#include "core/media/video_reader.hpp"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace kestro {

namespace {

namespace fs = std::filesystem;

std::string containerName(const AVFormatContext& format, const std::string& videoCodec) {
    const std::string name = format.iformat ? format.iformat->name : "";
    if (name.find("mp4") != std::string::npos) {
        // One demuxer reads the whole family; QuickTime files say so by their brand.
        const AVDictionaryEntry* brand = av_dict_get(format.metadata, "major_brand", nullptr, 0);
        return brand && std::strncmp(brand->value, "qt", 2) == 0 ? "mov" : "mp4";
    }
    if (name.find("webm") != std::string::npos) {
        // WebM is the Matroska subset that holds only the web's codecs.
        const bool web = videoCodec == "vp8" || videoCodec == "vp9" || videoCodec == "av1";
        return web ? "webm" : "matroska";
    }
    return name;
}

bool formatHasAlpha(int format) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
    return descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA) &&
           !(descriptor->flags & AV_PIX_FMT_FLAG_PAL);
}

// VP8/VP9 in WebM keep alpha beside the picture, announced by the track.
bool trackAnnouncesAlpha(const AVStream& stream) {
    const AVDictionaryEntry* mode = av_dict_get(stream.metadata, "alpha_mode", nullptr, 0);
    return mode && std::strcmp(mode->value, "1") == 0;
}

double frameRateOf(const AVStream& stream) {
    AVRational rate = stream.avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = stream.r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) return 0;
    return av_q2d(rate);
}

}  // namespace

Result<MovieFacts, std::string> readMovieFacts(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(path, error)) return fail(path.string() + " does not exist.");
    if (!fs::is_regular_file(path, error)) return fail(path.string() + " is not a file.");
    if (isStillPictureFile(path)) {
        return fail(path.string() + " is a still picture, not a movie.");
    }
    auto opened = openMediaInput(path);
    if (!opened) {
        return fail(path.string() + " is not a movie FFmpeg can read (" + opened.error().message +
                    ").");
    }
    AVFormatContext& format = **opened;
    const int videoIndex = findVideoStream(format);
    if (videoIndex < 0) return fail(path.string() + " holds no pictures: it is not a movie.");
    const AVStream& video = *format.streams[videoIndex];
    const AVCodecParameters& par = *video.codecpar;

    MovieFacts facts;
    facts.fileBytes = fs::file_size(path, error);
    facts.videoCodec = avcodec_get_name(par.codec_id);
    facts.container = containerName(format, facts.videoCodec);
    if (const char* profile = avcodec_profile_name(par.codec_id, par.profile)) {
        facts.profile = profile;
    }
    if (par.codec_id == AV_CODEC_ID_H264 && par.level > 0) facts.level = par.level;
    const auto described = describeVideoStream(video, path);
    if (!described) return fail(path.string() + ": " + described.error().message);
    facts.width = described->uprightWidth;
    facts.height = described->uprightHeight;
    facts.frameRate = frameRateOf(video);
    facts.alpha = formatHasAlpha(par.format) || trackAnnouncesAlpha(video);

    const int audioIndex = findAudioStream(format);
    if (audioIndex >= 0) {
        const AVCodecParameters& sound = *format.streams[audioIndex]->codecpar;
        facts.audio = AudioFacts{avcodec_get_name(sound.codec_id), sound.ch_layout.nb_channels,
                                 sound.sample_rate};
    }

    facts.duration = movieDuration(format, videoIndex);

    // Every video packet counts towards the bit rate; the first ones also go to a decoder
    // until a picture comes out.
    auto decoder = openDecoder(video, 1);
    AVPacketPtr packet = makePacket();
    AVFramePtr frame = makeFrame();
    if (!packet || !frame) return fail(std::string("Out of memory reading ") + path.string());
    std::int64_t videoBytes = 0;
    int64_t firstPts = AV_NOPTS_VALUE;
    int64_t lastEnd = AV_NOPTS_VALUE;
    int64_t stampedEnd = AV_NOPTS_VALUE;  // the same, by decoding time where AVI gives only that
    auto receive = [&] {
        if (!decoder || facts.decodable) return;
        if (avcodec_receive_frame(decoder->get(), frame.get()) == 0) {
            facts.decodable = true;
            if (formatHasAlpha(frame->format)) facts.alpha = true;
        }
    };
    int read = 0;
    while ((read = av_read_frame(&format, packet.get())) >= 0) {
        if (packet->stream_index == videoIndex) {
            videoBytes += packet->size;
            const int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (stamp != AV_NOPTS_VALUE) {
                const int64_t end = stamp + std::max<int64_t>(packet->duration, 0);
                stampedEnd = stampedEnd == AV_NOPTS_VALUE ? end : std::max(stampedEnd, end);
            }
            if (packet->pts != AV_NOPTS_VALUE) {
                if (firstPts == AV_NOPTS_VALUE || packet->pts < firstPts) firstPts = packet->pts;
                const int64_t end = packet->pts + packet->duration;
                if (lastEnd == AV_NOPTS_VALUE || end > lastEnd) lastEnd = end;
            }
            if (decoder && !facts.decodable &&
                avcodec_send_packet(decoder->get(), packet.get()) >= 0) {
                receive();
            }
        }
        av_packet_unref(packet.get());
    }
    if (decoder && !facts.decodable && avcodec_send_packet(decoder->get(), nullptr) >= 0) {
        receive();
    }

    // Where the pictures stop, against what the video states; a failure to read on other than
    // the end of the file stops them where it happens.
    const double tb = av_q2d(video.time_base);
    const double picturesEnd = stampedEnd != AV_NOPTS_VALUE
                                   ? static_cast<double>(stampedEnd - streamOrigin(video)) * tb
                                   : 0;
    const std::optional<double> stated = statedVideoLength(format, videoIndex, path);
    char why[200] = "";
    if (read != AVERROR_EOF && !avio_feof(format.pb)) {
        char cause[AV_ERROR_MAX_STRING_SIZE] = "";
        av_strerror(read, cause, sizeof cause);
        std::snprintf(why, sizeof why, "reading stops at %.2f s (%s)", picturesEnd, cause);
    } else if (stated && stampedEnd != AV_NOPTS_VALUE && *stated - picturesEnd > kCutOffSeconds) {
        std::snprintf(why, sizeof why, "pictures stop at %.2f s of the stated %.2f s", picturesEnd,
                      *stated);
    }
    if (why[0] != '\0') {
        facts.decodable = false;
        facts.picturesStop = why;
    }

    double videoSeconds = 0;
    if (firstPts != AV_NOPTS_VALUE && lastEnd > firstPts) {
        videoSeconds = static_cast<double>(lastEnd - firstPts) * av_q2d(video.time_base);
    }
    // A movie lasts at least as long as its pictures, whatever its header says.
    facts.duration = std::max(facts.duration, videoSeconds);
    if (videoSeconds <= 0) videoSeconds = facts.duration;
    if (videoSeconds > 0) {
        facts.videoBitRate =
            static_cast<std::int64_t>(static_cast<double>(videoBytes) * 8 / videoSeconds);
    }
    return facts;
}

}  // namespace kestro
