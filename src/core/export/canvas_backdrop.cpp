#include "core/export/canvas_backdrop.hpp"

#include "core/export/background_paint.hpp"
#include "core/export/rounded_rect.hpp"
#include "core/model/drop_shadow.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

CanvasBackdrop::CanvasBackdrop(const BackdropSetup& setup)
    : width_(std::max(setup.width, 0)),
      height_(std::max(setup.height, 0)),
      background_(setup.background),
      view_(setup.view),
      row_(static_cast<std::size_t>(width_) * 4, 0.0f) {
    if (background_.asPicture() && setup.backgroundImage && setup.backgroundImage->isWellFormed()) {
        const Image& image = *setup.backgroundImage;
        const CanvasRect r = view_.apply(coverRect(image.width, image.height, width_, height_));
        picture_ = std::make_unique<ImageResampler>(image, width_, r.x, r.y, r.w, r.h);
    }
    if (setup.shadow && width_ > 0 && height_ > 0) makeShadow(setup);
}

CanvasBackdrop::~CanvasBackdrop() = default;

void CanvasBackdrop::makeShadow(const BackdropSetup& setup) {
    const double side = std::min(setup.device.w, setup.device.h);
    if (!(side > 0)) return;
    shadow_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    // The silhouette: the frame image's alpha, and the screen opening the video fills.
    if (setup.frame && setup.frame->isWellFormed()) {
        const CanvasRect& f = setup.frameRect;
        ImageResampler frame(*setup.frame, width_, f.x, f.y, f.w, f.h);
        const int y0 = std::clamp(static_cast<int>(std::floor(f.y)), 0, height_);
        const int y1 = std::clamp(static_cast<int>(std::ceil(f.y + f.h)), 0, height_);
        for (int y = y0; y < y1; ++y) {
            const std::vector<float>& r = frame.row(y);
            std::uint8_t* out = shadow_.data() + static_cast<std::size_t>(y) * width_;
            for (int x = 0; x < width_; ++x) {
                const float a = std::clamp(r[static_cast<std::size_t>(x) * 4 + 3], 0.0f, 1.0f);
                out[x] = static_cast<std::uint8_t>(std::lround(a * 255));
            }
        }
    }
    const CanvasRect& s = setup.screen;
    const RoundedRect rounded = RoundedRect::screen(s, setup.screenCornerFraction);
    const int sx0 = std::clamp(static_cast<int>(std::floor(s.x)), 0, width_);
    const int sx1 = std::clamp(static_cast<int>(std::ceil(s.x + s.w)), 0, width_);
    const int sy0 = std::clamp(static_cast<int>(std::floor(s.y)), 0, height_);
    const int sy1 = std::clamp(static_cast<int>(std::ceil(s.y + s.h)), 0, height_);
    for (int y = sy0; y < sy1; ++y) {
        std::uint8_t* out = shadow_.data() + static_cast<std::size_t>(y) * width_;
        for (int x = sx0; x < sx1; ++x) {
            const auto m = static_cast<std::uint8_t>(std::lround(rounded.coverage(x, y) * 255));
            out[x] = std::max(out[x], m);
        }
    }
    const double blur = kShadowBlurFraction * side;
    boxBlurSamples(shadow_.data(), width_, height_, width_, 1, shadowBoxRadius(blur));
    shadowShift_ = static_cast<int>(std::lround(kShadowOffsetFraction * side));
}

const std::vector<float>& CanvasBackdrop::row(int y) {
    // The gradient runs over the magnified canvas; the view's offsets are whole pixels.
    const double W = width_ * view_.scale;
    const double H = height_ * view_.scale;
    const int vx = static_cast<int>(view_.x);
    const int vy = static_cast<int>(view_.y);
    if (picture_) {
        row_ = picture_->row(y);
    } else if (background_.asGradient()) {
        for (int x = 0; x < width_; ++x) {
            const auto c = backgroundAt(background_, x + vx, y + vy, W, H);
            std::copy(c.begin(), c.end(), row_.begin() + static_cast<std::ptrdiff_t>(x) * 4);
        }
    } else {
        // One colour (or none) for the whole row.
        const auto c = backgroundAt(background_, 0, 0, W, H);
        for (int x = 0; x < width_; ++x) {
            std::copy(c.begin(), c.end(), row_.begin() + static_cast<std::ptrdiff_t>(x) * 4);
        }
    }
    const int from = y - shadowShift_;
    if (!shadow_.empty() && from >= 0 && from < height_) {
        // Black at the shadow's alpha over the background.
        const std::uint8_t* s = shadow_.data() + static_cast<std::size_t>(from) * width_;
        for (int x = 0; x < width_; ++x) {
            if (s[x] == 0) continue;
            const float a = static_cast<float>(s[x] / 255.0 * kShadowOpacity);
            float* p = row_.data() + static_cast<std::size_t>(x) * 4;
            p[0] *= 1 - a;
            p[1] *= 1 - a;
            p[2] *= 1 - a;
            p[3] = a + p[3] * (1 - a);
        }
    }
    return row_;
}

Image renderBackdrop(const BackdropSetup& setup) {
    if (setup.width <= 0 || setup.height <= 0) return {};
    CanvasBackdrop backdrop(setup);
    Image image = Image::filled(setup.width, setup.height);
    for (int y = 0; y < setup.height; ++y) {
        const std::vector<float>& r = backdrop.row(y);
        for (int x = 0; x < setup.width; ++x) {
            const float* p = r.data() + static_cast<std::size_t>(x) * 4;
            const float a = std::clamp(p[3], 0.0f, 1.0f);
            auto channel = [a](float v) {
                return static_cast<std::uint8_t>(
                    std::lround(std::clamp(a > 0 ? v / a : 0.0f, 0.0f, 1.0f) * 255));
            };
            image.set(x, y,
                      {channel(p[0]), channel(p[1]), channel(p[2]),
                       static_cast<std::uint8_t>(std::lround(a * 255))});
        }
    }
    return image;
}

}  // namespace kestro
