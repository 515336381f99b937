#include "core/export/constant_canvas_rows.hpp"

#include "core/export/background_paint.hpp"

#include <algorithm>

namespace kestro {

CanvasRect ConstantCanvasRows::frameRectOf(const CompositorSetup& setup) {
    const CanvasRect device =
        setup.view.apply(setup.device.w > 0 && setup.device.h > 0
                             ? setup.device
                             : CanvasRect{0, 0, static_cast<double>(setup.canvasWidth),
                                          static_cast<double>(setup.canvasHeight)});
    if (!setup.frame || setup.frame->empty() || setup.order == CompositorSetup::Order::mov) {
        return device;
    }
    const double fw = setup.frame->width;
    const double fh = setup.frame->height;
    const double s = std::min(device.w / fw, device.h / fh);
    return {device.x + (device.w - fw * s) / 2, device.y + (device.h - fh * s) / 2, fw * s, fh * s};
}

ConstantCanvasRows::ConstantCanvasRows(const CompositorSetup& setup, int x0, int x1)
    : mov_(setup.order == CompositorSetup::Order::mov), fill_(setup.background), view_(setup.view) {
    const int W = setup.canvasWidth;
    const int H = setup.canvasHeight;
    const bool whole = x1 <= x0;
    x0_ = whole ? 0 : x0;
    width_ = whole ? std::max(W, 0) : x1 - x0;
    none_.assign(static_cast<size_t>(width_) * 4, 0.0f);
    const CanvasView& view = setup.view;
    const CanvasRect R = view.apply(toTopLeftOrigin(setup.screen, H));
    rounded_ = RoundedRect::screen(R, setup.screenCornerFraction);
    if (!setup.roundedScreen) rounded_.radius = 0;  // App Store previews: square corners

    const CanvasRect frameRect = frameRectOf(setup);
    if (setup.frame && !setup.frame->empty()) {
        frame_ = std::make_unique<ImageResampler>(*setup.frame, width_, frameRect.x - x0_,
                                                  frameRect.y, frameRect.w, frameRect.h);
    }
    if (whole || setup.shadow) {
        // Background and shadow: premultiplied, what shows wherever the frame and video leave
        // room.
        BackdropSetup backdropSetup;
        backdropSetup.width = W;
        backdropSetup.height = H;
        backdropSetup.background = setup.background;
        backdropSetup.backgroundImage = setup.backgroundImage;
        backdropSetup.shadow = setup.shadow;
        backdropSetup.device =
            view.apply(setup.device.w > 0 && setup.device.h > 0
                           ? setup.device
                           : CanvasRect{0, 0, static_cast<double>(W), static_cast<double>(H)});
        backdropSetup.frame = setup.frame;
        backdropSetup.frameRect = frameRect;
        backdropSetup.screen = R;
        backdropSetup.screenCornerFraction = setup.screenCornerFraction;
        backdropSetup.view = view;
        backdrop_ = std::make_unique<CanvasBackdrop>(backdropSetup);
        return;
    }
    // The same backdrop as CanvasBackdrop draws, for these columns only.
    magnifiedWidth_ = W * view.scale;
    magnifiedHeight_ = H * view.scale;
    row_.assign(static_cast<size_t>(width_) * 4, 0.0f);
    if (fill_.asPicture() && setup.backgroundImage && setup.backgroundImage->isWellFormed()) {
        const Image& image = *setup.backgroundImage;
        const CanvasRect r = view.apply(coverRect(image.width, image.height, W, H));
        picture_ = std::make_unique<ImageResampler>(image, width_, r.x - x0_, r.y, r.w, r.h);
    }
}

void ConstantCanvasRows::background(int y) {
    if (picture_) {
        row_ = picture_->row(y);
    } else if (fill_.asGradient()) {
        const int vx = static_cast<int>(view_.x) + x0_;
        const int vy = static_cast<int>(view_.y);
        for (int x = 0; x < width_; ++x) {
            const auto c = backgroundAt(fill_, x + vx, y + vy, magnifiedWidth_, magnifiedHeight_);
            std::copy(c.begin(), c.end(), row_.begin() + static_cast<std::ptrdiff_t>(x) * 4);
        }
    } else {
        const auto c = backgroundAt(fill_, 0, 0, magnifiedWidth_, magnifiedHeight_);
        for (int x = 0; x < width_; ++x) {
            std::copy(c.begin(), c.end(), row_.begin() + static_cast<std::ptrdiff_t>(x) * 4);
        }
    }
}

ConstantCanvasRows::~ConstantCanvasRows() = default;

void ConstantCanvasRows::row(int y, float* colour, float* alpha, float* weight) {
    const std::vector<float>& f = frame_ ? frame_->row(y) : none_;
    const float* bg = nullptr;
    if (backdrop_) {
        bg = backdrop_->row(y).data() + static_cast<size_t>(x0_) * 4;
    } else {
        background(y);
        bg = row_.data();
    }
    for (int x = 0; x < width_; ++x) {
        const float* F = f.data() + static_cast<size_t>(x) * 4;
        const float m = rounded_.coverage(x + x0_, y);
        const float under = 1.0f - std::clamp(F[3], 0.0f, 1.0f);
        // The screen's share of the pixel, and what the background still shows.
        const float mask = mov_ ? m : m * under;
        const float w = under * mask;
        const float showBg = under * (1.0f - mask);
        float k[4];
        const float* B = bg + static_cast<size_t>(x) * 4;
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
