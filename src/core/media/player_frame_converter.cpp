#include "core/media/player_frame_converter.hpp"

#include "core/media/plane_rotation.hpp"

#include <atomic>
#include <cstdint>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace kestro {

namespace {

// Enough for the picture on screen, the one being prepared and one the interface still paints.
constexpr std::size_t kPoolSize = 4;

}  // namespace

bool PlayerFrameConverter::prepareScaler(const AVFrame& frame, int scaledWidth, int scaledHeight) {
    const PictureColour colour = pictureColour(frame);
    if (scaler_ && srcWidth_ == frame.width && srcHeight_ == frame.height &&
        srcFormat_ == frame.format && dstWidth_ == scaledWidth && dstHeight_ == scaledHeight &&
        colour_ == colour) {
        return true;
    }
    scaler_.reset();
    const auto format = static_cast<AVPixelFormat>(frame.format);
    if (!av_pix_fmt_desc_get(format)) return false;
    // Bilinear widens its filter when shrinking, so a phone screen reduced three times over keeps
    // its text legible without the cost of the sharper kernels.
    SwsContextPtr scaler(sws_getContext(frame.width, frame.height, format, scaledWidth,
                                        scaledHeight, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr,
                                        nullptr, nullptr));
    if (!scaler) return false;
    // Full-range RGB out; the source's own matrix and range in.
    sws_setColorspaceDetails(scaler.get(), swsCoefficients(colour.matrix), colour.fullRange ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    scaler_ = std::move(scaler);
    srcWidth_ = frame.width;
    srcHeight_ = frame.height;
    srcFormat_ = frame.format;
    dstWidth_ = scaledWidth;
    dstHeight_ = scaledHeight;
    colour_ = colour;
    return true;
}

std::shared_ptr<Image> PlayerFrameConverter::takeImage(int width, int height) {
    for (auto& image : pool_) {
        // Only the pool holds it: no reader is left, and nobody can take a new reference.
        if (image.use_count() == 1) {
            // Pairs with the release in the last reader's decrement, so its reads of the pixels
            // are finished before we overwrite them.
            std::atomic_thread_fence(std::memory_order_acquire);
            if (image->width != width || image->height != height) {
                image->width = width;
                image->height = height;
                image->rgba.resize(image->byteCount());
            }
            return image;
        }
    }
    auto image = std::make_shared<Image>();
    image->width = width;
    image->height = height;
    image->rgba.resize(image->byteCount());
    if (pool_.size() < kPoolSize) pool_.push_back(image);
    return image;
}

std::shared_ptr<Image> PlayerFrameConverter::convert(const AVFrame& decoded, int width,
                                                     int height) {
    if (width <= 0 || height <= 0 || decoded.width <= 0 || decoded.height <= 0) return nullptr;
    const bool quarter = rotation_ == 90 || rotation_ == 270;
    const int scaledWidth = quarter ? height : width;
    const int scaledHeight = quarter ? width : height;
    // HDR and wide gamuts are shown as the export will show them: by the same conversion, made
    // at about the size shown.
    const AVFrame* sdr = &decoded;
    if (needsBt709Conversion(decoded)) {
        if (!toBt709_) toBt709_ = std::make_unique<Bt709Conversion>();
        auto mapped = toBt709_->convert(decoded, scaledWidth, scaledHeight);
        if (!mapped) return nullptr;
        sdr = *mapped;
    }
    const AVFrame& frame = *sdr;
    if (!prepareScaler(frame, scaledWidth, scaledHeight)) return nullptr;

    std::shared_ptr<Image> image = takeImage(width, height);
    // Scaled into libav's own padded picture, then copied: swscale's SIMD paths may write past
    // the last row's end, which in the image's tight buffer is someone else's memory.
    if (!scratch_ || scratch_->width != scaledWidth || scratch_->height != scaledHeight) {
        scratch_ = makeFrame();
        if (!scratch_) return nullptr;
        scratch_->format = AV_PIX_FMT_RGBA;
        scratch_->width = scaledWidth;
        scratch_->height = scaledHeight;
        if (av_frame_get_buffer(scratch_.get(), 0) < 0) {
            scratch_.reset();
            return nullptr;
        }
    }
    const int rows = sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height,
                               scratch_->data, scratch_->linesize);
    if (rows <= 0) return nullptr;
    if (rotation_ == 0) {
        for (int y = 0; y < height; ++y) {
            std::memcpy(image->pixel(0, y),
                        scratch_->data[0] + static_cast<std::size_t>(y) * scratch_->linesize[0],
                        image->stride());
        }
    } else {
        rotatePlane<std::uint32_t>(scratch_->data[0], scratch_->linesize[0], scaledWidth,
                                   scaledHeight, image->rgba.data(),
                                   static_cast<std::ptrdiff_t>(image->stride()), rotation_);
    }
    return image;
}

}  // namespace kestro
