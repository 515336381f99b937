#include "core/export/still_image.hpp"

#include "core/export/background_image.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/export/canvas_size.hpp"
#include "core/export/compositor.hpp"
#include "core/export/export_error.hpp"
#include "core/media/av_error.hpp"
#include "core/media/av_ptr.hpp"
#include "core/media/jpeg_image.hpp"
#include "core/media/video_reader.hpp"
#include "core/model/frame_label.hpp"
#include "core/model/png.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <fstream>
#include <system_error>

namespace kestro {

namespace fs = std::filesystem;

namespace {

Result<AVFramePtr, std::string> frameOf(const Image& image) {
    AVFramePtr frame = makeFrame();
    if (!frame) return fail(std::string("Out of memory."));
    frame->format = AV_PIX_FMT_RGBA;
    frame->width = image.width;
    frame->height = image.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return fail(std::string("Out of memory."));
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                    image.pixel(0, y), image.stride());
    }
    return frame;
}

// The compositor's picture (limited-range BT.709 with straight alpha) back into RGBA.
Result<Image, std::string> imageOf(const AVFrame& picture) {
    const auto format = static_cast<AVPixelFormat>(picture.format);
    SwsContextPtr sws(sws_getContext(
        picture.width, picture.height, format, picture.width, picture.height, AV_PIX_FMT_RGBA,
        SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    if (!sws) return fail(std::string("Cannot convert the picture."));
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws.get(), bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
    AVFramePtr rgba = makeFrame();
    if (!rgba) return fail(std::string("Out of memory."));
    rgba->format = AV_PIX_FMT_RGBA;
    rgba->width = picture.width;
    rgba->height = picture.height;
    if (av_frame_get_buffer(rgba.get(), 0) < 0) return fail(std::string("Out of memory."));
    if (sws_scale(sws.get(), picture.data, picture.linesize, 0, picture.height, rgba->data,
                  rgba->linesize) < 0) {
        return fail(std::string("Cannot convert the picture."));
    }
    Image image = Image::filled(picture.width, picture.height);
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(image.pixel(0, y),
                    rgba->data[0] + static_cast<std::ptrdiff_t>(y) * rgba->linesize[0],
                    image.stride());
    }
    return image;
}

Result<Image, std::string> compose(const AVFrame& source, double uprightW, double uprightH,
                                   int rotation, const ExportConfig& config, const Image* frame) {
    // The movie's limit, checked before anything is composed: a tall frame at a wide --width
    // would otherwise take seconds and gigabytes before the picture could not be written.
    if (config.width > kMaxCanvasSide || config.height > kMaxCanvasSide) {
        return fail(ExportError::canvasTooLarge(config.width, config.height, kMaxCanvasSide)
                        .errorDescription());
    }
    if (config.width <= 0 || config.height <= 0) {
        return fail(std::string("The canvas has no size."));
    }
    if (!(config.device.w > 0 && config.device.h > 0)) {
        return fail(std::string(
            "The padding leaves no room for the device on the canvas; choose a smaller padding."));
    }
    std::optional<Image> backgroundImage;
    if (const BackgroundPicture* picture = config.background.asPicture()) {
        auto loaded = loadBackgroundImage(picture->path);
        if (!loaded) return fail(loaded.error());
        backgroundImage = std::move(*loaded);
    }
    if (frame && !frame->isWellFormed()) frame = nullptr;
    // The compositor works in even sizes, as the movie's encoders need them; an odd request
    // grows by one, as a movie's does.
    const int width = static_cast<int>(config.width + config.width % 2);
    const int height = static_cast<int>(config.height + config.height % 2);
    const CanvasRect screen = grownScreenRect(config.screen, width, height);
    CompositorSetup setup;
    setup.order = CompositorSetup::Order::mov;
    setup.canvasWidth = width;
    setup.canvasHeight = height;
    setup.screen = screen;
    setup.frame = frame;
    setup.roundedScreen = frame != nullptr;
    setup.screenCornerFraction = config.screenCornerFraction;
    setup.device = toTopLeftOrigin(canvasPixels(config.device, width, height), height);
    setup.background = config.background;
    setup.backgroundImage = backgroundImage ? &*backgroundImage : nullptr;
    setup.shadow = config.shadow;
    setup.placement = placeVideo(screen, height, VideoSize{uprightW, uprightH}, config.fitMode,
                                 config.scale, config.offsetX, config.offsetY);
    setup.rotation = rotation;
    auto compositor = Compositor::create(setup);
    if (!compositor) return fail(compositor.error().message);
    if (auto ok = (*compositor)->allocatePictures(1); !ok) return fail(ok.error().message);
    auto picture = (*compositor)->compose(source);
    if (!picture) return fail(picture.error().message);
    return imageOf(**picture);
}

Result<Done, std::string> writeJpeg(const Image& image, const fs::path& path) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!codec) return fail(std::string("This build has no JPEG encoder."));
    AVCodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return fail(std::string("Out of memory."));
    context->width = image.width;
    context->height = image.height;
    context->pix_fmt = AV_PIX_FMT_YUVJ444P;
    context->time_base = AVRational{1, 25};
    context->color_range = AVCOL_RANGE_JPEG;
    // A fixed high quality: the picture is a final product, not a draft.
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = FF_QP2LAMBDA * 2;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        return fail(std::string("Cannot open the JPEG encoder."));
    }
    AVFramePtr yuv = makeFrame();
    if (!yuv) return fail(std::string("Out of memory."));
    yuv->format = AV_PIX_FMT_YUVJ444P;
    yuv->width = image.width;
    yuv->height = image.height;
    yuv->quality = context->global_quality;
    if (av_frame_get_buffer(yuv.get(), 0) < 0) return fail(std::string("Out of memory."));
    // JPEG has no alpha: the picture is flattened over black, as an MP4 is.
    Image flat = image;
    for (std::size_t i = 0; i < flat.rgba.size(); i += 4) {
        const int a = flat.rgba[i + 3];
        for (int c = 0; c < 3; ++c)
            flat.rgba[i + c] = static_cast<std::uint8_t>((flat.rgba[i + c] * a + 127) / 255);
        flat.rgba[i + 3] = 255;
    }
    SwsContextPtr sws(sws_getContext(image.width, image.height, AV_PIX_FMT_RGBA, image.width,
                                     image.height, AV_PIX_FMT_YUV444P, SWS_POINT | SWS_ACCURATE_RND,
                                     nullptr, nullptr, nullptr));
    if (!sws) return fail(std::string("Cannot convert the picture."));
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(sws.get(), bt601, 1, bt601, 1, 0, 1 << 16, 1 << 16);
    const std::uint8_t* src[1] = {flat.rgba.data()};
    const int srcStride[1] = {static_cast<int>(flat.stride())};
    if (sws_scale(sws.get(), src, srcStride, 0, image.height, yuv->data, yuv->linesize) < 0) {
        return fail(std::string("Cannot convert the picture."));
    }
    AVPacketPtr packet = makePacket();
    if (!packet || avcodec_send_frame(context.get(), yuv.get()) < 0 ||
        avcodec_send_frame(context.get(), nullptr) < 0 ||
        avcodec_receive_packet(context.get(), packet.get()) < 0) {
        return fail(std::string("Cannot encode the JPEG."));
    }
    std::string hidden = ".";
    hidden += path.filename().string() + ".tmp";
    const fs::path temp = path.parent_path() / hidden;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(packet->data), packet->size);
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            return fail("Cannot write \"" + path.string() + "\".");
        }
    }
    std::error_code error;
    fs::rename(temp, path, error);
    if (error) {
        fs::remove(temp, error);
        return fail("Cannot write \"" + path.string() + "\".");
    }
    return Done{};
}

}  // namespace

