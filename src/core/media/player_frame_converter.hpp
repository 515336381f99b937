#pragma once
// Turns decoded pictures into the player's output images: one swscale pass from the decoded
// format and size straight to RGBA at the size on screen, then the stream's rotation, so a
// picture never exists at full size in RGBA. Images come from a small pool and are reused once
// nobody else holds them, which spares a large allocation and page faults per frame.
//
// Belongs to one thread (the player's); not locked.

#include "core/media/av_ptr.hpp"
#include "core/media/bt709_conversion.hpp"
#include "core/media/picture_colour.hpp"
#include "core/model/image.hpp"

#include <memory>
#include <vector>

namespace kestro {

class PlayerFrameConverter {
public:
    // `rotation`: clockwise degrees (0, 90, 180, 270) that turn the stored picture upright.
    explicit PlayerFrameConverter(int rotation) : rotation_(rotation) {}

    // The picture scaled to `width` x `height` upright pixels, opaque. Null when the picture
    // cannot be converted (an unknown pixel format, no memory); the caller treats that as a
    // playback failure.
    std::shared_ptr<Image> convert(const AVFrame& frame, int width, int height);

private:
    bool prepareScaler(const AVFrame& frame, int scaledWidth, int scaledHeight);
    std::shared_ptr<Image> takeImage(int width, int height);

    int rotation_ = 0;
    SwsContextPtr scaler_;
    // What scaler_ was made for.
    int srcWidth_ = 0;
    int srcHeight_ = 0;
    int srcFormat_ = -1;
    int dstWidth_ = 0;
    int dstHeight_ = 0;
    PictureColour colour_;
    // RGBA at the scaled (not yet rotated) size, aligned and padded as swscale wants: every
    // picture is scaled here, then copied or rotated into a pooled image.
    AVFramePtr scratch_;
    std::vector<std::shared_ptr<Image>> pool_;
    std::unique_ptr<Bt709Conversion> toBt709_;  // made at the first picture that needs it
};

}  // namespace kestro
