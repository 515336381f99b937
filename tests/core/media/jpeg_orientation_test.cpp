// JPEG pictures shown the way their EXIF orientation says, as a photo viewer shows them.

#include "core/export/still_image.hpp"
#include "core/media/jpeg_image.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace kestro {
namespace {

constexpr Rgba kRed{220, 30, 30, 255};
constexpr Rgba kGreen{30, 200, 30, 255};
constexpr Rgba kBlue{30, 30, 220, 255};
constexpr Rgba kYellow{230, 220, 30, 255};

// A 64 x 32 JPEG, stored red | green over blue | yellow, with an APP1 Exif block whose first
// directory holds the one Orientation entry (a SHORT), in big- or little-endian TIFF order.
std::filesystem::path storedJpeg(const test::ScratchDir& dir, int orientation, bool bigEndian) {
    Image stored = Image::filled(64, 32);
    stored.fillRect(0, 0, 32, 16, kRed);
    stored.fillRect(32, 0, 32, 16, kGreen);
    stored.fillRect(0, 16, 32, 16, kBlue);
    stored.fillRect(32, 16, 32, 16, kYellow);
    const auto plain = dir / "plain.jpg";
    EXPECT_TRUE(saveStill(stored, plain).ok());
    std::ifstream in(plain, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};

    const auto u16 = [bigEndian](std::vector<std::uint8_t>& out, unsigned value) {
        const std::uint8_t hi = static_cast<std::uint8_t>(value >> 8);
        const std::uint8_t lo = static_cast<std::uint8_t>(value & 0xFF);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    };
    const auto u32 = [&u16, bigEndian](std::vector<std::uint8_t>& out, unsigned value) {
        u16(out, bigEndian ? value >> 16 : value & 0xFFFF);
        u16(out, bigEndian ? value & 0xFFFF : value >> 16);
    };
    std::vector<std::uint8_t> tiff;
    if (bigEndian) {
        tiff = {'M', 'M', 0, 42};
    } else {
        tiff = {'I', 'I', 42, 0};
    }
    u32(tiff, 8);      // the first directory follows the header
    u16(tiff, 1);      // one entry
    u16(tiff, 0x112);  // Orientation
    u16(tiff, 3);      // SHORT
    u32(tiff, 1);      // one value, held in the entry's first two bytes
    u16(tiff, static_cast<unsigned>(orientation));
    u16(tiff, 0);
    u32(tiff, 0);  // no next directory
    std::vector<std::uint8_t> app1{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    app1[2] = static_cast<std::uint8_t>((app1.size() - 2) >> 8);
    app1[3] = static_cast<std::uint8_t>((app1.size() - 2) & 0xFF);
    bytes.insert(bytes.begin() + 2, app1.begin(), app1.end());  // right after start of image

    const auto path = dir / ("o" + std::to_string(orientation) + ".jpg");
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}

TEST(JpegOrientation, EachOfTheEightOrientationsIsShownAsAPhotoViewerShowsIt) {
    // Where the stored corners are shown: the orientation names the sides on which the stored
    // top row and left column appear (1: top, left; 6: right, top; 8: left, bottom; ...).
    struct Shown {
        int orientation;
        Rgba topLeft, topRight, bottomLeft, bottomRight;
    };
    const std::array<Shown, 10> cases{{
        {1, kRed, kGreen, kBlue, kYellow},
        {2, kGreen, kRed, kYellow, kBlue},
        {3, kYellow, kBlue, kGreen, kRed},
        {4, kBlue, kYellow, kRed, kGreen},
        {5, kRed, kBlue, kGreen, kYellow},
        {6, kBlue, kRed, kYellow, kGreen},
        {7, kYellow, kGreen, kBlue, kRed},
        {8, kGreen, kYellow, kRed, kBlue},
        {0, kRed, kGreen, kBlue, kYellow},  // not an orientation: shown as stored
        {9, kRed, kGreen, kBlue, kYellow},
    }};
    test::ScratchDir dir;
    for (const Shown& shown : cases) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message() << "orientation " << shown.orientation
                                            << (bigEndian ? " big-endian" : " little-endian"));
            const auto picture = loadJpeg(storedJpeg(dir, shown.orientation, bigEndian));
            ASSERT_TRUE(picture.has_value());
            const bool sideways = shown.orientation >= 5 && shown.orientation <= 8;
            ASSERT_EQ(picture->width, sideways ? 32 : 64);
            ASSERT_EQ(picture->height, sideways ? 64 : 32);
            const int right = picture->width - 1 - picture->width / 4;
            const int bottom = picture->height - 1 - picture->height / 4;
            const int left = picture->width / 4;
            const int top = picture->height / 4;
            EXPECT_TRUE(test::near(picture->at(left, top), shown.topLeft, 12));
            EXPECT_TRUE(test::near(picture->at(right, top), shown.topRight, 12));
            EXPECT_TRUE(test::near(picture->at(left, bottom), shown.bottomLeft, 12));
            EXPECT_TRUE(test::near(picture->at(right, bottom), shown.bottomRight, 12));
        }
    }
}

}  // namespace
}  // namespace kestro
