#pragma once
// What the overlays drawn over a composed picture (captions, taps) start from: a copy of the
// picture to draw on, since the composed one may be shared (held ticks, the compositor's own
// set). Overlays draw on the compositor's two layouts only: 8-bit 4:2:0 and 10-bit 4:4:4 with
// alpha.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

namespace kestro {

// A copy of `picture` with its properties, after checking that it is one of the two layouts and
// `width` x `height`. `what` names the overlay in the error ("Captions", "Taps").
Result<AVFramePtr, MediaError> overlayCopy(const AVFrame& picture, int width, int height,
                                           const char* what);

}  // namespace kestro
