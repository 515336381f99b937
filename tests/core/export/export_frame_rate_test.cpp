// The export's frame rate from the times the pictures were captured at.

#include "core/export/export_frame_rate.hpp"

#include "core/export/render_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

namespace kestro {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool same(AVRational a, AVRational b) {
    return av_cmp_q(a, b) == 0;
}

// `count` pictures `step` seconds apart from `from`.
struct Run {
    double from, step;
    int count;
};

std::vector<double> timesOf(std::initializer_list<Run> runs) {
    std::vector<double> times;
    for (const Run& run : runs) {
        for (int i = 0; i < run.count; ++i) times.push_back(run.from + i * run.step);
    }
    return times;
}

AVRational rateOf(const std::vector<double>& times, double average) {
    return exportFrameRate(average, typicalShortestInterval(times));
}

TEST(ExportFrameRate, VariableRateRecordingsRunAtTheirCaptureRate) {
    // One second of 60 fps motion in four: the average says 18.
    EXPECT_TRUE(same(rateOf(timesOf({{0, 1.0 / 60, 60}, {1.5, 0.5, 6}}), 66 / 4.0), {60, 1}));
    // The same at 59.94 snaps to the exact NTSC fraction; 61 fps of jitter still means 60.
    EXPECT_TRUE(same(rateOf(timesOf({{0, 1001.0 / 60000, 40}, {2, 0.7, 3}}), 20), {60000, 1001}));
    EXPECT_TRUE(same(rateOf(timesOf({{0, 1.0 / 61, 40}, {2, 0.7, 3}}), 20), {60, 1}));
    // Far from any standard rate: whole frames per second; never above the cap.
    EXPECT_TRUE(same(rateOf(timesOf({{0, 0.1, 6}, {1.5, 0.1, 4}}), 5.26), {10, 1}));
    EXPECT_TRUE(same(rateOf(timesOf({{0, 1.0 / 1000, 50}, {1, 1, 2}}), 25), {240, 1}));
}

// A constant-rate source keeps its own rate, exactly: 29.97 cut to 29 would drop a picture every
// second. Averages that containers store rounded still find their NTSC fraction, and the output
// never runs slower than the source.
TEST(ExportFrameRate, ConstantRateSourcesKeepTheirExactRateAndRequestedRatesAreExact) {
    EXPECT_TRUE(same(rateOf(timesOf({{0, 1001.0 / 30000, 90}}), 30000 / 1001.0), {30000, 1001}));
    for (const auto& [average, expected] : {std::pair{60000 / 1001.0, AVRational{60000, 1001}},
                                            {24000 / 1001.0, {24000, 1001}},
                                            {29.97, {30000, 1001}},
                                            {19001 / 317.0, {60000, 1001}},
                                            {59.94, {60000, 1001}},
                                            {29.98, {30, 1}},
                                            {25.0, {25, 1}},
                                            {12.5, {25, 2}},
                                            {0.0, {30, 1}},
                                            {kNaN, {30, 1}},
                                            {-5.0, {30, 1}},
                                            {0.5, {1, 1}},
                                            {90000.0, {kMaximumFrameRate, 1}},
                                            {kInf, {kMaximumFrameRate, 1}}}) {
        const AVRational rate = constantFrameRate(average);
        EXPECT_TRUE(same(rate, expected)) << average << " gave " << rate.num << "/" << rate.den;
        if (average >= 1 && average < kMaximumFrameRate) {
            EXPECT_GE(av_q2d(rate), average * (1 - 1e-5));
        }
    }

    // Millisecond timestamps of a 60 fps Matroska file: 16 and 17 ms.
    std::vector<double> mkv;
    for (int i = 0; i < 120; ++i) mkv.push_back(std::floor(i * 1000.0 / 60) / 1000);
    EXPECT_TRUE(same(rateOf(mkv, 60), {60, 1}));

    // One odd pair of timestamps 1 ms apart does not decide.
    std::vector<double> odd = timesOf({{0, 1.0 / 30, 60}});
    odd.push_back(odd.back() + 0.001);
    EXPECT_TRUE(same(rateOf(odd, 30), {30, 1}));

    // Nothing known about the timing: the average rule.
    EXPECT_TRUE(same(rateOf({}, 0), {30, 1}));
    EXPECT_TRUE(same(rateOf({0.5}, 0.5), {1, 1}));

    // A requested NTSC rate is its exact fraction.
    EXPECT_TRUE(same(frameRateFromFps(29.97), {30000, 1001}));
    EXPECT_TRUE(same(frameRateFromFps(23.976), {24000, 1001}));
}

// Times stored on a coarse grain alternate between the multiples either side of the interval:
// GIF's hundredths turn 15 fps into 6 and 7, which read as 16.7 fps alone, and 30 fps into 3 and
// 4 (33.3 fps).
TEST(ExportFrameRate, TimesOnACoarseGrainGiveTheRateTheyWereStoredFrom) {
    auto stored = [](double rate, int count, double grain, double from = 0) {
        std::vector<double> times;
        for (int i = 0; i < count; ++i) {
            times.push_back(std::round((from + i / rate) / grain) * grain);
        }
        return times;
    };
    for (const auto& [rate, expected] : {std::pair{15.0, AVRational{15, 1}},
                                         {30.0, {30, 1}},
                                         {20.0, {20, 1}},
                                         {24.0, {24, 1}}}) {
        const auto gif = stored(rate, 45, 0.01);
        const auto interval = typicalShortestInterval(gif, 0.01);
        ASSERT_TRUE(interval);
        EXPECT_NEAR(*interval, 1 / rate, 0.002) << rate;
        EXPECT_FALSE(isVariableRate(rate, interval)) << rate;
        EXPECT_TRUE(same(exportFrameRate(rate, interval), expected)) << rate;
        // FFmpeg 7 states such a GIF's rate as that of its shortest delay (15 fps as 16.7).
        const double stated = 100 / std::floor(100 / rate);
        EXPECT_TRUE(same(rateOnGrain(exportFrameRate(stated, interval), {1, 100}), expected))
            << rate << " as " << stated;
    }
    // A GIF's average, worked out from its hundredths, may read 29.83; it was not made at 29.97.
    EXPECT_TRUE(same(rateOnGrain(constantFrameRate(179 / 6.0), {1, 100}), {30, 1}));
    EXPECT_TRUE(same(rateOnGrain({60000, 1001}, {1, 100}), {60, 1}));
    EXPECT_TRUE(same(rateOnGrain({25, 1}, {1, 100}), {25, 1}));
    // Matroska's milliseconds and AVI's frame-long ticks hold NTSC recordings.
    EXPECT_TRUE(same(rateOnGrain({60000, 1001}, {1, 1000}), {60000, 1001}));
    EXPECT_TRUE(same(rateOnGrain({30000, 1001}, {1001, 30000}), {30000, 1001}));
    // Milliseconds are not coarse: bursts stored in them keep the low percentile, which snaps
    // to the whole rate phones capture at.
    auto bursts = stored(60, 60, 0.001);
    const auto later = stored(60, 60, 0.001, 3);
    bursts.insert(bursts.end(), later.begin(), later.end());
    EXPECT_EQ(typicalShortestInterval(bursts, 0.001), typicalShortestInterval(bursts));
    EXPECT_TRUE(isVariableRate(30, typicalShortestInterval(bursts, 0.001)));
    EXPECT_TRUE(same(exportFrameRate(30, typicalShortestInterval(bursts, 0.001)), {60, 1}));
    // A stream's grain as long as its frames (AVI) does not merge a dropped frame's gap.
    const auto avi = timesOf({{0, 1.0 / 30, 20}, {21.0 / 30, 1.0 / 30, 20}});
    EXPECT_NEAR(*typicalShortestInterval(avi, 1.0 / 30), 1.0 / 30, 1e-9);
}

// Matroska states the capture rate in its header. A bursts-and-stills stretch is judged by the
// pictures it holds; an even stream, or a short stretch a picture short, keeps the header's rate.
TEST(ExportFrameRate, AStretchWithFewerPicturesThanItsHeaderClaimsIsVariableRate) {
    const auto bursts = timesOf({{0, 1.0 / 60, 60}, {2, 1.0 / 60, 60}});  // 120 in 3 s
    const double average = stretchAverageRate(60, bursts.size(), 3.0);
    EXPECT_NEAR(average, 121 / 3.0, 1e-9);
    EXPECT_TRUE(isVariableRate(average, typicalShortestInterval(bursts)));
    EXPECT_TRUE(same(exportFrameRate(average, typicalShortestInterval(bursts)), {60, 1}));

    EXPECT_EQ(stretchAverageRate(60, 180, 3.0), 60);
    EXPECT_EQ(stretchAverageRate(30, 14, 0.5), 30);
    EXPECT_EQ(stretchAverageRate(0, 10, 3.0), 0);
    EXPECT_EQ(stretchAverageRate(60, 10, 0), 60);
}

}  // namespace
}  // namespace kestro
