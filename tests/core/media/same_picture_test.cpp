// Telling a repeated picture from a new one by its samples alone.

#include "core/media/same_picture.hpp"
#include "core/media/av_ptr.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace kestro {
namespace {

// A 4:2:0 picture of odd size with every sample set, the rows' padding filled with `padding`.
AVFramePtr picture(int width, int height, std::uint8_t padding) {
    AVFramePtr frame = makeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 64) < 0) return {};
    for (int p = 0; p < 3; ++p) {
        const int rows = p == 0 ? height : (height + 1) / 2;
        const int columns = p == 0 ? width : (width + 1) / 2;
        for (int y = 0; y < rows; ++y) {
            std::uint8_t* row = frame->data[p] + y * frame->linesize[p];
            std::memset(row, padding, static_cast<size_t>(frame->linesize[p]));
            for (int x = 0; x < columns; ++x) row[x] = static_cast<std::uint8_t>(p * 50 + x + y);
        }
    }
    return frame;
}

TEST(SamePictureTest, EverySampleCountsButNotThePadding) {
    const AVFramePtr a = picture(37, 21, 0);
    AVFramePtr b = picture(37, 21, 255);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(samePicture(*a, *b));
    EXPECT_TRUE(samePicture(*a, *a));

    // The last sample of the last row of each plane (an odd size's rounded-up chroma row too).
    for (int p = 0; p < 3; ++p) {
        AVFramePtr c = picture(37, 21, 0);
        const int rows = p == 0 ? 21 : 11, columns = p == 0 ? 37 : 19;
        c->data[p][(rows - 1) * c->linesize[p] + columns - 1] ^= 1;
        EXPECT_FALSE(samePicture(*a, *c)) << "plane " << p;
    }
}

TEST(SamePictureTest, FormatSizeAndColourTagsMustMatch) {
    const AVFramePtr a = picture(16, 16, 0);
    AVFramePtr b = picture(16, 16, 0);
    ASSERT_TRUE(a && b);
    b->color_range = AVCOL_RANGE_JPEG;  // the same codes mean other colours
    EXPECT_FALSE(samePicture(*a, *b));
    b->color_range = a->color_range;
    b->colorspace = AVCOL_SPC_BT470BG;
    EXPECT_FALSE(samePicture(*a, *b));

    const AVFramePtr wider = picture(18, 16, 0);
    ASSERT_TRUE(wider);
    EXPECT_FALSE(samePicture(*a, *wider));
    AVFramePtr other = picture(16, 16, 0);
    other->format = AV_PIX_FMT_YUVJ420P;
    EXPECT_FALSE(samePicture(*a, *other));
}

}  // namespace
}  // namespace kestro
