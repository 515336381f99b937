// Captions drawn with real fonts, laid over composed pictures only inside their interval, and
// drawn the same on the preview canvas.

#include "core/export/caption_overlay.hpp"
#include "core/text/text_renderer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

namespace kestro {
namespace {

namespace fs = std::filesystem;

// Pixels that differ between two same-sized images, or -1 when their sizes differ.
long differentPixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    long count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) count += a.at(x, y) == b.at(x, y) ? 0 : 1;
    }
    return count;
}

Caption caption(const std::string& text) {
    Caption c;
    c.text = text;
    c.start = 1;
    c.end = 2;
    c.sizePercent = 10;
    return c;
}

TEST(TextRenderer, ArabicChineseAndEmojiFindRealGlyphs) {
    TextRenderer system;
    // A font setup that holds no fonts at all: what a machine without them would draw.
    TextRenderer missing(std::vector<fs::path>{});
    for (const std::string text : {"افتح الإعدادات", "打开设置", "הגדרות", "सेटिंग्स", "🎉"}) {
        const RenderedText real = system.caption(caption(text), 640, 480);
        const RenderedText boxes = missing.caption(caption(text), 640, 480);
        EXPECT_EQ(real.unknownGlyphs, 0) << text;
        EXPECT_GT(boxes.unknownGlyphs, 0) << text;
        EXPECT_NE(real.image, boxes.image) << text;
    }
    // Two different Chinese texts of one length look different; the boxes of a font-less
    // renderer would only differ in their tiny hexadecimal digits.
    const Image one = system.caption(caption("打开设置"), 640, 480).image;
    const Image two = system.caption(caption("关闭声音"), 640, 480).image;
    ASSERT_EQ(one.width, two.width);
    EXPECT_GT(differentPixels(one, two), one.width * one.height / 20);
    EXPECT_EQ(system.caption(caption("Settings"), 640, 480).unknownGlyphs, 0);
}

TEST(TextRenderer, SizeFollowsTheCanvasHeightAndLinesStack) {
    TextRenderer renderer;
    const Image small = renderer.caption(caption("Settings"), 640, 360).image;
    const Image large = renderer.caption(caption("Settings"), 1280, 720).image;
    EXPECT_NEAR(static_cast<double>(large.height) / small.height, 2.0, 0.1);
    const Image twoLines = renderer.caption(caption("Settings\nSettings"), 640, 360).image;
    EXPECT_GT(twoLines.height, small.height * 3 / 2);
    // A long line wraps inside the canvas.
    const Image wrapped = renderer.caption(
        caption("a caption far too long to fit on a single line of this small canvas"), 640, 360).image;
    EXPECT_LE(wrapped.width, 640);
}

AVFramePtr greyPicture(int w, int h) {
    AVFramePtr frame = makeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = w;
    frame->height = h;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    for (int p = 0; p < 3; ++p) {
        const int rows = p ? h / 2 : h;
        for (int y = 0; y < rows; ++y) {
            std::memset(frame->data[p] + static_cast<ptrdiff_t>(y) * frame->linesize[p],
                        p ? 128 : 126, static_cast<size_t>(p ? w / 2 : w));
        }
    }
    return frame;
}

int lumaChanges(const AVFrame& a, const AVFrame& b) {
    int count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            count += a.data[0][y * a.linesize[0] + x] != b.data[0][y * b.linesize[0] + x];
        }
    }
    return count;
}

TEST(CaptionOverlay, DrawsOnlyInsideTheIntervalAndLeavesTheComposedPictureAlone) {
    TextRenderer renderer;
    CaptionOverlaySetup setup;
    setup.canvas = {320, 240};
    setup.duration = 3;
    Caption c = caption("Tap here");
    c.fadeIn = c.fadeOut = 0.2;
    setup.story.captions = {c, caption("late"), caption("after the end")};
    setup.story.captions[1].start = 2.5, setup.story.captions[1].end = 9;  // cut at 3 s
    setup.story.captions[2].start = 3.5, setup.story.captions[2].end = 4;  // never seen
    auto overlay = CaptionOverlay::create(setup, renderer);
    ASSERT_TRUE(overlay) << overlay.error();
    const AVFramePtr grey = greyPicture(320, 240);
    const AVFramePtr untouched = greyPicture(320, 240);
    for (double t : {0.0, 0.99, 2.0, 2.4, 3.0, 3.6}) {
        auto out = (*overlay)->apply(*grey, t);
        ASSERT_TRUE(out);
        EXPECT_EQ(lumaChanges(**out, *grey), 0) << t;
        EXPECT_EQ((*out)->data[0], grey->data[0]) << "nothing to draw: the same picture";
    }
    int full = 0;
    for (double t : {1.1, 1.5, 1.9, 2.7}) {
        auto out = (*overlay)->apply(*grey, t);
        ASSERT_TRUE(out);
        const int changed = lumaChanges(**out, *grey);
        EXPECT_GT(changed, 500) << t;
        if (t == 1.5) full = changed;
    }
    EXPECT_GT(full, 0);
    EXPECT_EQ(lumaChanges(*grey, *untouched), 0) << "drawn on a copy";

    // The preview's drawing covers the same pixels as the export's.
    Image canvas = Image::filled(320, 240, {120, 120, 120, 255});
    const Image plain = canvas;
    (*overlay)->drawOn(canvas, 1.5);
    EXPECT_NEAR(static_cast<double>(differentPixels(canvas, plain)), full, full * 0.05);
}

