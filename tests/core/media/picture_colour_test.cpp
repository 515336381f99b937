#include "core/media/picture_colour.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace kestro {
namespace {

// Stores a raw code into an enumeration field the way a decoder copying a file's bytes would.
template <typename Enum>
void storeRaw(Enum& field, int raw) {
    std::memcpy(&field, &raw, sizeof raw);
}

template <typename Enum>
int readRaw(const Enum& field) {
    int raw = 0;
    std::memcpy(&raw, &field, sizeof raw);
    return raw;
}

// A damaged stream once handed over matrix code 41; nothing may read such a code as a matrix.
TEST(PictureColourTest, CodesOutsideTheEnumerationsBecomeUnspecified) {
    AVFrame frame{};
    frame.width = 1080;
    frame.height = 2340;
    frame.format = AV_PIX_FMT_YUV420P;
    storeRaw(frame.colorspace, 41);
    storeRaw(frame.color_primaries, 200);
    storeRaw(frame.color_trc, -3);
    storeRaw(frame.color_range, 9);
    storeRaw(frame.chroma_location, 77);
    keepKnownColourTags(frame);
    EXPECT_EQ(readRaw(frame.colorspace), AVCOL_SPC_UNSPECIFIED);
    EXPECT_EQ(readRaw(frame.color_primaries), AVCOL_PRI_UNSPECIFIED);
    EXPECT_EQ(readRaw(frame.color_trc), AVCOL_TRC_UNSPECIFIED);
    EXPECT_EQ(readRaw(frame.color_range), AVCOL_RANGE_UNSPECIFIED);
    EXPECT_EQ(readRaw(frame.chroma_location), AVCHROMA_LOC_UNSPECIFIED);
    // ...and the picture is then read as an untagged HD one.
    EXPECT_EQ(pictureColour(frame), (PictureColour{AVCOL_SPC_BT709, false}));
}

// Players read an untagged picture as BT.709 from 720 lines or 1280 columns, as BT.601 below:
// a phone's portrait recording scaled down to 360 x 780 is HD, the same turned is not.
TEST(PictureColourTest, UntaggedPicturesAreReadAsPlayersReadThem) {
    for (const auto& [width, height, matrix] :
         {std::tuple{360, 780, AVCOL_SPC_BT709}, {540, 1170, AVCOL_SPC_BT709},
          {720, 1280, AVCOL_SPC_BT709}, {1280, 600, AVCOL_SPC_BT709},
          {1080, 2340, AVCOL_SPC_BT709}, {780, 360, AVCOL_SPC_SMPTE170M},
          {640, 480, AVCOL_SPC_SMPTE170M}, {480, 640, AVCOL_SPC_SMPTE170M}}) {
        AVFrame frame{};
        frame.width = width;
        frame.height = height;
        frame.format = AV_PIX_FMT_YUV420P;
        EXPECT_EQ(pictureColour(frame).matrix, matrix) << width << " x " << height;
    }
}

TEST(PictureColourTest, KnownCodesStayAsTagged) {
    AVFrame frame{};
    frame.width = 640;
    frame.height = 360;
    frame.format = AV_PIX_FMT_YUV420P;
    frame.colorspace = AVCOL_SPC_BT2020_NCL;
    frame.color_primaries = AVCOL_PRI_BT2020;
    frame.color_trc = AVCOL_TRC_SMPTE2084;
    frame.color_range = AVCOL_RANGE_JPEG;
    frame.chroma_location = AVCHROMA_LOC_TOPLEFT;
    keepKnownColourTags(frame);
    EXPECT_EQ(frame.colorspace, AVCOL_SPC_BT2020_NCL);
    EXPECT_EQ(frame.color_primaries, AVCOL_PRI_BT2020);
    EXPECT_EQ(frame.color_trc, AVCOL_TRC_SMPTE2084);
    EXPECT_EQ(frame.color_range, AVCOL_RANGE_JPEG);
    EXPECT_EQ(frame.chroma_location, AVCHROMA_LOC_TOPLEFT);
    EXPECT_EQ(pictureColour(frame), (PictureColour{AVCOL_SPC_BT2020_NCL, true}));
}

}  // namespace
}  // namespace kestro
