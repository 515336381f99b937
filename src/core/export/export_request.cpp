#include "core/export/export_request.hpp"

#include "core/export/canvas_size.hpp"
#include "core/model/frame_image.hpp"

namespace kestro {

ExportConfig buildExportConfig(const ExportChoices& choices, const Image* frame) {
    if (frame != nullptr && !frame->isWellFormed()) frame = nullptr;

    ExportConfig config;
    config.format = choices.format;
    const CanvasSize canvas = canvasSize(choices.resolution, frame);
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
    return config;
}

}  // namespace kestro
