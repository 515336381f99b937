#include "core/model/frame_image.hpp"
#include "core/model/frame_orientation.hpp"
#include "core/model/png.hpp"

#include "png_craft.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

using test::ScratchDir;

constexpr Rgba kOpaque{20, 20, 20, 255};
constexpr Rgba kClear{0, 0, 0, 0};

// An opaque W x H image with a transparent rectangle [x0, x1] x [y0, y1] (inclusive, rows from
// the top).
Image frameWithOpening(int w, int h, int x0, int y0, int x1, int y1) {
    Image image = Image::filled(w, h, kOpaque);
    image.fillRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1, kClear);
    return image;
}

void expectRect(const std::optional<ScreenRect>& r, double x, double y, double w, double h) {
    ASSERT_TRUE(r);
    EXPECT_NEAR(r->x, x, 1e-9);
    EXPECT_NEAR(r->y, y, 1e-9);
    EXPECT_NEAR(r->w, w, 1e-9);
    EXPECT_NEAR(r->h, h, 1e-9);
}

class FrameLookup : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir.path() / "Frames"); }
    std::filesystem::path put(const std::string& relative, const Image& image) {
        const auto path = dir.path() / relative;
        EXPECT_TRUE(savePng(image, path));
        return path;
    }
    ScratchDir dir;
};

TEST_F(FrameLookup, FindsTopLevelThenFramesKeysWithOrWithoutExtension) {
    const Image tiny = Image::filled(2, 2, kOpaque);
    const auto top = put("iphone15portrait.png", tiny);
    const auto inFrames = put("Frames/iphone16problack.png", tiny);
    const auto& r = dir.path();

    EXPECT_EQ(frameImageURL("iphone15portrait", r), top);
    EXPECT_EQ(frameImageURL("iphone15portrait.png", r), top);
    EXPECT_EQ(frameImageURL("Frames/iphone16problack", r), inFrames);
    EXPECT_EQ(frameImageURL("iphone16problack", r), inFrames);
    EXPECT_EQ(frameImageURL("Frames/iphone16problack.png", r), inFrames);
    EXPECT_EQ(frameImageURL("iphone16problack.png", r), std::nullopt);
    EXPECT_EQ(frameImageURL("nothing", r), std::nullopt);
    EXPECT_EQ(frameImageURL("", r), std::nullopt);
    EXPECT_EQ(frameImageURL("Frames/iphone16problack", r / "missing"), std::nullopt);

    // The top level wins over Frames, and folders do not count.
    const auto model = put("model.png", tiny);
    put("Frames/model.png", tiny);
    EXPECT_EQ(frameImageURL("model", r), model);

    // Seven leading characters are dropped whether or not they spell "Frames/".
    const auto dropped = put("Frames/model2.png", tiny);
    EXPECT_EQ(frameImageURL("1234567model2", r), dropped);

    std::filesystem::create_directories(dir.path() / "folder.png");
    EXPECT_EQ(frameImageURL("folder", r), std::nullopt);
}

TEST_F(FrameLookup, LoadingTrimsAndUndecodableFilesGiveNone) {
    Image padded = Image::filled(10, 8, kClear);
    padded.fillRect(2, 1, 5, 4, kOpaque);
    put("Frames/padded.png", padded);
    const auto loaded = loadFrameImage("Frames/padded", dir.path());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->width, 5);
    EXPECT_EQ(loaded->height, 4);

    testing::writeBytes(dir.path() / "Frames/broken.png", {'n', 'o', 'p', 'e'});
    EXPECT_EQ(loadFrameImage("Frames/broken", dir.path()), std::nullopt);
    EXPECT_EQ(loadFrameImage("Frames/absent", dir.path()), std::nullopt);
}

TEST(FrameTrim, CropsToCoveredPixelsKeepingTheirColoursAndLeavesUntrimmableImagesAlone) {
    Image image = Image::filled(1200, 2600, kClear);
    image.fillRect(50, 40, 1100, 2520, kOpaque);
    image.set(50, 40, {1, 2, 3, 4});
    image.set(1149, 2559, {5, 6, 7, 8});
    const Image trimmed = trimTransparentBorders(image);
    EXPECT_EQ(trimmed.width, 1100);
    EXPECT_EQ(trimmed.height, 2520);
    ASSERT_EQ(trimmed.rgba.size(), trimmed.byteCount());
    EXPECT_EQ(trimmed.at(0, 0), (Rgba{1, 2, 3, 4}));
    EXPECT_EQ(trimmed.at(1099, 2519), (Rgba{5, 6, 7, 8}));

    // Alpha 1 is covered for trimming (only 0 is cut), although detection calls it transparent.
    Image faint = Image::filled(6, 6, kClear);
    faint.set(1, 2, {0, 0, 0, 1});
    faint.set(4, 3, {0, 0, 0, 1});
    const Image cropped = trimTransparentBorders(faint);
    EXPECT_EQ(cropped.width, 4);
    EXPECT_EQ(cropped.height, 2);

    const Image clear = Image::filled(5, 3, kClear);
    EXPECT_EQ(trimTransparentBorders(clear), clear);
    EXPECT_EQ(trimTransparentBorders(Image{}), Image{});
    const Image full = Image::filled(3, 3, kOpaque);
    EXPECT_EQ(trimTransparentBorders(full), full);
}

