#pragma once
// The steps every encoder of ours goes through, shared by the encoder files: find the encoder by
// name, describe the pictures, open it with its private options.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

namespace kestro {

// Tags limited-range BT.709, what every picture the exporter makes is.
void tagBt709(AVCodecContext& ctx);

Result<AVCodecContextPtr, MediaError> allocateEncoder(const char* name);

// A video encoder for `format` pictures at a constant, exact rate (30000/1001 for 29.97), square
// pixels, tagged BT.709.
Result<AVCodecContextPtr, MediaError> allocateVideoEncoder(const char* name, int width, int height,
                                                           AVPixelFormat format, AVRational frameRate,
                                                           bool globalHeader);

// Opens `ctx` with `options` (taken over and freed).
Result<AVCodecContextPtr, MediaError> openEncoder(AVCodecContextPtr ctx, AVDictionary* options);

}  // namespace kestro
