#include "core/media/movie_probe.hpp"

#include "core/media/av_error.hpp"
#include "core/media/media_input.hpp"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>

namespace kestro {

Result<MovieInfo, MediaError> probeMovie(const std::filesystem::path& path) {
    auto format = openMediaInput(path);
    if (!format) return fail(format.error());
    AVFormatContext& fmt = **format;

    MovieInfo info;
    const int videoIndex = findVideoStream(fmt);
    info.hasVideo = videoIndex >= 0;
    info.hasAudio = findAudioStream(fmt) >= 0;
    info.duration = movieDuration(fmt, videoIndex);
    if (!info.hasVideo) return info;
    if (const auto last = lastPictureEnd(fmt, videoIndex).end)
        info.duration = std::max(info.duration, *last);

    const AVStream& st = *fmt.streams[videoIndex];
    auto video = describeVideoStream(st, path);
    if (!video) return fail(video.error());
    const AVCodecParameters& par = *st.codecpar;
    if (!avcodec_find_decoder(par.codec_id)) {
        return fail(
            mediaFailure(std::string("No decoder for the codec ") + avcodec_get_name(par.codec_id),
                         AVERROR_DECODER_NOT_FOUND));
    }

    info.video = *video;
    return info;
}

}  // namespace kestro
