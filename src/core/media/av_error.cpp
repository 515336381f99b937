#include "core/media/av_error.hpp"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstdlib>
#include <mutex>

namespace kestro {

std::string avErrorText(int averror) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(averror, buffer, sizeof buffer) < 0 && buffer[0] == '\0') {
        return "Unknown error " + std::to_string(averror);
    }
    return buffer;
}

MediaError mediaError(int averror, std::string_view context) {
    std::string text = avErrorText(averror);
    if (!context.empty()) text = std::string(context) + ": " + text;
    return MediaError{averror, std::move(text)};
}

MediaError mediaFailure(std::string message, int averror) {
    return MediaError{averror != 0 ? averror : AVERROR_UNKNOWN, std::move(message)};
}

void quietLibavLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!std::getenv("KESTRO_LIBAV_LOG")) av_log_set_level(AV_LOG_FATAL);
    });
}

}  // namespace kestro
