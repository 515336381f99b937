// The export's frame rate from the times the pictures were captured at.

#include "core/export/export_frame_rate.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

namespace kestro {
namespace {

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

TEST(ExportFrameRate, ConstantRateSourcesKeepTheirAverageRuleAndRequestedRatesAreExact) {
    // Cut toward zero, as ever.
    EXPECT_TRUE(same(rateOf(timesOf({{0, 1001.0 / 30000, 90}}), 30000 / 1001.0), {29, 1}));

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

}  // namespace
}  // namespace kestro
