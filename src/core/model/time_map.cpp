#include "core/model/time_map.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestro {

namespace {

std::string secondsText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string segmentText(const SpeedSegment& s) {
    return secondsText(s.start) + "-" + secondsText(s.end) + " s";
}

SpeedTrack sortedByStart(SpeedTrack track) {
    std::stable_sort(track.begin(), track.end(), [](const SpeedSegment& a, const SpeedSegment& b) {
        return a.start < b.start;
    });
    return track;
}

}  // namespace

std::optional<std::string> speedTrackProblem(const SpeedTrack& track) {
    for (const SpeedSegment& s : track) {
        if (!std::isfinite(s.start) || !std::isfinite(s.end) || s.start < 0) {
            return "a speed segment needs times of 0 seconds or more";
        }
        if (!(s.end > s.start))
            return "the speed segment " + segmentText(s) + " ends before it starts";
        if (!(s.factor >= kMinSpeedFactor && s.factor <= kMaxSpeedFactor)) {
            return "the factor " + secondsText(s.factor) + " is outside " +
                   secondsText(kMinSpeedFactor) + " to " + secondsText(kMaxSpeedFactor);
        }
    }
    const SpeedTrack sorted = sortedByStart(track);
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (sorted[i].start < sorted[i - 1].end) {
            return "the speed segments " + segmentText(sorted[i - 1]) + " and " +
                   segmentText(sorted[i]) + " overlap";
        }
    }
    return std::nullopt;
}

TimeMap::TimeMap(double trimStart, double trimEnd) : TimeMap(trimStart, trimEnd, SpeedTrack{}) {}

TimeMap::TimeMap(double trimStart, double trimEnd, const SpeedTrack& track)
    : start_(trimStart), end_(std::max(trimStart, trimEnd)) {
    double source = start_;
    double output = 0;
    auto add = [&](double until, double factor) {
        if (!(until > source)) return;
        const double length = until - source;
        pieces_.push_back(TimePiece{output, output + length / factor, source, until, factor});
        output += length / factor;
        source = until;
    };
    for (const SpeedSegment& s : sortedByStart(track)) {
        if (!std::isfinite(s.start) || !std::isfinite(s.end) || !std::isfinite(s.factor)) continue;
        const double from = std::clamp(s.start, source, end_);
        const double to = std::clamp(s.end, from, end_);
        if (!(to > from)) continue;
        add(from, 1);
        add(to, std::clamp(s.factor, kMinSpeedFactor, kMaxSpeedFactor));
    }
    add(end_, 1);
}

bool TimeMap::isRealTime() const {
    return std::all_of(pieces_.begin(), pieces_.end(),
                       [](const TimePiece& p) { return p.factor == 1; });
}

double TimeMap::sourceAt(double output) const {
    if (pieces_.empty() || !(output > 0)) return start_;
    // The first piece that ends after `output`: a boundary belongs to the piece that starts there.
    const auto it = std::upper_bound(pieces_.begin(), pieces_.end(), output,
                                     [](double t, const TimePiece& p) { return t < p.outputEnd; });
    if (it == pieces_.end()) return end_;
    return std::min(it->sourceEnd, it->sourceStart + (output - it->outputStart) * it->factor);
}

double TimeMap::outputAt(double source) const {
    if (pieces_.empty() || !(source > start_)) return 0;
    const auto it = std::upper_bound(pieces_.begin(), pieces_.end(), source,
                                     [](double t, const TimePiece& p) { return t < p.sourceEnd; });
    if (it == pieces_.end()) return outputDuration();
    return std::min(it->outputEnd, it->outputStart + (source - it->sourceStart) / it->factor);
}

}  // namespace kestro
