#include "core/media/packet_times.hpp"

#include "core/media/av_error.hpp"
#include "core/media/media_input.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

constexpr double kStepBack = 1.0;  // seconds, doubled on each try

// Seeks so that reading goes on from a keyframe at or before `start`: every picture of the
// range is then read, also the ones stored before the first of them (reordered pictures). A
// backward seek is only a request: demuxers without an index (MPEG-TS) search by timestamps
// and may land on a later keyframe, or in the middle of a run of reordered pictures. The
// first packet after the seek tells; while it is not such a keyframe, the aim goes further
// back, twice as far each time, and from the start of the movie on, reading starts at the
// first byte of the file (the ffmpeg tool's own MPEG-TS files send even a seek to their
// start to the 2 s keyframe).
// False when no such place was found.
bool landOnKeyframeBefore(AVFormatContext& fmt, int index, double start, AVPacket& packet) {
    const AVStream& st = *fmt.streams[index];
    const double tb = av_q2d(st.time_base);
    const int64_t origin = streamOrigin(st);
    double back = 0;
    for (;;) {
        const double aim = std::max(0.0, start - back);
        const int64_t target = origin + static_cast<int64_t>(std::floor(aim / tb));
        auto seek = [&] {
            if (av_seek_frame(&fmt, index, target, AVSEEK_FLAG_BACKWARD) < 0) {
                av_seek_frame(&fmt, index, origin, AVSEEK_FLAG_BACKWARD);
            }
        };
        seek();
        bool good = false;
        for (;;) {
            const int ret = av_read_frame(&fmt, &packet);
            if (ret < 0) break;
            const bool video = packet.stream_index == index;
            const int64_t ts = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
            const bool key = packet.flags & AV_PKT_FLAG_KEY;
            av_packet_unref(&packet);
            if (!video || ts == AV_NOPTS_VALUE) continue;
            good = key && static_cast<double>(ts - origin) * tb <= start + 1e-9;
            break;
        }
        if (good) {
            seek();  // lands on the same packet again
            return true;
        }
        if (aim <= 0) {
            if (!(fmt.iformat->flags & AVFMT_NO_BYTE_SEEK) &&
                av_seek_frame(&fmt, -1, 0, AVSEEK_FLAG_BYTE) >= 0) {
                return true;
            }
            seek();  // nothing better: the intervals inside the range are still right
            return false;
        }
        back = back > 0 ? back * 2 : kStepBack;
    }
}

}  // namespace

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
    AVPacketPtr packet = makePacket();
    if (!packet) return fail(mediaError(AVERROR(ENOMEM)));
    if (start > 0) landOnKeyframeBefore(fmt, index, start, *packet);
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
