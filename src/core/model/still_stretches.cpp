#include "core/model/still_stretches.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

std::vector<StillStretch> stillsFromChanges(const std::vector<PictureChange>& pictures, double end,
                                            const StillSearch& search) {
    std::vector<StillStretch> stills;
    std::size_t i = 0;
    while (i < pictures.size()) {
        // Picture i starts a run; it lasts while the following pictures are the same.
        std::size_t j = i + 1;
        while (j < pictures.size() && pictures[j].difference < search.sameBelow) ++j;
        const double from = pictures[i].time;
        const double to = j < pictures.size() ? pictures[j].time : std::max(end, from);
        if (to - from >= search.shortestStill) stills.push_back({from, to});
        i = j;
    }
    return stills;
}

std::vector<StillStretch> stillsFromPictureTimes(const std::vector<double>& times, double end,
                                                 const StillSearch& search) {
    std::vector<PictureChange> pictures;
    pictures.reserve(times.size());
    for (const double t : times) pictures.push_back({t, HUGE_VAL});
    return stillsFromChanges(pictures, end, search);
}

SpeedTrack shortenStills(const std::vector<StillStretch>& stills, double maxSeconds,
                         const SpeedTrack& track) {
    SpeedTrack out = track;
    if (!(maxSeconds > 0)) return out;
    SpeedTrack taken = track;
    std::sort(taken.begin(), taken.end(),
              [](const SpeedSegment& a, const SpeedSegment& b) { return a.start < b.start; });
    auto add = [&](double from, double to) {
        const double length = to - from;
        if (!(length > maxSeconds)) return;
        out.push_back({from, to, std::min(kMaxSpeedFactor, length / maxSeconds)});
    };
    for (const StillStretch& still : stills) {
        // The parts of the stretch between the user's segments.
        double from = still.start;
        for (const SpeedSegment& s : taken) {
            if (s.end <= from) continue;
            if (s.start >= still.end) break;
            add(from, std::min(s.start, still.end));
            from = std::max(from, s.end);
        }
        if (from < still.end) add(from, still.end);
    }
    std::sort(out.begin(), out.end(),
              [](const SpeedSegment& a, const SpeedSegment& b) { return a.start < b.start; });
    return out;
}

}  // namespace kestro
