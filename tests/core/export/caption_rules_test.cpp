// What caption text is accepted, how captions fade, and where they sit on the canvas.

#include "core/text/caption.hpp"
#include "core/text/caption_placement.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro {
namespace {

TEST(CaptionText, AcceptsAnyScriptAndLineBreaks) {
    for (const std::string text :
         {"Tap Settings", "two\nlines", "设置", "الإعدادات", "הגדרות", "सेटिंग्स", "🎉 done",
          " padded "}) {
        EXPECT_EQ(captionTextProblem(text), std::nullopt) << text;
    }
}

TEST(CaptionText, RefusesBrokenEmptyAndControlText) {
    const std::vector<std::string> broken{
        "\xff",              // never a UTF-8 byte
        "a\x80",             // a lone continuation byte
        "\xc0\xaf",          // an overlong '/'
        "\xed\xa0\x80",      // a UTF-16 surrogate
        "\xf4\x90\x80\x80",  // past U+10FFFF
        "\xe8\xae",          // cut short
    };
    for (const std::string& text : broken) {
        EXPECT_EQ(captionTextProblem(text), "the text is not valid UTF-8");
    }
    for (const std::string text : {"a\tb", "\x1b[31mred", "a\rb", "next\xc2\x85line"}) {
        EXPECT_EQ(captionTextProblem(text), "the text holds a control character") << text;
    }
    // Blanks other than the space draw nothing either: an input method's ideographic space, a
    // no-break space, zero-width ones and a byte-order mark.
    for (const std::string text :
         {"", "   ", "\n\n", "\u3000\u3000", "\u00a0 \n", "\u200b\u200d\u2060", "\ufeff",
          "\u2003\u202f\u205f"}) {
        EXPECT_EQ(captionTextProblem(text), "the text is empty") << text;
    }
    for (const std::string text : {"\u3000a", "\u200d\U0001f469", "\u00a0\u0661"}) {
        EXPECT_EQ(captionTextProblem(text), std::nullopt) << text;
    }
}

TEST(CaptionText, RefusesBadTimesSizesAndPoints) {
    Caption good;
    good.text = "hi";
    good.start = 1;
    good.end = 2;
    EXPECT_EQ(captionProblem(good), std::nullopt);
    auto broken = [&](auto change) {
        Caption c = good;
        change(c);
        return captionProblem(c).has_value();
    };
    EXPECT_TRUE(broken([](Caption& c) { c.end = 1; }));
    EXPECT_TRUE(broken([](Caption& c) { c.start = -0.5; }));
    EXPECT_TRUE(broken([](Caption& c) { c.end = std::numeric_limits<double>::infinity(); }));
    EXPECT_TRUE(broken([](Caption& c) { c.sizePercent = 0.5; }));
    EXPECT_TRUE(broken([](Caption& c) { c.sizePercent = 26; }));
    EXPECT_TRUE(broken([](Caption& c) { c.fadeIn = -1; }));
    EXPECT_TRUE(broken([](Caption& c) { c.pillOpacity = 1.5; }));
    EXPECT_TRUE(broken([](Caption& c) {
        c.position = CaptionPosition::point;
        c.pointX = 120;
    }));
}

TEST(CaptionOpacity, ShowsOnlyInsideItsIntervalAndFades) {
    Caption c;
    c.start = 1;
    c.end = 3;
    c.fadeIn = 0.5;
    c.fadeOut = 0.5;
    EXPECT_EQ(captionOpacityAt(c, 0.99), 0);
    EXPECT_NEAR(captionOpacityAt(c, 1.25), 0.5, 1e-9);
    EXPECT_EQ(captionOpacityAt(c, 2), 1);
    EXPECT_NEAR(captionOpacityAt(c, 2.75), 0.5, 1e-9);
    EXPECT_EQ(captionOpacityAt(c, 3), 0);  // the end is not shown
    // A caption shorter than its fades still reaches full strength in its middle.
    c.end = 1.4;
    EXPECT_NEAR(captionOpacityAt(c, 1.2), 1, 1e-9);
}

Caption at(CaptionPosition position, double start, double end) {
    Caption c;
    c.text = "x";
    c.position = position;
    c.start = start;
    c.end = end;
    return c;
}

bool overlap(const CaptionBox& a, const CaptionBox& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

TEST(CaptionPlacement, BesideTheDeviceWhenThereIsRoomElseOverIt) {
    const std::vector<Caption> captions{at(CaptionPosition::bottom, 0, 1),
                                        at(CaptionPosition::top, 0, 1)};
    const std::vector<CaptionBox> sizes{{0, 0, 200, 40}, {0, 0, 200, 40}};
    // 200 px of background above and below the device.
    const PlacementCanvas roomy{1000, 1000, 300, 200, 400, 600};
    auto boxes = placeCaptions(captions, sizes, roomy);
    EXPECT_GE(boxes[0].y, 800);
    EXPECT_LE(boxes[1].y + boxes[1].height, 200);
    EXPECT_EQ(boxes[0].x, 400);  // centred
    // 20 px: not enough for a 40 px caption, so it goes over the device, inside its box.
    const PlacementCanvas tight{1000, 1000, 300, 20, 400, 960};
    boxes = placeCaptions(captions, sizes, tight);
    EXPECT_GT(boxes[0].y, 20);
    EXPECT_LT(boxes[0].y + boxes[0].height, 980);
    EXPECT_GT(boxes[1].y, 20);
    // A caption larger than the canvas is kept centred on it, others kept on it.
    boxes = placeCaptions({at(CaptionPosition::bottom, 0, 1)}, {{0, 0, 300, 40}}, {200, 100});
    EXPECT_EQ(boxes[0].x, -50);
    EXPECT_GE(boxes[0].y, 0);
}

TEST(CaptionPlacement, CaptionsShownTogetherStackAndKeepTheirPlace) {
    const PlacementCanvas canvas{1000, 1000, 0, 0, 1000, 1000};
    const std::vector<Caption> captions{
        at(CaptionPosition::bottom, 0, 4), at(CaptionPosition::bottom, 1, 2),
        at(CaptionPosition::bottom, 3, 5),  // overlaps only the first: takes the second slot
        at(CaptionPosition::bottom, 6, 7),  // alone: the first slot
        at(CaptionPosition::top, 0, 4)};
    const std::vector<CaptionBox> sizes(captions.size(), CaptionBox{0, 0, 300, 50});
    const auto boxes = placeCaptions(captions, sizes, canvas);
    EXPECT_FALSE(overlap(boxes[0], boxes[1]));
    EXPECT_FALSE(overlap(boxes[0], boxes[2]));
    EXPECT_EQ(boxes[1].y, boxes[2].y);
    EXPECT_EQ(boxes[3].y, boxes[0].y);
    EXPECT_LT(boxes[1].y, boxes[0].y);  // bottom captions stack upward
    EXPECT_LT(boxes[4].y, boxes[1].y);
}

TEST(CaptionPlacement, AStackTooTallForItsEdgeMovesOntoTheCanvasWhole) {
    // Three tall captions over a device filling the canvas: stacked from the bottom inset they
    // would reach above the top, and each clamped on its own would cover the next.
    const PlacementCanvas canvas{400, 900, 0, 0, 400, 900};
    for (const CaptionPosition position :
         {CaptionPosition::bottom, CaptionPosition::top, CaptionPosition::centre}) {
        SCOPED_TRACE(static_cast<int>(position));
        const std::vector<Caption> captions{at(position, 0, 1), at(position, 0, 1),
                                            at(position, 0, 1)};
        const std::vector<CaptionBox> sizes(3, CaptionBox{0, 0, 300, 280});
        const auto boxes = placeCaptions(captions, sizes, canvas);
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_GE(boxes[i].y, 0);
            EXPECT_LE(boxes[i].y + boxes[i].height, canvas.height);
            for (size_t j = 0; j < i; ++j) EXPECT_FALSE(overlap(boxes[i], boxes[j])) << i << j;
        }
    }
}

}  // namespace
}  // namespace kestro
