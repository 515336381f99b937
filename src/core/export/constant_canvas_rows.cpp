#include "core/export/constant_canvas_rows.hpp"

#include <algorithm>

namespace kestro {

ConstantCanvasRows::ConstantCanvasRows(const CompositorSetup& setup)
    : width_(setup.canvasWidth),
      mov_(setup.order == CompositorSetup::Order::mov),
      none_(static_cast<size_t>(std::max(setup.canvasWidth, 0)) * 4, 0.0f) {
    const int W = setup.canvasWidth;
    const int H = setup.canvasHeight;
    const CanvasView& view = setup.view;
    const CanvasRect R = view.apply(toTopLeftOrigin(setup.screen, H));
    rounded_ = RoundedRect::screen(R, setup.screenCornerFraction);
    if (!setup.roundedScreen) rounded_.radius = 0;  // App Store previews: square corners

    // The device box; the frame image fills it (MOV) or is fitted into it (MP4).
    const CanvasRect device = view.apply(
        setup.device.w > 0 && setup.device.h > 0
            ? setup.device
            : CanvasRect{0, 0, static_cast<double>(W), static_cast<double>(H)});
    CanvasRect frameRect = device;
    if (setup.frame && !setup.frame->empty()) {
        const double fw = setup.frame->width;
        const double fh = setup.frame->height;
        if (!mov_) {
            const double s = std::min(device.w / fw, device.h / fh);
            frameRect = {device.x + (device.w - fw * s) / 2, device.y + (device.h - fh * s) / 2,
                         fw * s, fh * s};
        }
        frame_ = std::make_unique<ImageResampler>(*setup.frame, W, frameRect.x, frameRect.y,
                                                  frameRect.w, frameRect.h);
    }
    // Background and shadow: premultiplied, what shows wherever the frame and video leave room.
    BackdropSetup backdropSetup;
    backdropSetup.width = W;
    backdropSetup.height = H;
    backdropSetup.background = setup.background;
    backdropSetup.backgroundImage = setup.backgroundImage;
    backdropSetup.shadow = setup.shadow;
    backdropSetup.device = device;
    backdropSetup.frame = setup.frame;
    backdropSetup.frameRect = frameRect;
    backdropSetup.screen = R;
    backdropSetup.screenCornerFraction = setup.screenCornerFraction;
    backdropSetup.view = view;
    backdrop_ = std::make_unique<CanvasBackdrop>(backdropSetup);
}

ConstantCanvasRows::~ConstantCanvasRows() = default;

void ConstantCanvasRows::row(int y, float* colour, float* alpha, float* weight) {
    const std::vector<float>& f = frame_ ? frame_->row(y) : none_;
    const std::vector<float>& bg = backdrop_->row(y);
    for (int x = 0; x < width_; ++x) {
        const float* F = f.data() + static_cast<size_t>(x) * 4;
        const float m = rounded_.coverage(x, y);
        const float under = 1.0f - std::clamp(F[3], 0.0f, 1.0f);
        // The screen's share of the pixel, and what the background still shows.
        const float mask = mov_ ? m : m * under;
        const float w = under * mask;
        const float showBg = under * (1.0f - mask);
        float k[4];
        const float* B = bg.data() + static_cast<size_t>(x) * 4;
        for (int ch = 0; ch < 4; ++ch) k[ch] = F[ch] + showBg * B[ch];
        float a = 1.0f;
        float ws = w;
        float scale = 1.0f;
        if (mov_) {
            a = std::clamp(k[3] + w, 0.0f, 1.0f);
            scale = a > 0 ? 1.0f / a : 0.0f;
            ws = std::min(w * scale, 1.0f);
        }
        for (int ch = 0; ch < 3; ++ch) {
            colour[static_cast<size_t>(x) * 3 + ch] = std::clamp(k[ch] * scale, 0.0f, 1.0f);
        }
        alpha[x] = a;
        weight[x] = ws;
    }
}

}  // namespace kestro
