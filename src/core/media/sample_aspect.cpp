#include "core/media/sample_aspect.hpp"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cmath>

namespace kestro {

namespace {

bool usable(AVRational r) {
    return r.num > 0 && r.den > 0 && av_cmp_q(r, AVRational{1, 8}) >= 0 &&
           av_cmp_q(r, AVRational{8, 1}) <= 0;
}

}  // namespace

AVRational streamSampleAspect(const AVStream& stream) {
    if (usable(stream.sample_aspect_ratio)) return stream.sample_aspect_ratio;
    // A container that says nothing leaves the codec's ratio in force, as in players.
    if (stream.codecpar && usable(stream.codecpar->sample_aspect_ratio))
        return stream.codecpar->sample_aspect_ratio;
    return AVRational{1, 1};
}

ShownSize shownSize(int width, int height, AVRational sampleAspect, int maxSide,
                    long long maxPixels) {
    const ShownSize stored{width, height};
    if (!usable(sampleAspect) || av_cmp_q(sampleAspect, AVRational{1, 1}) == 0) return stored;
    ShownSize shown = stored;
    const double ratio = av_q2d(sampleAspect);
    if (ratio > 1) {
        shown.width = static_cast<int>(std::lround(width * ratio));
    } else {
        shown.height = static_cast<int>(std::lround(height / ratio));
    }
    if (shown.width > maxSide || shown.height > maxSide ||
        static_cast<long long>(shown.width) * shown.height > maxPixels) {
        return stored;
    }
    return shown;
}

}  // namespace kestro
