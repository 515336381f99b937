#include "core/media/picture_colour.hpp"

#include <cstring>
#include <type_traits>

extern "C" {
#include <libswscale/swscale.h>
}

namespace kestro {

namespace {

// Reads the field's bytes rather than its enumeration, which may not hold the value stored.
template <typename Enum>
void keepKnown(Enum& field, int count, Enum unspecified) {
    std::underlying_type_t<Enum> raw;
    static_assert(sizeof raw == sizeof field);
    std::memcpy(&raw, &field, sizeof raw);
    const auto value = static_cast<long long>(raw);  // the underlying type may be unsigned
    if (value < 0 || value >= count) field = unspecified;
}

}  // namespace

void keepKnownColourTags(AVFrame& frame) {
    keepKnown(frame.color_primaries, AVCOL_PRI_NB, AVCOL_PRI_UNSPECIFIED);
    keepKnown(frame.color_trc, AVCOL_TRC_NB, AVCOL_TRC_UNSPECIFIED);
    keepKnown(frame.colorspace, AVCOL_SPC_NB, AVCOL_SPC_UNSPECIFIED);
    keepKnown(frame.color_range, AVCOL_RANGE_NB, AVCOL_RANGE_UNSPECIFIED);
    keepKnown(frame.chroma_location, AVCHROMA_LOC_NB, AVCHROMA_LOC_UNSPECIFIED);
}

bool isHdSize(int width, int height) {
    return height >= 720 || width >= 1280;
}

PictureColour pictureColour(const AVFrame& frame) {
    PictureColour colour;
    switch (frame.colorspace) {
        case AVCOL_SPC_UNSPECIFIED:
        case AVCOL_SPC_RESERVED:
        case AVCOL_SPC_RGB:  // only meaningful for RGB formats; a YUV picture tagged so is
                             // mistagged
            colour.matrix =
                isHdSize(frame.width, frame.height) ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
            break;
        default:
            colour.matrix = frame.colorspace;
    }
    const auto format = static_cast<AVPixelFormat>(frame.format);
    colour.fullRange = frame.color_range == AVCOL_RANGE_JPEG || plainYuvFormat(format) != format;
    return colour;
}

AVPixelFormat plainYuvFormat(AVPixelFormat format) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P:
            return AV_PIX_FMT_YUV411P;
        default:
            return format;
    }
}

const int* swsCoefficients(AVColorSpace matrix) {
    switch (matrix) {
        case AVCOL_SPC_BT709:
            return sws_getCoefficients(SWS_CS_ITU709);
        case AVCOL_SPC_FCC:
            return sws_getCoefficients(SWS_CS_FCC);
        case AVCOL_SPC_SMPTE240M:
            return sws_getCoefficients(SWS_CS_SMPTE240M);
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:
            return sws_getCoefficients(SWS_CS_BT2020);
        default:
            return sws_getCoefficients(SWS_CS_ITU601);
    }
}

}  // namespace kestro
