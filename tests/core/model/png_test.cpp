#include "core/model/png.hpp"
#include "core/platform.hpp"

#include "png_craft.hpp"

#include <gtest/gtest.h>


namespace kestro {
namespace {

using testing::Bytes;
using testing::makePng;
using testing::PngRecipe;
using testing::TempDir;
using testing::writeBytes;

class PngLoading : public ::testing::Test {
protected:
    std::optional<Image> load(const Bytes& bytes) {
        const auto path = dir.path() / ("case" + std::to_string(++count) + ".png");
        writeBytes(path, bytes);
        return loadPng(path);
    }
    TempDir dir;
    int count = 0;
};

Rgba at(const Image& image, int x, int y) {
    return image.at(x, y);
}

TEST_F(PngLoading, PaletteWithTransparencyExpandsToRgba) {
    PngRecipe recipe;
    recipe.width = 5;
    recipe.height = 3;
    recipe.colourType = 3;
    recipe.bitDepth = 2;  // packed, with a padded last byte per row
    recipe.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    recipe.trns = {0, 128};  // entry 2 has no alpha entry, so it is opaque
    recipe.samples = [](std::uint32_t x, std::uint32_t y) {
        return std::vector<std::uint16_t>{static_cast<std::uint16_t>((x + y) % 3)};
    };
    const auto image = load(makePng(recipe));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 5);
    ASSERT_EQ(image->height, 3);
    ASSERT_EQ(image->rgba.size(), 5u * 3u * 4u);
    EXPECT_EQ(at(*image, 0, 0), (Rgba{255, 0, 0, 0}));
    EXPECT_EQ(at(*image, 1, 0), (Rgba{0, 255, 0, 128}));
    EXPECT_EQ(at(*image, 2, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(at(*image, 4, 1), (Rgba{0, 0, 255, 255}));  // in the padded second byte
}

TEST_F(PngLoading, GreyFormatsBecomeOpaqueOrTranslucentRgb) {
    PngRecipe oneBit;
    oneBit.width = 9;  // crosses a byte boundary
    oneBit.height = 2;
    oneBit.colourType = 0;
    oneBit.bitDepth = 1;
    oneBit.samples = [](std::uint32_t x, std::uint32_t) {
        return std::vector<std::uint16_t>{static_cast<std::uint16_t>(x % 2)};
    };
    const auto bits = load(makePng(oneBit));
    ASSERT_TRUE(bits);
    EXPECT_EQ(at(*bits, 0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(at(*bits, 8, 1), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(at(*bits, 7, 1), (Rgba{255, 255, 255, 255}));

    PngRecipe greyAlpha16;
    greyAlpha16.width = 2;
    greyAlpha16.height = 2;
    greyAlpha16.colourType = 4;
    greyAlpha16.bitDepth = 16;
    greyAlpha16.samples = [](std::uint32_t x, std::uint32_t y) {
        return std::vector<std::uint16_t>{static_cast<std::uint16_t>(x ? 0xFFFF : 0x8080),
                                          static_cast<std::uint16_t>(y ? 0x0000 : 0xFFFF)};
    };
    const auto wide = load(makePng(greyAlpha16));
    ASSERT_TRUE(wide);
    EXPECT_EQ(at(*wide, 0, 0), (Rgba{128, 128, 128, 255}));
    EXPECT_EQ(at(*wide, 1, 1), (Rgba{255, 255, 255, 0}));

    // A grey tRNS colour makes exactly that grey level transparent.
    PngRecipe keyed;
    keyed.width = 2;
    keyed.colourType = 0;
    keyed.trns = {0, 7};
    keyed.samples = [](std::uint32_t x, std::uint32_t) {
        return std::vector<std::uint16_t>{static_cast<std::uint16_t>(x ? 7 : 8)};
    };
    const auto keyedImage = load(makePng(keyed));
    ASSERT_TRUE(keyedImage);
    EXPECT_EQ(keyedImage->alpha(0, 0), 255);
    EXPECT_EQ(keyedImage->alpha(1, 0), 0);
}

TEST_F(PngLoading, SixteenBitRgbIsScaledAndGetsOpaqueAlpha) {
    PngRecipe recipe;
    recipe.width = 3;
    recipe.height = 1;
    recipe.colourType = 2;
    recipe.bitDepth = 16;
    recipe.samples = [](std::uint32_t x, std::uint32_t) {
        const auto v = static_cast<std::uint16_t>(x == 0 ? 0 : x == 1 ? 0xFFFF : 0x7F7F);
        return std::vector<std::uint16_t>{v, 0, 0xFFFF};
    };
    const auto image = load(makePng(recipe));
    ASSERT_TRUE(image);
    EXPECT_EQ(at(*image, 0, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(at(*image, 1, 0), (Rgba{255, 0, 255, 255}));
    EXPECT_EQ(at(*image, 2, 0), (Rgba{127, 0, 255, 255}));
}

TEST_F(PngLoading, InterlacedImageMatchesItsProgressiveTwin) {
    PngRecipe recipe;
    recipe.width = 11;  // not a multiple of 8, so some Adam7 passes have short or empty rows
    recipe.height = 10;
    recipe.colourType = 6;
    recipe.samples = [](std::uint32_t x, std::uint32_t y) {
        return std::vector<std::uint16_t>{static_cast<std::uint16_t>(x * 20),
                                          static_cast<std::uint16_t>(y * 25),
                                          static_cast<std::uint16_t>(x ^ y), 200};
    };
    const auto progressive = load(makePng(recipe));
    recipe.interlaced = true;
    const auto interlaced = load(makePng(recipe));
    ASSERT_TRUE(progressive);
    ASSERT_TRUE(interlaced);
    EXPECT_EQ(at(*interlaced, 10, 9), (Rgba{200, 225, 10 ^ 9, 200}));
    EXPECT_EQ(*interlaced, *progressive);
}

TEST_F(PngLoading, DamagedFilesGiveNone) {
    PngRecipe recipe;
    recipe.width = 64;
    recipe.height = 64;
    recipe.samples = [](std::uint32_t, std::uint32_t) {
        return std::vector<std::uint16_t>{1, 2, 3, 4};
    };
    const Bytes good = makePng(recipe);
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

    EXPECT_FALSE(loadPng(dir.path() / "missing.png"));
    EXPECT_FALSE(loadPng(dir.path()));  // a folder
}

long peakResidentKilobytes() {
    return static_cast<long>(platform::peakResidentBytes() / 1024);
}

TEST_F(PngLoading, ForgedHugeDimensionsGiveNoneWithoutReservingTheMemory) {
    PngRecipe tooWide;
    tooWide.width = 16385;
    tooWide.height = 1;
    tooWide.colourType = 0;
    tooWide.samples = [](std::uint32_t, std::uint32_t) { return std::vector<std::uint16_t>{0}; };
    EXPECT_FALSE(load(makePng(tooWide)));

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

TEST_F(PngLoading, SaveRoundTripsAndReplacesTheFileAtomically) {
    Image image = Image::filled(7, 5, {10, 20, 30, 255});
    image.set(6, 4, {1, 2, 3, 0});
    image.set(0, 0, {250, 128, 0, 77});
    const auto path = dir.path() / "out.png";
    writeBytes(path, Bytes{'o', 'l', 'd'});

    const auto saved = savePng(image, path);
    ASSERT_TRUE(saved) << saved.error();
    const auto reloaded = loadPng(path);
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(*reloaded, image);  // straight alpha: colour under alpha 0 survives
    // Nothing but the destination is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(PngLoading, FailedSaveLeavesNothingBehind) {
    const auto path = dir.path() / "keep.png";
    writeBytes(path, Bytes{'o', 'l', 'd'});
    EXPECT_FALSE(savePng(Image{}, path));
    Image malformed{4, 4, std::vector<std::uint8_t>(10)};
    EXPECT_FALSE(savePng(malformed, path));
    EXPECT_EQ(std::filesystem::file_size(path), 3u);

    const auto missingFolder = dir.path() / "no" / "such" / "folder.png";
    const auto result = savePng(Image::filled(2, 2), missingFolder);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().find("no/such"), std::string::npos) << result.error();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace kestro
