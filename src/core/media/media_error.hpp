#pragma once
// A failure of the media layer: FFmpeg's error code (AVERROR, negative; 0 when the failure has
// no libav code) and a message for people, usually FFmpeg's own text for that code.

#include <string>

namespace kestro {

struct MediaError {
    int averror = 0;
    std::string message;
};

}  // namespace kestro
