#pragma once
// A picture of another size than its stream's, fitted into the stream's size: scaled whole with
// its shape kept, centred, black around it. A recording whose picture size changes part-way (a
// phone turned while scrcpy or a desktop recorder records it) then keeps the size its layout was
// made for, and each picture shows as a player window shows it: neither stretched nor cropped.
// The shape is the one shown: pictures whose samples are not square are stretched to it.
//
// Threads: belongs to the thread of the reader that owns it.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

namespace kestro {

class PictureFit {
public:
    // `frame` itself when it already has the size, or when its pixels cannot be addressed one by
    // one (a palette, a bitstream or a hardware format: the scaler after it then takes it whole).
    // Otherwise a new frame of `width` x `height` in the same format, with the same times and
    // colour tags, and square samples. `sampleAspect` is that of the frame's samples (1:1 when
    // they are square).
    Result<AVFramePtr, MediaError> fit(AVFramePtr frame, int width, int height,
                                       AVRational sampleAspect = AVRational{1, 1});

private:
    SwsContextPtr sws_;
    int fromW_ = 0, fromH_ = 0, format_ = -1, toW_ = 0, toH_ = 0;
};

}  // namespace kestro
