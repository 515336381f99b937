#include "core/library_versions.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}
#include <png.h>

#ifndef KESTRO_VERSION
#define KESTRO_VERSION "unknown"
#endif

namespace kestro {
namespace {

// libav packs major.minor.micro into one integer, 8 bits for micro and minor.
std::string unpack(unsigned version) {
    return std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xFF) + "." +
           std::to_string(version & 0xFF);
}

}  // namespace

std::string kestroVersion() {
    return KESTRO_VERSION;
}

std::vector<std::pair<std::string, std::string>> libraryVersions() {
    return {
        {"FFmpeg", av_version_info()},
        {"libavformat", unpack(avformat_version())},
        {"libavcodec", unpack(avcodec_version())},
        {"libavutil", unpack(avutil_version())},
        {"libswscale", unpack(swscale_version())},
        {"libswresample", unpack(swresample_version())},
        {"libpng", png_get_libpng_ver(nullptr)},
    };
}

}  // namespace kestro
