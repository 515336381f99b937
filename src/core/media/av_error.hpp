#pragma once
// FFmpeg's error codes as text and as the media layer's error value.

#include "core/media/media_error.hpp"

#include <string>
#include <string_view>

namespace kestro {

// FFmpeg's own message for an AVERROR code ("Invalid data found when processing input").
std::string avErrorText(int averror);

// A MediaError carrying `averror` and the text "<context>: <FFmpeg's message>" (just FFmpeg's
// message when the context is empty).
MediaError mediaError(int averror, std::string_view context = {});

// A failure without an FFmpeg code; averror is AVERROR_UNKNOWN unless given.
MediaError mediaFailure(std::string message, int averror = 0);

// libav prints warnings and progress to stderr by default; the core reports through values
// instead, so this turns libav's own log down to fatal errors, once per process. Setting the
// environment variable KESTRO_LIBAV_LOG leaves libav's logging as it is (for debugging).
void quietLibavLog();

}  // namespace kestro