std::optional<StillFormat> stillFormatFromExtension(const fs::path& path) {
    const std::string extension = toLowerAscii(path.extension().string());
    if (extension == ".png") return StillFormat::png;
    if (extension == ".jpg" || extension == ".jpeg") return StillFormat::jpeg;
    return std::nullopt;
}

bool isStillPicture(const fs::path& path) {
    return stillFormatFromExtension(path).has_value();
}

Result<Image, std::string> loadScreenshot(const fs::path& path) {
    const auto format = stillFormatFromExtension(path);
    std::optional<Image> image;
    if (format == StillFormat::png) image = loadPng(path);
    if (format == StillFormat::jpeg) image = loadJpeg(path);
    if (!image || !image->isWellFormed()) {
        return fail("The picture \"" + path.string() + "\" is not a readable PNG or JPEG.");
    }
    return std::move(*image);
}

Result<Image, std::string> renderStill(const Image& screenshot, const ExportConfig& config,
                                       const Image* frame) {
    auto source = frameOf(screenshot);
    if (!source) return fail(source.error());
    return compose(**source, screenshot.width, screenshot.height, 0, config, frame);
}

Result<Image, std::string> renderMovieStill(const fs::path& movie, double seconds,
                                            const ExportConfig& config, const Image* frame) {
    auto reader = VideoReader::open(movie);
    if (!reader) return fail("Cannot read \"" + movie.string() + "\": " + reader.error().message);
    if (auto sought = (*reader)->seekExact(seconds); !sought) return fail(sought.error().message);
    auto next = (*reader)->next();
    if (!next) return fail(next.error().message);
    if (!*next) return fail("\"" + movie.string() + "\" has no picture to show.");
    const auto& info = (*reader)->info();
    return compose(*(*next)->frame, info.video.uprightWidth, info.video.uprightHeight,
                   info.video.rotation, config, frame);
}

Result<Done, std::string> saveStill(const Image& image, const fs::path& path) {
    const auto format = stillFormatFromExtension(path);
    if (format == StillFormat::jpeg) return writeJpeg(image, path);
    return savePng(image, path);
}

}  // namespace kestro
