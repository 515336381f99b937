#include "core/media/jpeg_image.hpp"

#include "core/media/av_error.hpp"
#include "core/media/av_ptr.hpp"
#include "core/media/picture_colour.hpp"
#include "core/media/picture_orientation.hpp"
#include "core/model/png.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace kestro {

namespace {

// A JPEG of the largest accepted size compresses far below this; more is not a picture.
constexpr std::uintmax_t kMaxJpegBytes = 256u * 1024 * 1024;

std::optional<std::vector<std::uint8_t>> readAll(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size < 4 || size > kMaxJpegBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        return std::nullopt;
    }
    return bytes;
}

// A picture needs a frame header (SOF0 to SOF2) and a scan (SOS). Without them the decoder has
// nothing to do but complain on the log, at a level no setting silences.
bool hasFrameAndScan(const std::vector<std::uint8_t>& bytes) {
    bool frame = false;
    bool scan = false;
    for (std::size_t i = 0; i + 1 < bytes.size() && !(frame && scan); ++i) {
        if (bytes[i] != 0xFF) continue;
        const std::uint8_t marker = bytes[i + 1];
        frame = frame || (marker >= 0xC0 && marker <= 0xC2);
        scan = scan || marker == 0xDA;
    }
    return frame && scan;
}

}  // namespace

std::optional<Image> loadJpeg(const std::filesystem::path& path) {
    auto bytes = readAll(path);
    // Start of image, then a marker.
    if (!bytes || (*bytes)[0] != 0xFF || (*bytes)[1] != 0xD8 || (*bytes)[2] != 0xFF) {
        return std::nullopt;
    }
    if (!hasFrameAndScan(*bytes)) return std::nullopt;
    quietLibavLog();  // a damaged file is reported as none, not as decoder chatter
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    if (!codec) return std::nullopt;
    AVCodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return std::nullopt;
    context->max_pixels = static_cast<std::int64_t>(kMaxPngDimension) * kMaxPngDimension;
    context->thread_count = 1;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return std::nullopt;

    AVPacketPtr packet = makePacket();
    if (!packet || av_new_packet(packet.get(), static_cast<int>(bytes->size())) < 0) {
        return std::nullopt;
    }
    std::memcpy(packet->data, bytes->data(), bytes->size());
    bytes.reset();
    AVFramePtr frame = makeFrame();
    if (!frame || avcodec_send_packet(context.get(), packet.get()) < 0) return std::nullopt;
    avcodec_send_packet(context.get(), nullptr);
    if (avcodec_receive_frame(context.get(), frame.get()) < 0) return std::nullopt;
    keepKnownColourTags(*frame);
    if (frame->width <= 0 || frame->height <= 0 || frame->width > kMaxPngDimension ||
        frame->height > kMaxPngDimension) {
        return std::nullopt;
    }

    // JPEG stores full-range BT.601; the "yuvj" formats say so by name only, so the range is
    // given to the scaler explicitly on the plain format.
    const auto format = static_cast<AVPixelFormat>(frame->format);
    const AVPixelFormat plain = plainYuvFormat(format);
    const bool full = plain != format || frame->color_range == AVCOL_RANGE_JPEG;
    SwsContextPtr sws(sws_getContext(frame->width, frame->height, plain, frame->width,
                                     frame->height, AV_PIX_FMT_RGBA, SWS_BICUBIC | SWS_ACCURATE_RND,
                                     nullptr, nullptr, nullptr));
    if (!sws) return std::nullopt;
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(sws.get(), coefficients, full ? 1 : 0, coefficients, 1, 0, 1 << 16,
                             1 << 16);
    // Scaled into libav's own padded, aligned picture (its SIMD paths may write past a row's
    // last pixel), then copied out row by row.
    AVFramePtr rgba = makeFrame();
    if (!rgba) return std::nullopt;
    rgba->format = AV_PIX_FMT_RGBA;
    rgba->width = frame->width;
    rgba->height = frame->height;
    if (av_frame_get_buffer(rgba.get(), 0) < 0) return std::nullopt;
    if (sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, rgba->data,
                  rgba->linesize) < 0) {
        return std::nullopt;
    }
    // Copied out turned and mirrored as the file's EXIF orientation says, which the decoder
    // reports as a display matrix: a phone photo held upright is often stored sideways.
    const AVFrameSideData* turn = av_frame_get_side_data(frame.get(), AV_FRAME_DATA_DISPLAYMATRIX);
    const int orientation = turn && turn->size >= 9 * sizeof(std::int32_t)
                                ? exifOrientation(reinterpret_cast<const std::int32_t*>(turn->data))
                                : 1;
    Image image =
        uprightCopy(rgba->data[0], rgba->linesize[0], frame->width, frame->height, orientation);
    // The decoder has no alpha; whatever the scaler left in the fourth byte, the picture is opaque.
    for (std::size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = 255;
    return image;
}

}  // namespace kestro
