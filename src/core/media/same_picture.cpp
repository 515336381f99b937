#include "core/media/same_picture.hpp"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>

namespace kestro {

namespace {

bool sameTags(const AVFrame& a, const AVFrame& b) {
    return a.format == b.format && a.width == b.width && a.height == b.height &&
           a.crop_top == b.crop_top && a.crop_bottom == b.crop_bottom &&
           a.crop_left == b.crop_left && a.crop_right == b.crop_right &&
           av_cmp_q(a.sample_aspect_ratio, b.sample_aspect_ratio) == 0 &&
           a.color_range == b.color_range && a.colorspace == b.colorspace &&
           a.color_primaries == b.color_primaries && a.color_trc == b.color_trc &&
           a.chroma_location == b.chroma_location;
}

}  // namespace

bool samePicture(const AVFrame& a, const AVFrame& b) {
    if (!sameTags(a, b) || a.width <= 0 || a.height <= 0) return false;
    const auto format = static_cast<AVPixelFormat>(a.format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (!desc || (desc->flags &
                  (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM))) {
        return false;
    }
    int rowBytes[4] = {};
    if (av_image_fill_linesizes(rowBytes, format, a.width) < 0) return false;
    const int planes = av_pix_fmt_count_planes(format);
    if (planes <= 0) return false;
    for (int p = 0; p < planes; ++p) {
        if (!a.data[p] || !b.data[p]) return false;
        // The chroma planes, as av_image_copy counts them.
        const int rows =
            (p == 1 || p == 2) ? AV_CEIL_RSHIFT(a.height, desc->log2_chroma_h) : a.height;
        const auto width = static_cast<size_t>(rowBytes[p]);
        if (a.data[p] == b.data[p] && a.linesize[p] == b.linesize[p]) continue;
        const uint8_t* rowA = a.data[p];
        const uint8_t* rowB = b.data[p];
        for (int y = 0; y < rows; ++y, rowA += a.linesize[p], rowB += b.linesize[p]) {
            if (std::memcmp(rowA, rowB, width) != 0) return false;
        }
    }
    return true;
}

}  // namespace kestro