// A transparent MOV keeps straight colour: the pill over nothing is black at the pill's
// opacity, not a darkened premultiplied value.
TEST(CaptionOverlay, OverTransparencyTheColourStaysStraight) {
    TextRenderer renderer;
    CaptionOverlaySetup setup;
    setup.canvas = {320, 240};
    setup.duration = 3;
    Caption c = caption("Tap");
    c.fadeIn = c.fadeOut = 0;
    c.pillOpacity = 0.5;
    c.pillColour = {255, 255, 255, 255};
    setup.story.captions = {c};
    auto overlay = CaptionOverlay::create(setup, renderer);
    ASSERT_TRUE(overlay) << overlay.error();
    AVFramePtr clear = makeFrame();
    clear->format = AV_PIX_FMT_YUVA444P10LE;
    clear->width = 320;
    clear->height = 240;
    ASSERT_EQ(av_frame_get_buffer(clear.get(), 0), 0);
    for (int p = 0; p < 4; ++p) {
        for (int y = 0; y < 240; ++y) {
            auto* row = reinterpret_cast<uint16_t*>(clear->data[p] + y * clear->linesize[p]);
            std::fill(row, row + 320, static_cast<uint16_t>(p == 0 ? 64 : p == 3 ? 0 : 512));
        }
    }
    auto out = (*overlay)->apply(*clear, 1.5);
    ASSERT_TRUE(out);
    int pill = 0;
    for (int y = 0; y < 240; ++y) {
        const auto* luma = reinterpret_cast<const uint16_t*>((*out)->data[0] + y * (*out)->linesize[0]);
        const auto* alpha = reinterpret_cast<const uint16_t*>((*out)->data[3] + y * (*out)->linesize[3]);
        for (int x = 0; x < 320; ++x) {
            if (alpha[x] < 500 || alpha[x] > 524) continue;  // the pill alone, at half opacity
            ++pill;
            EXPECT_NEAR(luma[x], 940, 4) << x << "," << y;
        }
    }
    EXPECT_GT(pill, 1000);
}

TEST(CaptionOverlay, TitleCardsCoverTheStartAndTheEnd) {
    TextRenderer renderer;
    CaptionOverlaySetup setup;
    setup.canvas = {320, 240};
    setup.duration = 6;
    setup.background = BackgroundFill::white();
    TitleCard card;
    card.title = "Kestro";
    card.subtitle = "الإطار";
    card.seconds = 2;
    card.fade = 0.5;
    setup.story.intro = card;
    setup.story.outro = card;
    auto overlay = CaptionOverlay::create(setup, renderer);
    ASSERT_TRUE(overlay) << overlay.error();
    Image canvas = Image::filled(320, 240, {0, 0, 0, 255});
    (*overlay)->drawOn(canvas, 0.5);
    EXPECT_EQ(canvas.at(5, 5), (Rgba{255, 255, 255, 255})) << "the card hides the device";
    canvas = Image::filled(320, 240, {0, 0, 0, 255});
    (*overlay)->drawOn(canvas, 1.75);
    EXPECT_NEAR(canvas.at(5, 5).r, 128, 3) << "half way through the fade to the device";
    canvas = Image::filled(320, 240, {0, 0, 0, 255});
    (*overlay)->drawOn(canvas, 3);
    EXPECT_EQ(canvas.at(5, 5), (Rgba{0, 0, 0, 255}));
    (*overlay)->drawOn(canvas, 5.9);
    EXPECT_EQ(canvas.at(5, 5), (Rgba{255, 255, 255, 255}));

    setup.story.intro->title = "\xff";
    EXPECT_FALSE(CaptionOverlay::create(setup, renderer));
}

}  // namespace
}  // namespace kestro
