#include "core/export/tick_grid.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

TrimRange alignTicksToFirstPicture(TrimRange range, const std::vector<double>& pictureTimes,
                                   AVRational frameRate) {
    constexpr double kSame = 1e-9;  // times read back from a time base
    const auto first =
        std::lower_bound(pictureTimes.begin(), pictureTimes.end(), range.start - kSame);
    if (first == pictureTimes.end() || *first <= range.start) return range;
    const double quarterTick = 0.25 / av_q2d(frameRate);
    if (*first - range.start <= quarterTick + kSame && *first < range.end) range.start = *first;
    return range;
}

std::int64_t tickCount(double length, AVRational frameRate, double grain) {
    const double rate = av_q2d(frameRate);
    const double slack = std::isfinite(grain) && grain > 0 ? std::min(grain * rate, 0.5) : 0;
    const double ticks = std::ceil(length * rate - slack - 1e-6);
    return ticks >= 1 ? static_cast<std::int64_t>(ticks) : 1;
}

}  // namespace kestro
