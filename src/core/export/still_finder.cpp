#include "core/export/still_finder.hpp"

#include "core/export/export_frame_rate.hpp"
#include "core/media/av_error.hpp"
#include "core/media/packet_times.hpp"
#include "core/media/video_reader.hpp"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace kestro {

namespace {

// The grey copy's side: enough to see a tap's ripple or a page scroll, small enough that the
// comparison costs nothing beside the decoding.
constexpr int kSide = 64;
// Differences of a grey copy's pixel up to this many levels are the encoder's, not the
// screen's: after a change, x264 goes on refining the held picture for a few frames, moving
// pixels of the copy by a level or two (a tenth to half of the whole threshold at CRF 30,
// depending on the encoder's version), while a change anyone sees moves them further.
constexpr int kCodingNoise = 2;

}  // namespace

Result<std::vector<PictureChange>, MediaError> measurePictureChanges(
    const std::filesystem::path& path, double start, double end) {
    auto opened = VideoReader::open(path);
    if (!opened) return fail(opened.error());
    VideoReader& reader = **opened;
    if (start > 0) {
        auto seeked = reader.seekKeyframe(start);
        if (!seeked) return fail(seeked.error());
    }
    SwsContextPtr sws;
    int swsWidth = 0, swsHeight = 0, swsFormat = -1;
    std::array<uint8_t, kSide * kSide> grey{};
    std::array<uint8_t, kSide * kSide> previous{};
    bool havePrevious = false;
    std::vector<PictureChange> pictures;
    for (;;) {
        auto next = reader.next();
        if (!next) return fail(next.error());
        if (!*next) break;
        const DecodedFrame& frame = **next;
        if (frame.time > end + 1e-9) break;
        const AVFrame& f = *frame.frame;
        if (!sws || f.width != swsWidth || f.height != swsHeight || f.format != swsFormat) {
            sws.reset(sws_getContext(f.width, f.height, static_cast<AVPixelFormat>(f.format), kSide,
                                     kSide, AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr));
            if (!sws) return fail(mediaFailure("Cannot compare the pictures", AVERROR(EINVAL)));
            swsWidth = f.width;
            swsHeight = f.height;
            swsFormat = f.format;
            havePrevious = false;
        }
        uint8_t* planes[4] = {grey.data(), nullptr, nullptr, nullptr};
        int strides[4] = {kSide, 0, 0, 0};
        sws_scale(sws.get(), f.data, f.linesize, 0, f.height, planes, strides);
        // Pictures before the start only set up the comparison of the first one inside.
        double difference = HUGE_VAL;
        if (havePrevious) {
            long sum = 0;
            for (size_t i = 0; i < grey.size(); ++i) {
                const int d = std::abs(int(grey[i]) - int(previous[i]));
                if (d > kCodingNoise) sum += d;
            }
            difference = static_cast<double>(sum) / static_cast<double>(grey.size());
        }
        if (frame.time >= start - 1e-9) {
            pictures.push_back({frame.time, pictures.empty() ? HUGE_VAL : difference});
        }
        previous = grey;
        havePrevious = true;
    }
    return pictures;
}

Result<std::vector<StillStretch>, MediaError> findStillStretches(const std::filesystem::path& path,
                                                                 double start, double end,
                                                                 const StillSearch& search) {
    auto opened = VideoReader::open(path);
    if (!opened) return fail(opened.error());
    const MovieInfo info = (*opened)->info();
    opened->reset();
    start = std::clamp(std::isfinite(start) ? start : 0.0, 0.0, info.duration);
    end = std::clamp(std::isnan(end) ? info.duration : end, start, info.duration);
    auto times = readPacketTimes(path, start, end);
    if (times &&
        isVariableRate(stretchAverageRate(info.video.averageFrameRate, times->size(), end - start),
                       typicalShortestInterval(*times, av_q2d(info.video.timeBase)))) {
        return stillsFromPictureTimes(*times, end, search);
    }
    auto pictures = measurePictureChanges(path, start, end);
    if (!pictures) return fail(pictures.error());
    return stillsFromChanges(*pictures, end, search);
}

}  // namespace kestro
