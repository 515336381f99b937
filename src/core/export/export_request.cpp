#include "core/export/export_request.hpp"

#include "core/export/canvas_size.hpp"
#include "core/export/fixed_canvas_layout.hpp"
#include "core/model/frame_image.hpp"

#include <algorithm>

namespace kestro {

namespace {

// The canvas's width: chosen outright, else the format's own (GIF) or the resolution's.
std::int64_t chosenWidth(const ExportChoices& choices) {
    if (choices.width) return *choices.width;
    if (choices.format == ExportFormat::gif) return kDefaultGifWidth;
    return canvasWidth(choices.resolution);
}

// The store's canvas, and in it the whole recording fitted and centred; without a usable
// recording size the box is the whole canvas.
CanvasLayout appStoreLayout(const ExportChoices& choices) {
    const std::optional<VideoSize>& recording = choices.recordingSize;
    const bool landscape = recording && recording->width > recording->height;
    const PresetSize size = appStorePreviewSize(*choices.appStore, landscape);
    CanvasLayout layout;
    layout.width = size.width;
    layout.height = size.height;
    layout.device = CanvasRect{0, 0, double(size.width), double(size.height)};
    if (recording && recording->width > 0 && recording->height > 0) {
        const double W = size.width;
        const double H = size.height;
        const double s = std::min(W / recording->width, H / recording->height);
        const double w = recording->width * s;
        const double h = recording->height * s;
        layout.device = CanvasRect{(W - w) / 2, (H - h) / 2, w, h};
    }
    return layout;
}

ExportConfig appStoreConfig(const ExportChoices& choices) {
    const CanvasLayout layout = appStoreLayout(choices);
    ExportConfig config;
    config.format = ExportFormat::mp4;
    config.appStore = choices.appStore;
    config.width = layout.width;
    config.height = layout.height;
    config.trimStart = choices.trimStart;
    config.trimEnd = choices.trimEnd;
    config.screen = ScreenRect{0, 0, 100, 100};
    config.fitMode = VideoFitMode::fit;
    // The compositor fills what the screen rectangle leaves of the video with black, not with
    // the background; so the rectangle is made exactly the fitted recording (taking back the
    // growth the engine adds on every side), and the rest of the canvas is background.
    const std::optional<VideoSize>& recording = choices.recordingSize;
    if (recording && recording->width > 0 && recording->height > 0) {
        // The box is centred, so measuring y from the top or the bottom gives the same value.
        const CanvasRect& box = layout.device;
        const double W = double(layout.width);
        const double H = double(layout.height);
        const double w = box.w - 2 * kScreenGrowth;
        const double h = box.h - 2 * kScreenGrowth;
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
    config.constantRate = choices.constantRate;
    config.quality = choices.quality;
    config.story = choices.story;
    config.camera = choices.camera;
    config.touches = choices.touches;
    config.taps = choices.taps;
    config.speed = choices.speed;
    config.keepFastSound = choices.keepFastSound;
    return config;
}

}  // namespace

Result<CanvasLayout, std::string> canvasLayoutFor(const ExportChoices& choices,
                                                  const Image* frame) {
    if (choices.appStore) return appStoreLayout(choices);
    if (frame != nullptr && !frame->isWellFormed()) frame = nullptr;
    VideoSize content;
    if (frame != nullptr) {
        content = {static_cast<double>(frame->width), static_cast<double>(frame->height)};
    } else if (choices.recordingSize) {
        content = *choices.recordingSize;
    }
    if (choices.googlePlay) {
        const std::optional<VideoSize>& recording = choices.recordingSize;
        const bool landscape = recording && recording->width > recording->height;
        const PresetSize size = googlePlaySize(*choices.googlePlay, landscape);
        return layoutFixedCanvas(size.width, size.height,
                                 choices.paddingPercent.value_or(kDefaultFixedAspectPadding),
                                 content);
    }
    return layoutCanvas(chosenWidth(choices), choices.aspect,
                        effectivePadding(choices.aspect, choices.paddingPercent), content);
}

ExportConfig buildExportConfig(const ExportChoices& choices, const Image* frame) {
    if (choices.appStore) return appStoreConfig(choices);
    if (frame != nullptr && !frame->isWellFormed()) frame = nullptr;

    ExportConfig config;
    config.format = choices.format;
    const auto layout = canvasLayoutFor(choices, frame);
    if (layout) {
        config.width = layout->width;
        config.height = layout->height;
        config.device = devicePercent(*layout);
    } else {
        // Still a canvas of the usual size, so nothing downstream divides by zero; the empty
        // device box is what the engine refuses.
        const CanvasSize canvas = canvasSize(choices.resolution, frame);
        config.width = canvas.width;
        config.height = canvas.height;
        config.device = ScreenRect{50, 50, 0, 0};
    }
    config.shadow = choices.shadow;
    config.trimStart = choices.trimStart;
    config.trimEnd = choices.trimEnd;
    ScreenRect inDevice{0, 0, 100, 100};  // without a frame the recording fills the box
    if (choices.screen) {
        inDevice = *choices.screen;
    } else if (frame != nullptr) {
        inDevice = detectScreenRect(*frame).value_or(kDefaultScreenRect);
    }
    config.screen = deviceToCanvas(inDevice, config.device);
    // The frame's own round corners, so the video meets its bezel without a gap.
    if (frame != nullptr) config.screenCornerFraction = openingCornerFraction(*frame, inDevice);
    config.scale = choices.scalePercent / 100;
    config.offsetX = choices.offsetXPercent / 100;
    config.offsetY = choices.offsetYPercent / 100;
    config.fitMode = choices.fitMode;
    config.background = choices.background;
    config.fps = choices.fps;
    config.constantRate = choices.constantRate;
    if (choices.format == ExportFormat::gif && !config.fps) config.fps = kDefaultGifFrameRate;
    config.quality = choices.quality;
    config.story = choices.story;
    config.camera = choices.camera;
    config.touches = choices.touches;
    config.taps = choices.taps;
    config.speed = choices.speed;
    config.keepFastSound = choices.keepFastSound;
    if (choices.googlePlay) {
        config.googlePlay = choices.googlePlay;
        config.format = ExportFormat::mp4;
        // The listing shows its media on an opaque page, and refuses a feature graphic with
        // alpha.
        if (config.background.isTransparent()) config.background = BackgroundFill::black();
    }
    return config;
}

}  // namespace kestro
