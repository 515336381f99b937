#include "core/export/export_frame_rate.hpp"

#include "core/export/render_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

// How far a capture rate may stray from a standard rate and still be it: timestamps rounded to
// milliseconds (Matroska) put 60 fps pictures 16 or 17 ms apart, which reads as 62.5 fps.
constexpr double kSnapTolerance = 0.10;
// A capture rate this close above the average is the same rate, measured twice: millisecond
// timestamps make a constant 60 fps read as 62.5 at its shortest intervals.
constexpr double kSameRate = 1.05;
// Pictures whose typical shortest interval is this much longer than the stated rate's come
// slower than it: the intervals are measured to within a grain, so 24 fps read as 25 (4 %) shows.
constexpr double kSlowerThanStated = 1.02;
// A time base this coarse (GIF's hundredths, AVI's frames) stores every interval rounded a
// visible share of itself. Finer ones (Matroska's milliseconds) keep the low percentile as it
// is: their mean interval cannot tell 59.94 from 60 over short bursts, and the whole rate that
// the percentile snaps to is what phones capture at.
constexpr double kCoarseGrain = 0.005;
// The percentile of the intervals taken as the typical shortest.
constexpr double kLowPercentile = 0.10;
// How far below a standard rate an average may read and still be it: containers store averages
// rounded (29.97 for 30000/1001). Only rates at or above the average are taken, so the output
// never runs slower than the source.
constexpr double kAverageRounding = 0.005;
// How far above a standard rate an average may read and still be it: an average worked out from
// millisecond timestamps (Matroska's 59.94 reads 19001/317) lands a hair either side of the
// exact fraction. A picture every few hours, far apart from 29.97 against 30 (0.1 %).
constexpr double kAverageNoise = 1e-5;

}  // namespace

std::optional<double> typicalShortestInterval(const std::vector<double>& times, double grain) {
    std::vector<double> deltas;
    for (size_t i = 1; i < times.size(); ++i) {
        const double d = times[i] - times[i - 1];
        if (d > 1e-9) deltas.push_back(d);
    }
    if (deltas.empty()) return std::nullopt;
    std::sort(deltas.begin(), deltas.end());
    // Never the single shortest when there are more: one odd pair must not decide.
    const size_t last = deltas.size() - 1;
    const auto low = static_cast<size_t>(std::floor(kLowPercentile * static_cast<double>(last)));
    const double shortest = deltas[std::min(last, std::max<size_t>(low, 1))];
    if (!(grain >= kCoarseGrain) || !std::isfinite(grain)) return shortest;
    // Half a grain of slack for the times' own rounding to seconds.
    const double ceiling = std::min(shortest + grain * 1.5, shortest * 1.5);
    double sum = 0;
    size_t count = 0;
    for (const double d : deltas) {
        if (d < shortest - grain / 2 || d >= ceiling) continue;
        sum += d;
        ++count;
    }
    return count > 0 ? sum / static_cast<double>(count) : shortest;
}

AVRational frameRateFromFps(double fps) {
    if (!std::isfinite(fps)) return AVRational{kDefaultFrameRate, 1};
    fps = std::clamp(fps, 1.0, static_cast<double>(kMaximumFrameRate));
    for (const AVRational& r : kStandardFrameRates) {
        if (r.den == 1001 && std::abs(fps - av_q2d(r)) < 0.01) return r;
    }
    return av_d2q(fps, 100000);
}

AVRational constantFrameRate(double averageRate) {
    if (std::isnan(averageRate) || averageRate <= 0) return AVRational{kDefaultFrameRate, 1};
    if (averageRate < 1) return AVRational{1, 1};
    if (averageRate >= kMaximumFrameRate) return AVRational{kMaximumFrameRate, 1};
    for (const AVRational& r : kStandardFrameRates) {  // ascending: the nearest above wins
        const double standard = av_q2d(r);
        if (standard >= averageRate * (1 - kAverageNoise) &&
            standard <= averageRate * (1 + kAverageRounding))
            return r;
    }
    return av_d2q(averageRate, 100000);
}

double stretchAverageRate(double declaredRate, size_t pictures, double span) {
    if (!std::isfinite(declaredRate) || !(declaredRate > 0) || !(span > 0)) return declaredRate;
    const double measured = (static_cast<double>(pictures) + 1) / span;
    return measured * kSameRate < declaredRate ? measured : declaredRate;
}

AVRational rateOnGrain(AVRational rate, AVRational timeBase) {
    const bool hundredths = timeBase.num == 1 && timeBase.den > 0 && timeBase.den <= 100;
    if (!hundredths || rate.den != 1001) return rate;
    return AVRational{(rate.num + 1000) / 1001, 1};
}

bool isVariableRate(double averageRate, std::optional<double> shortestInterval) {
    if (!shortestInterval || !(*shortestInterval > 0)) return false;
    const double known = std::isfinite(averageRate) && averageRate > 0 ? averageRate : 0;
    return 1.0 / *shortestInterval > known * kSameRate;
}

namespace {

// A capture rate as a fraction: the standard rate within kSnapTolerance of it, else whole frames
// per second, from 1 up to kMaximumFrameRate.
AVRational snappedCaptureRate(double capture) {
    const AVRational* nearest = nullptr;
    double nearestGap = kSnapTolerance;
    for (const AVRational& r : kStandardFrameRates) {
        const double gap = std::abs(capture / av_q2d(r) - 1);
        if (gap < nearestGap) {
            nearestGap = gap;
            nearest = &r;
        }
    }
    return nearest ? *nearest
                   : AVRational{static_cast<int>(std::clamp(std::lround(capture), 1L,
                                                            static_cast<long>(kMaximumFrameRate))),
                                1};
}

}  // namespace

AVRational exportFrameRate(double averageRate, std::optional<double> shortestInterval) {
    const AVRational average = constantFrameRate(averageRate);
    if (!shortestInterval || !(*shortestInterval > 0)) return average;
    const double capture = 1.0 / *shortestInterval;
    const double known = std::isfinite(averageRate) && averageRate > 0 ? averageRate : 0;
    // Pictures that never come as fast as the stated rate were made at their own: FFmpeg 7 states
    // a 15 fps GIF (6 and 7 hundredths apart) as 16.7, its shortest delay.
    if (capture * kSlowerThanStated < known) return snappedCaptureRate(capture);
    if (capture <= known * kSameRate) return average;

    AVRational rate = snappedCaptureRate(capture);
    // Snapping may land a hair under the average; the average is never undercut.
    if (av_q2d(rate) < known) return average;
    return rate;
}

}  // namespace kestro