TEST(ScreenDetection, OpeningIsInPercentWithYTheBottomMargin) {
    expectRect(detectScreenRect(frameWithOpening(1000, 2000, 90, 120, 909, 1879)), 9, 6, 82, 88);
    // 100 rows above the opening, 300 below: renderers read y from the bottom, so y must be 15%
    // (300 / 2000), not the 5% of the top margin.
    const Image frame = frameWithOpening(1000, 2000, 100, 100, 899, 1699);
    expectRect(detectScreenRect(frame), 10, 15, 80, 80);
    // Mirrored vertically, the opening sits low and y follows.
    expectRect(detectScreenRect(frameWithOpening(1000, 2000, 100, 300, 899, 1899)), 10, 5, 80, 80);

    // Alpha 1 counts as transparent; runs stop at the image's edges and at the alpha-2 band.
    Image image = Image::filled(100, 100, {0, 0, 0, 1});
    image.fillRect(0, 0, 100, 10, {0, 0, 0, 2});
    expectRect(detectScreenRect(image), 0, 0, 100, 90);

    // A 1 x 1 image: the centre is the whole image.
    expectRect(detectScreenRect(Image::filled(1, 1, kClear)), 0, 0, 100, 100);
}

TEST(ScreenDetection, SeedIsSearchedNearTheCentreOnly) {
    // Centre opaque; a transparent column 5% of the width to the right of the centre.
    Image nearby = Image::filled(200, 400, kOpaque);
    nearby.fillRect(110, 50, 20, 300, kClear);
    expectRect(detectScreenRect(nearby), 55, 12.5, 10, 75);

    // The nearest transparent pixel more than 10% away in both directions: none.
    Image far = Image::filled(200, 400, kOpaque);
    far.fillRect(0, 0, 70, 150, kClear);
    EXPECT_EQ(detectScreenRect(far), std::nullopt);

    EXPECT_EQ(detectScreenRect(Image::filled(50, 50, kOpaque)), std::nullopt);
    EXPECT_EQ(detectScreenRect(Image{}), std::nullopt);
}

// A phone frame as users bring them: a black pill (a camera island) or a round camera hole drawn
// over the top of the display on its centre column, inside the transparent opening.
TEST(ScreenDetection, CameraCutoutsInsideTheOpeningDoNotShortenIt) {
    const Image plain = frameWithOpening(1000, 2000, 90, 120, 909, 1879);
    const auto expected = detectScreenRect(plain);
    ASSERT_TRUE(expected.has_value());

    Image island = plain;
    island.fillRect(500 - 160, 120 + 30, 320, 95, kOpaque);
    EXPECT_EQ(detectScreenRect(island), expected);

    Image hole = plain;
    for (int y = 150; y < 190; ++y)
        for (int x = 480; x < 520; ++x)
            if ((x - 500) * (x - 500) + (y - 170) * (y - 170) <= 400) hole.set(x, y, kOpaque);
    EXPECT_EQ(detectScreenRect(hole), expected);

    // Turned to landscape the island lies across the middle row, on the left; the opening is
    // the plain frame's, turned.
    const auto turned = detectScreenRect(turnedQuarter(plain, true));
    ASSERT_TRUE(turned.has_value());
    EXPECT_EQ(detectScreenRect(turnedQuarter(island, true)), turned);
    EXPECT_EQ(detectScreenRect(turnedQuarter(hole, true)), turned);

    // An iPhone X style notch, 60 % of the display's width and joined to the bezel above it,
    // in a display whose corners are round: every column a quarter in from the sides or nearer
    // the middle runs into the notch.
    Image notch = plain;
    const int radius = 80;
    for (int y = 120; y < 120 + radius; ++y)
        for (int dx = 0; dx < radius; ++dx) {
            const int ry = radius - (y - 120);
            if ((radius - dx) * (radius - dx) + ry * ry <= radius * radius) continue;
            for (const int x : {90 + dx, 909 - dx}) {
                notch.set(x, y, kOpaque);
                notch.set(x, 120 + 1879 - y, kOpaque);
            }
        }
    notch.fillRect(500 - 246, 120, 492, 60, kOpaque);
    EXPECT_EQ(detectScreenRect(notch), expected);
    EXPECT_EQ(detectScreenRect(turnedQuarter(notch, true)), turned);
    EXPECT_EQ(detectScreenRect(turnedQuarter(notch, false)),
              detectScreenRect(turnedQuarter(plain, false)));

    // Read from a user's PNG file, trimmed as frame-info reads it.
    test::ScratchDir dir;
    ASSERT_TRUE(savePng(island, dir / "my-phone.png"));
    const auto loaded = loadTrimmedPng(dir / "my-phone.png");
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(detectScreenRect(*loaded), expected);
}

}  // namespace
}  // namespace kestro
