#pragma once
// The frame rate an export runs at, as an exact fraction (29.97 is 30000/1001: a rounded
// decimal would drift against the sound by a frame every few minutes).
//
// Phone screen recordings are variable-rate: pictures arrive only while the screen changes, so
// a second of 60 fps motion may sit in four seconds of stillness and the stream's average rate
// says 15. Sampling such a source at its average rate drops most of its motion. The rate that
// keeps it is the one the pictures were captured at: the shortest interval that occurs
// typically between them (a low percentile, so one odd pair of timestamps does not decide),
// snapped to the standard rate it jitters around.

extern "C" {
#include <libavutil/rational.h>
}

#include <cstddef>
#include <optional>
#include <vector>

namespace kestro {

// The rates a capture interval is snapped to.
inline constexpr AVRational kStandardFrameRates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001},
                                                     {30, 1},       {48, 1}, {50, 1}, {60000, 1001},
                                                     {60, 1},       {90, 1}, {120, 1}};

// The typical shortest interval between pictures at these times (sorted, seconds); none with
// fewer than two distinct times. `grain` is the resolution the times were stored at (seconds per
// tick of the stream's time base). On a coarse grain (5 ms or more) an interval is stored as the
// multiple just below or just above it (15 fps in GIF's hundredths: 6, 7, 7, 6, 7, 7), so the
// interval is the mean of those from the low percentile up to one grain above it, never past
// half as long again.
std::optional<double> typicalShortestInterval(const std::vector<double>& times,
                                              double grain = 0);

// The rate a user asked for (frames per second, 1 to 240, fractions allowed) as a fraction:
// the NTSC rates typed as decimals (23.976, 29.97, 59.94...) become their exact x/1001.
AVRational frameRateFromFps(double fps);

// The rate that keeps every picture of a constant-rate source: its own rate, exactly. A rate a
// hair under a standard one (a container's rounded average) is that standard rate, so 29.97 is
// 30000/1001 and never 29, which would drop a picture every second. Unknown rates (0, not a
// number) give kDefaultFrameRate; below 1 frame per second (slideshows) 1, as time would
// otherwise stand still; a claimed rate above kMaximumFrameRate comes from a broken header and
// is held there.
AVRational constantFrameRate(double averageRate);

// The export's rate. A source whose capture rate does not exceed its average rate (constant
// rate, or no timing known) keeps constantFrameRate(averageRate). Otherwise the capture rate
// 1 / shortestInterval: the standard rate within 10 % of it, else rounded to whole frames per
// second, from 1 up to kMaximumFrameRate.
AVRational exportFrameRate(double averageRate, std::optional<double> shortestInterval);

// The rate found for times stored in `timeBase`. Whole hundredths of a second (GIF's) or coarser
// cannot tell an NTSC rate from the whole rate beside it, and nothing that writes them means one:
// an x/1001 rate found there is the whole rate just above it (29.97 is 30). Other time bases keep
// the rate, AVI's 1001/30000 among them.
AVRational rateOnGrain(AVRational rate, AVRational timeBase);

// The average rate to judge a stretch of `span` seconds holding `pictures` pictures by: the
// container's, unless the stretch clearly holds fewer pictures than that. Matroska and WebM state
// the rate pictures were captured at, not their average, so a bursts-and-stills recording there
// claims 60 a second and holds 40. One picture of slack keeps a short stretch from reading low;
// an unknown rate (0) stays unknown.
double stretchAverageRate(double declaredRate, size_t pictures, double span);

// True when the pictures came faster than their average rate: a recording that is still between
// bursts of motion, whose export holds many pictures over several ticks.
bool isVariableRate(double averageRate, std::optional<double> shortestInterval);

}  // namespace kestro
