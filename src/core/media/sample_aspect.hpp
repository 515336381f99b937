#pragma once
// Pictures whose samples are not square: a recording squeezed to 720 x 1280 by a tool that keeps
// its shape through the sample aspect ratio (the ffmpeg tool's scale filter does), or written by
// an encoder that stores it anamorphic. Players stretch such pictures back to the shape they were
// recorded in; so does the reader, so the layout and the export see the picture a player shows.

extern "C" {
#include <libavutil/rational.h>
}

struct AVStream;

namespace kestro {

// The stream's sample aspect ratio as players take it: the container's, else the codec's. 1:1
// when neither says, or when the value is no real picture's (below 1:8 or above 8:1).
AVRational streamSampleAspect(const AVStream& stream);

struct ShownSize {
    int width = 0;
    int height = 0;
};

// The stored `width` x `height` as shown with `sampleAspect`: the side the ratio lengthens is
// lengthened and the other kept, so no stored sample is lost. The stored size itself when the
// ratio is 1:1 or unusable, or when the result would pass `maxSide` or `maxPixels`.
ShownSize shownSize(int width, int height, AVRational sampleAspect, int maxSide,
                    long long maxPixels);

}  // namespace kestro
