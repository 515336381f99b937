#pragma once
// The few places where the FFmpeg releases we build against (Debian 12's 5.1, Homebrew's 7 and
// later) disagree, chosen by the libraries' version macros so that the calling code reads the
// same everywhere.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
}

#include <cstddef>
#include <cstdint>

namespace kestro::ffmpeg {

// avio_alloc_context's write callback takes const data from libavformat 61 (FFmpeg 7) on.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using WriteData = const std::uint8_t*;
#else
using WriteData = std::uint8_t*;
#endif

// Encoder profiles: FF_PROFILE_* became AV_PROFILE_* in libavcodec 60.26 (FFmpeg 6.1); the old
// names are gone later.
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 26, 100)
inline constexpr int kProfileProRes4444 = AV_PROFILE_PRORES_4444;
inline constexpr int kProfileAacLow = AV_PROFILE_AAC_LOW;
#else
inline constexpr int kProfileProRes4444 = FF_PROFILE_PRORES_4444;
inline constexpr int kProfileAacLow = FF_PROFILE_AAC_LOW;
#endif

// The stream's side data of one type (the display matrix, say), or null. From libavcodec 60.30
// (FFmpeg 6.1) it lives in the codec parameters; the AVStream accessor is deprecated, then gone.
inline const std::uint8_t* streamSideData(const AVStream& stream, AVPacketSideDataType type,
                                          std::size_t* size) {
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 30, 100)
    const AVPacketSideData* found = av_packet_side_data_get(
        stream.codecpar->coded_side_data, stream.codecpar->nb_coded_side_data, type);
    if (!found) return nullptr;
    *size = found->size;
    return found->data;
#else
    return av_stream_get_side_data(&stream, type, size);
#endif
}

}  // namespace kestro::ffmpeg
