#include "core/export/export_request.hpp"

#include "core/export/canvas_size.hpp"
#include "core/model/frame_image.hpp"

#include <algorithm>

namespace kestro {

namespace {

// The canvas for a width chosen outright: the frame's aspect, or 16:9 without a frame, with
// the height made even like the resolutions' own.
CanvasSize canvasForWidth(std::int64_t width, const Image* frame) {
    if (frame != nullptr && frame->width > 0 && frame->height > 0) {
        return {width, canvasHeightForFrame(width, frame->width, frame->height)};
    }
    return {width, canvasHeightForFrame(width, 16, 9)};
}

ExportConfig appStoreConfig(const ExportChoices& choices, std::optional<VideoSize> recording) {
    const bool landscape = recording && recording->width > recording->height;
    const PresetSize size = appStorePreviewSize(*choices.appStore, landscape);
    ExportConfig config;
    config.format = ExportFormat::mp4;
    config.appStore = choices.appStore;
    config.width = size.width;
    config.height = size.height;
    config.trimStart = choices.trimStart;
    config.trimEnd = choices.trimEnd;
    config.screen = ScreenRect{0, 0, 100, 100};
    config.fitMode = VideoFitMode::fit;
    // The compositor fills what the screen rectangle leaves of the video with black, not with
    // the background; so the rectangle is made exactly the fitted recording (taking back the
    // growth the engine adds on every side), and the rest of the canvas is background.
    if (recording && recording->width > 0 && recording->height > 0) {
        const double W = size.width;
        const double H = size.height;
        const double s = std::min(W / recording->width, H / recording->height);
        const double w = recording->width * s - 2 * kScreenGrowth;
        const double h = recording->height * s - 2 * kScreenGrowth;
        if (w > 0 && h > 0) {
            config.screen =
                ScreenRect{(W - w) / 2 / W * 100, (H - h) / 2 / H * 100, w / W * 100, h / H * 100};
            config.fitMode = VideoFitMode::fill;
        }
    }
    config.background = choices.background;
    // The store plays previews on an opaque page: a see-through background would turn black.
    if (config.background.isTransparent()) config.background = BackgroundFill::black();
    config.fps = choices.fps;
    config.quality = choices.quality;
    return config;
}

}  // namespace

ExportConfig buildExportConfig(const ExportChoices& choices, const Image* frame,
                               std::optional<VideoSize> recording) {
    if (choices.appStore) return appStoreConfig(choices, recording);
    if (frame != nullptr && !frame->isWellFormed()) frame = nullptr;

    ExportConfig config;
    config.format = choices.format;
    const bool gif = choices.format == ExportFormat::gif;
    const CanvasSize canvas = choices.width ? canvasForWidth(*choices.width, frame)
                              : gif         ? canvasForWidth(kDefaultGifWidth, frame)
                                            : canvasSize(choices.resolution, frame);
    config.width = canvas.width;
    config.height = canvas.height;
    config.trimStart = choices.trimStart;
    config.trimEnd = choices.trimEnd;
    if (choices.screen) {
        config.screen = *choices.screen;
    } else if (frame != nullptr) {
        config.screen = detectScreenRect(*frame).value_or(kDefaultScreenRect);
    } else {
        config.screen = kDefaultScreenRect;
    }
    config.scale = choices.scalePercent / 100;
    config.offsetX = choices.offsetXPercent / 100;
    config.offsetY = choices.offsetYPercent / 100;
    config.fitMode = choices.fitMode;
    config.background = choices.background;
    config.fps = choices.fps;
    if (gif && !config.fps) config.fps = kDefaultGifFrameRate;
    config.quality = choices.quality;
    return config;
}

}  // namespace kestro
