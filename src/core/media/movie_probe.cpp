#include "core/media/movie_probe.hpp"

#include "core/media/av_error.hpp"
#include "core/media/media_input.hpp"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace kestro {

Result<MovieInfo, MediaError> probeMovie(const std::filesystem::path& path) {
    auto format = openMediaInput(path);
    if (!format) return fail(format.error());
    const AVFormatContext& fmt = **format;

    MovieInfo info;
    const int videoIndex = findVideoStream(fmt);
    info.hasVideo = videoIndex >= 0;
    info.hasAudio = findAudioStream(fmt) >= 0;
    info.duration = movieDuration(fmt, videoIndex);
    if (!info.hasVideo) return info;

    const AVStream& st = *fmt.streams[videoIndex];
    const AVCodecParameters& par = *st.codecpar;
    // The same limits the reader applies, so a file that passes here also opens for playback.
    if (par.width <= 0 || par.height <= 0 || par.width > kMaxVideoDimension ||
        par.height > kMaxVideoDimension ||
        static_cast<long long>(par.width) * par.height > kMaxVideoPixels ||
        av_image_check_size(static_cast<unsigned>(par.width), static_cast<unsigned>(par.height), 0,
                            nullptr) < 0) {
        return fail(mediaFailure(
            "The video of " + path.filename().string() + " claims an unusable picture size of " +
                std::to_string(par.width) + "\xC3\x97" + std::to_string(par.height),
            AVERROR_INVALIDDATA));
    }
    if (!avcodec_find_decoder(par.codec_id)) {
        return fail(
            mediaFailure(std::string("No decoder for the codec ") + avcodec_get_name(par.codec_id),
                         AVERROR_DECODER_NOT_FOUND));
    }

    VideoStreamInfo& v = info.video;
    v.width = par.width;
    v.height = par.height;
    v.rotation = streamRotation(st);
    const bool quarter = v.rotation == 90 || v.rotation == 270;
    v.uprightWidth = quarter ? v.height : v.width;
    v.uprightHeight = quarter ? v.width : v.height;
    AVRational rate = st.avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = st.r_frame_rate;
    v.averageFrameRate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
    v.timeBase = st.time_base;
    v.duration = st.duration != AV_NOPTS_VALUE && st.duration > 0
                     ? static_cast<double>(st.duration) * av_q2d(st.time_base)
                     : 0;
    info.width = v.uprightWidth;
    info.height = v.uprightHeight;
    info.frameRate = v.averageFrameRate;
    return info;
}

}  // namespace kestro
