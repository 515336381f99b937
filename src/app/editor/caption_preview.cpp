#include "app/editor/caption_preview.hpp"

#include "core/export/caption_overlay.hpp"
#include "core/text/text_renderer.hpp"

#include <algorithm>

namespace kestro {

CaptionPreview::CaptionPreview() = default;
CaptionPreview::~CaptionPreview() = default;

void CaptionPreview::setInputs(const CaptionPreviewInputs& inputs) {
    overlay_.reset();
    problem_.clear();
    shownOpacities_.clear();
    shown_ = QImage();
    backgroundImage_ = inputs.backgroundImage;
    width_ = static_cast<int>(inputs.canvas.width);
    height_ = static_cast<int>(inputs.canvas.height);
    if (inputs.story.empty() || width_ <= 0 || height_ <= 0 || !(inputs.duration > 0)) return;
    if (!renderer_) renderer_ = std::make_unique<TextRenderer>();
    // The same setup the exporter makes (device box top-left, on the canvas in pixels).
    CaptionOverlaySetup setup;
    const CanvasRect& device = inputs.canvas.device;
    setup.canvas = {width_, height_, device.x, device.y, device.w, device.h};
    setup.story = inputs.story;
    setup.duration = inputs.duration;
    setup.background = inputs.background;
    setup.backgroundImage = backgroundImage_.get();
    auto made = CaptionOverlay::create(setup, *renderer_);
    if (!made) {
        problem_ = QString::fromStdString(made.error());
        return;
    }
    overlay_ = std::move(*made);
}

QImage CaptionPreview::pictureAt(double t) {
    if (!overlay_) return {};
    std::vector<double> opacities = overlay_->opacitiesAt(t);
    if (std::none_of(opacities.begin(), opacities.end(), [](double o) { return o > 0; })) return {};
    if (opacities == shownOpacities_ && !shown_.isNull()) return shown_;
    Image canvas = Image::filled(width_, height_);
    overlay_->drawOn(canvas, t);
    shown_ = QImage(canvas.rgba.data(), canvas.width, canvas.height,
                    static_cast<qsizetype>(canvas.stride()), QImage::Format_RGBA8888)
                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    shownOpacities_ = std::move(opacities);
    return shown_;
}

}  // namespace kestro
