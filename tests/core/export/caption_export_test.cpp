// Captions in an exported movie whose recording holds still pictures between bursts of motion.

#include "exporter_support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace kestro {
namespace {

// A caption that appears while the recording holds one picture still must still appear on
// time: the held picture is not simply repeated.
TEST(CaptionExport, ACaptionAppearsDuringAStillStretch) {
    test::ScratchDir dir;
    const auto counting = test::makeCountingMovie(dir / "count.mp4", 60, 35);
    // Motion for half a second, then a picture every half second.
    const auto source = test::makeWithFfmpeg(
        dir / "burst.mp4",
        "-i " + test::shellQuote(counting.string()) +
            " -vf \"setpts='if(lt(N,30),N/60,0.5+(N-29)*0.5)/TB'\""
            " -fps_mode vfr -enc_time_base 1/600 -c:v libx264 -preset ultrafast -qp 0");
    ASSERT_FALSE(source.empty());
    ExportConfig config = test::smallConfig();
    Caption caption;
    caption.text = "■■■";
    caption.start = 1.2;
    caption.end = 1.4;
    caption.fadeIn = caption.fadeOut = 0;
    caption.position = CaptionPosition::centre;
    caption.sizePercent = 10;
    caption.pillOpacity = 1;
    config.story.captions = {caption};
    const auto out = dir / "out.mp4";
    ASSERT_TRUE(test::exported(source, config, out));
    const auto luma = test::lumaAt(out, 100, 200, 60);
    ASSERT_GE(luma.size(), 100u);
    // The source holds one picture from 1.0 s to 1.5 s.
    const int before = luma[66], during = luma[78], after = luma[87];
    EXPECT_LE(std::abs(before - after), 2);
    EXPECT_GT(std::abs(during - before), 30);
}

}  // namespace
}  // namespace kestro
