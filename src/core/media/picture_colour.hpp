#pragma once
// Which YCbCr matrix and range a decoded picture uses. Screen recorders often leave the stream
// untagged; players then assume BT.709 for HD pictures and BT.601 for SD ones, and we do the
// same so that our colours match what the user saw when playing the source.

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace kestro {

struct PictureColour {
    AVColorSpace matrix = AVCOL_SPC_BT709;  // never unspecified
    bool fullRange = false;

    bool operator==(const PictureColour&) const = default;
};

// Decoders copy a stream's colour codes as the file writes them, so a damaged or odd file can
// hand over a code outside FFmpeg's enumerations. This makes every such code unspecified, on the
// primaries, transfer, matrix, range and chroma siting alike; call it on each decoded picture
// before anything reads those fields.
void keepKnownColourTags(AVFrame& frame);

// HD means at least 720 lines (rows of the picture as stored) or 1280 columns, as players judge
// an untagged picture: a portrait recording of 360 x 780 is HD, the same turned landscape
// (780 x 360) is not.
bool isHdSize(int width, int height);

// The frame's own tags, with the convention above for an unspecified matrix; the range is full
// when tagged so or when the pixel format is one of the full-range "yuvj" formats.
PictureColour pictureColour(const AVFrame& frame);

// The limited-range twin of a full-range "yuvj" format (yuvj420p -> yuv420p); any other format
// unchanged.
AVPixelFormat plainYuvFormat(AVPixelFormat format);

// The libswscale coefficient table for a matrix (BT.601 for anything swscale does not know).
const int* swsCoefficients(AVColorSpace matrix);

}  // namespace kestro
