#include "core/export/tick_grid.hpp"

#include <algorithm>

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

}  // namespace kestro
