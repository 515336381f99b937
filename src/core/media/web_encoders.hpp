#pragma once
// The encoders of the web targets: VP9 and Opus for WebM, and GIF.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

namespace kestro {

// libvpx's speed against size. VP9 runs in constant-quality mode (no bit rate target).
struct Vp9Settings {
    const char* deadline = "good";  // "realtime", "good" or "best"
    int cpuUsed = 4;                // 0 (slowest) to 8 (fastest)
    int crf = 31;                   // 0 to 63, lower is better
    int threads = 0;                // 0 lets libvpx use the whole machine
};

// VP9 through libvpx for WebM: yuva420p when `alpha` (libvpx codes the alpha as a second
// picture), yuv420p otherwise.
Result<AVCodecContextPtr, MediaError> openVp9Encoder(int width, int height, AVRational frameRate,
                                                     bool alpha, bool globalHeader,
                                                     const Vp9Settings& settings);

// Opus through libopus for WebM sound: 48 kHz stereo, interleaved float, 128 kbit/s.
Result<AVCodecContextPtr, MediaError> openOpusEncoder(bool globalHeader);

// GIF: takes pal8 pictures whose palette (with a fully transparent entry where the picture has
// see-through parts) comes from a palette filter in front of it.
Result<AVCodecContextPtr, MediaError> openGifEncoder(int width, int height, AVRational frameRate);

}  // namespace kestro
