#include "core/export/export_request.hpp"

#include "core/export/canvas_size.hpp"
#include "core/model/frame_image.hpp"

namespace kestro {

Result<CanvasLayout, std::string> canvasLayoutFor(const ExportChoices& choices,
                                                  const Image* frame) {
    if (frame != nullptr && !frame->isWellFormed()) frame = nullptr;
    VideoSize content;
    if (frame != nullptr) {
        content = {static_cast<double>(frame->width), static_cast<double>(frame->height)};
    } else if (choices.recordingSize) {
        content = *choices.recordingSize;
    }
    return layoutCanvas(canvasWidth(choices.resolution), choices.aspect,
                        effectivePadding(choices.aspect, choices.paddingPercent), content);
}

ExportConfig buildExportConfig(const ExportChoices& choices, const Image* frame) {
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
    config.scale = choices.scalePercent / 100;
    config.offsetX = choices.offsetXPercent / 100;
    config.offsetY = choices.offsetYPercent / 100;
    config.fitMode = choices.fitMode;
    config.background = choices.background;
    config.fps = choices.fps;
    return config;
}

}  // namespace kestro
