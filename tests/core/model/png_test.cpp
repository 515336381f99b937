#include "core/model/png.hpp"
#include "core/platform.hpp"

#include "png_craft.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace kestro {
namespace {

using testing::Bytes;
using testing::makePng;
using testing::writeBytes;
using Samples = std::vector<std::uint16_t>;

std::uint16_t u16(std::uint32_t v) {
    return static_cast<std::uint16_t>(v);
}

// A w x h PNG at the bit depth and of the colour type given, pixel (x, y) holding `at(x, y)`.
Bytes png(std::uint32_t w, std::uint32_t h, int depth, int colour,
          std::function<Samples(std::uint32_t, std::uint32_t)> at, Bytes palette = {},
          Bytes trns = {}, bool interlaced = false) {
    return makePng(
        {w, h, depth, colour, interlaced, std::move(palette), std::move(trns), std::move(at)});
}

class PngLoading : public ::testing::Test {
protected:
    std::optional<Image> load(const Bytes& bytes) {
        const auto path = dir / ("case" + std::to_string(++count) + ".png");
        writeBytes(path, bytes);
        return loadPng(path);
    }
    std::size_t entries() const { return dir.entries().size(); }
    test::ScratchDir dir;
    int count = 0;
};

TEST_F(PngLoading, EveryColourTypeAndDepthBecomesRgba) {
    // Two bits a pixel: packed, with a padded last byte per row. Entry 2 has no alpha entry, so
    // it is opaque.
    const auto image =
        load(png(5, 3, 2, 3, [](auto x, auto y) { return Samples{u16((x + y) % 3)}; },
                 {255, 0, 0, 0, 255, 0, 0, 0, 255}, {0, 128}));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 5);
    ASSERT_EQ(image->height, 3);
    ASSERT_EQ(image->rgba.size(), 5u * 3u * 4u);
    EXPECT_EQ(image->at(0, 0), (Rgba{255, 0, 0, 0}));
    EXPECT_EQ(image->at(1, 0), (Rgba{0, 255, 0, 128}));
    EXPECT_EQ(image->at(2, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(image->at(4, 1), (Rgba{0, 0, 255, 255}));  // in the padded second byte

    // One bit a pixel, 9 wide: crosses a byte boundary.
    const auto bits = load(png(9, 2, 1, 0, [](auto x, auto) { return Samples{u16(x % 2)}; }));
    ASSERT_TRUE(bits);
    EXPECT_EQ(bits->at(0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(bits->at(8, 1), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(bits->at(7, 1), (Rgba{255, 255, 255, 255}));

    const auto greyAlpha16 = load(png(2, 2, 16, 4, [](auto x, auto y) {
        return Samples{u16(x ? 0xFFFF : 0x8080), u16(y ? 0x0000 : 0xFFFF)};
    }));
    ASSERT_TRUE(greyAlpha16);
    EXPECT_EQ(greyAlpha16->at(0, 0), (Rgba{128, 128, 128, 255}));
    EXPECT_EQ(greyAlpha16->at(1, 1), (Rgba{255, 255, 255, 0}));

    // A grey tRNS colour makes exactly that grey level transparent.
    const auto keyed =
        load(png(2, 1, 8, 0, [](auto x, auto) { return Samples{u16(x ? 7 : 8)}; }, {}, {0, 7}));
    ASSERT_TRUE(keyed);
    EXPECT_EQ(keyed->alpha(0, 0), 255);
    EXPECT_EQ(keyed->alpha(1, 0), 0);

    // Sixteen-bit RGB is scaled and gets opaque alpha.
    const auto rgb16 = load(png(3, 1, 16, 2, [](auto x, auto) {
        return Samples{u16(x == 0 ? 0 : x == 1 ? 0xFFFF : 0x7F7F), 0, 0xFFFF};
    }));
    ASSERT_TRUE(rgb16);
    EXPECT_EQ(rgb16->at(0, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(rgb16->at(1, 0), (Rgba{255, 0, 255, 255}));
    EXPECT_EQ(rgb16->at(2, 0), (Rgba{127, 0, 255, 255}));
}

TEST_F(PngLoading, InterlacedImageMatchesItsProgressiveTwin) {
    // 11 x 10 is no multiple of 8, so some Adam7 passes have short or empty rows.
    const auto rgba = [](auto x, auto y) {
        return Samples{u16(x * 20), u16(y * 25), u16(x ^ y), 200};
    };
    const auto progressive = load(png(11, 10, 8, 6, rgba));
    const auto interlaced = load(png(11, 10, 8, 6, rgba, {}, {}, true));
    ASSERT_TRUE(progressive);
    ASSERT_TRUE(interlaced);
    EXPECT_EQ(interlaced->at(10, 9), (Rgba{200, 225, 10 ^ 9, 200}));
    EXPECT_EQ(*interlaced, *progressive);
}

TEST_F(PngLoading, DamagedFilesGiveNone) {
    const Bytes good = png(64, 64, 8, 6, [](auto, auto) { return Samples{1, 2, 3, 4}; });
    ASSERT_TRUE(load(good));

    EXPECT_FALSE(load({}));
    EXPECT_FALSE(load(Bytes{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_FALSE(load(Bytes(good.begin(), good.begin() + 8)));  // signature only
    for (std::size_t cut : {33u, 60u, static_cast<unsigned>(good.size() / 2),
                            static_cast<unsigned>(good.size() - 13)}) {
        EXPECT_FALSE(load(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))))
            << "cut at " << cut;
    }
    Bytes badCrc = good;
    badCrc[29] ^= 0xFF;  // last byte of the IHDR CRC
    EXPECT_FALSE(load(badCrc));
    Bytes badPixels = good;
    badPixels[good.size() / 2] ^= 0x55;  // inside the stored data: the zlib checksum fails
    EXPECT_FALSE(load(badPixels));

    EXPECT_FALSE(loadPng(dir / "missing.png"));
    EXPECT_FALSE(loadPng(dir.path()));  // a folder
}

long peakResidentKilobytes() {
    return static_cast<long>(platform::peakResidentBytes() / 1024);
}

TEST_F(PngLoading, ForgedHugeDimensionsGiveNoneWithoutReservingTheMemory) {
    EXPECT_FALSE(load(png(16385, 1, 8, 0, [](auto, auto) { return Samples{0}; })));

    // Headers claiming the largest allowed size (a 1 GiB picture) or absurd ones, followed by a
    // few bytes of data: none, and the peak memory of the process must not jump.
    const long before = peakResidentKilobytes();
    for (auto [w, h] : {std::pair{16384u, 16384u}, std::pair{0x7FFFFFFFu, 0x7FFFFFFFu},
                        std::pair{1u, 1000000u}}) {
        Bytes forged{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        Bytes ihdr;
        testing::putBE32(ihdr, w);
        testing::putBE32(ihdr, h);
        ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
        testing::putChunk(forged, "IHDR", ihdr);
        testing::putChunk(forged, "IDAT", testing::zlibStored(Bytes(100, 0)));
        testing::putChunk(forged, "IEND", {});
        EXPECT_FALSE(load(forged)) << w << " x " << h;
    }
    EXPECT_LT(peakResidentKilobytes() - before, 200 * 1024);
}

TEST_F(PngLoading, SaveRoundTripsAndAFailedSaveLeavesTheEarlierFileAlone) {
    Image image = Image::filled(7, 5, {10, 20, 30, 255});
    image.set(6, 4, {1, 2, 3, 0});
    image.set(0, 0, {250, 128, 0, 77});
    const auto path = dir / "out.png";
    writeBytes(path, Bytes{'o', 'l', 'd'});

    const auto saved = savePng(image, path);
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_EQ(loadPng(path), image);  // straight alpha: colour under alpha 0 survives
    // Nothing but the destination is left in the folder.
    EXPECT_EQ(entries(), 1u);

    // Failures leave the earlier file and nothing else.
    EXPECT_FALSE(savePng(Image{}, path));
    EXPECT_FALSE(savePng(Image{4, 4, std::vector<std::uint8_t>(10)}, path));
    EXPECT_EQ(loadPng(path), image);

    const auto missingFolder = dir / "no" / "such" / "folder.png";
    const auto result = savePng(Image::filled(2, 2), missingFolder);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().find("no/such"), std::string::npos) << result.error();
    EXPECT_EQ(entries(), 1u);
}

}  // namespace
}  // namespace kestro
