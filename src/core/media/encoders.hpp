#pragma once
// The encoders an export writes with, set up the one way Kestro uses them. All produce BT.709,
// limited-range pictures and say so in their tags.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/media/prores_encoder.hpp"
#include "core/result.hpp"

#include <cstdint>

namespace kestro {

// libx264's speed against size, and how it spends bits.
struct H264Settings {
    const char* preset = "medium";
    int crf = 18;  // constant quality, unless bitRate is set
    // An average bit rate with a buffer-verifier ceiling instead of constant quality, bit/s.
    std::int64_t bitRate = 0;
    std::int64_t maxRate = 0;
    std::int64_t bufferSize = 0;
    int level = 0;  // 40 for level 4.0; 0 lets x264 choose
    int threads = 0;  // 0 lets x264 choose for the whole machine
};

// H.264 for MP4: libx264, High profile, yuv420p; CRF 18, preset medium unless told otherwise.
// `frameRate` is exact (30000/1001 for 29.97); the encoder counts time in its frames.
Result<AVCodecContextPtr, MediaError> openH264Encoder(int width, int height, AVRational frameRate,
                                                      bool globalHeader,
                                                      const H264Settings& settings = {});

// ProRes 4444 with alpha for MOV: yuva444p10le, FourCC ap4h.
Result<AVCodecContextPtr, MediaError> openProRes4444Encoder(int width, int height,
                                                            AVRational frameRate,
                                                            ProResEncoder which, bool globalHeader,
                                                            int threads = 0);

// AAC-LC for MP4 sound: 48 kHz, stereo, planar float input, 192 kbit/s unless told otherwise,
// frames of frame_size.
Result<AVCodecContextPtr, MediaError> openAacEncoder(bool globalHeader,
                                                     std::int64_t bitRate = 192000);

}  // namespace kestro
