#include "core/media/picture_colour.hpp"

#include <gtest/gtest.h>

#include <cstring>

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
