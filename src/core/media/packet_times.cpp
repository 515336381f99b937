#include "core/media/packet_times.hpp"

#include "core/media/av_error.hpp"
#include "core/media/media_input.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

Result<std::vector<double>, MediaError> readPacketTimes(const std::filesystem::path& path,
                                                        double start, double end) {
    auto format = openMediaInput(path);
    if (!format) return fail(format.error());
    AVFormatContext& fmt = **format;
    const int index = findVideoStream(fmt);
    if (index < 0) {
        return fail(mediaFailure(path.filename().string() + " has no video track",
                                 AVERROR_STREAM_NOT_FOUND));
    }
    for (unsigned i = 0; i < fmt.nb_streams; ++i) {
        if (static_cast<int>(i) != index) fmt.streams[i]->discard = AVDISCARD_ALL;
    }
    const AVStream& st = *fmt.streams[index];
    const double tb = av_q2d(st.time_base);
    const int64_t origin = streamOrigin(st);
    if (start > 0) {
        // Landing a little early (or late, in containers that overshoot) only changes which
        // packets are looked at near the edge, never the intervals inside the range.
        const int64_t target = origin + static_cast<int64_t>(std::floor(start / tb));
        if (av_seek_frame(&fmt, index, target, AVSEEK_FLAG_BACKWARD) < 0) {
            av_seek_frame(&fmt, index, origin, AVSEEK_FLAG_BACKWARD);
        }
    }
    AVPacketPtr packet = makePacket();
    if (!packet) return fail(mediaError(AVERROR(ENOMEM)));
    std::vector<double> times;
    // Packets come in decoding order, which runs a few pictures ahead of presentation order:
    // read on a little past the end so that the pictures shown before it are all seen.
    const double readUntil = end + 1.0;
    for (;;) {
        const int ret = av_read_frame(&fmt, packet.get());
        if (ret == AVERROR_EOF || (ret < 0 && avio_feof(fmt.pb))) break;
        if (ret < 0) return fail(mediaError(ret, "Cannot read the movie"));
        const AVPacket& p = *packet;
        if (p.stream_index == index) {
            const int64_t ts = p.pts != AV_NOPTS_VALUE ? p.pts : p.dts;
            if (ts != AV_NOPTS_VALUE) {
                const double t = static_cast<double>(ts - origin) * tb;
                const bool last =
                    p.dts != AV_NOPTS_VALUE && static_cast<double>(p.dts - origin) * tb > readUntil;
                if (t >= start - 1e-9 && t <= end + 1e-9) times.push_back(t);
                if (last) {
                    av_packet_unref(packet.get());
                    break;
                }
            }
        }
        av_packet_unref(packet.get());
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

}  // namespace kestro
