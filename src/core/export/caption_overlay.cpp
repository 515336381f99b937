#include "core/export/caption_overlay.hpp"

#include "core/export/canvas_backdrop.hpp"
#include "core/export/limited_bt709.hpp"
#include "core/export/overlay_copy.hpp"
#include "core/media/av_error.hpp"
#include "core/text/text_renderer.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestro {

// One drawn piece: a caption, or a title card covering the canvas. Its pixels are kept in
// BT.709 limited-range code values (8-bit scale), premultiplied by their alpha.
struct CaptionOverlay::Layer {
    Caption timing;  // start, end and fades
    // A card replaces what is under it (faded by its opacity); a caption lies over it.
    bool replaces = false;
    int x = 0, y = 0, w = 0, h = 0;  // on the canvas, clipped to it
    Image image;                     // straight RGBA, w x h (for the preview)
    std::vector<float> alpha, y709, cb, cr;  // w x h
};

namespace {

// Straight "over" of `top` onto `bottom`, both straight RGBA.
void over(std::uint8_t* bottom, const std::uint8_t* top, double opacity, bool replaces) {
    const double as = top[3] / 255.0 * opacity;
    const double ad = bottom[3] / 255.0;
    const double keep = replaces ? 1 - opacity : 1 - as;
    const double ao = as + ad * keep;
    for (int c = 0; c < 3; ++c) {
        const double v = ao > 0 ? (top[c] * as + bottom[c] * ad * keep) / ao : 0;
        bottom[c] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
    bottom[3] = static_cast<std::uint8_t>(std::clamp(std::lround(ao * 255), 0L, 255L));
}

}  // namespace

CaptionOverlay::~CaptionOverlay() = default;

Result<std::unique_ptr<CaptionOverlay>, std::string> CaptionOverlay::create(
    const CaptionOverlaySetup& setup, TextRenderer& renderer) {
    const int W = setup.canvas.width;
    const int H = setup.canvas.height;
    if (W <= 0 || H <= 0) return fail(std::string("The canvas is empty"));
    std::unique_ptr<CaptionOverlay> overlay(new CaptionOverlay);
    overlay->width_ = W;
    overlay->height_ = H;
    const double end = setup.duration;

    // Keeps the part of `image` at canvas (x, y) that lies on the canvas.
    auto addLayer = [&](Image image, int x, int y, const Caption& timing, bool replaces) {
        const int x0 = std::max(0, x), y0 = std::max(0, y);
        const int x1 = std::min(W, x + image.width), y1 = std::min(H, y + image.height);
        if (x1 <= x0 || y1 <= y0) return;
        Layer layer;
        layer.timing = timing;
        layer.replaces = replaces;
        layer.x = x0, layer.y = y0, layer.w = x1 - x0, layer.h = y1 - y0;
        layer.image = Image::filled(layer.w, layer.h);
        const size_t n = static_cast<size_t>(layer.w) * static_cast<size_t>(layer.h);
        layer.alpha.resize(n), layer.y709.resize(n), layer.cb.resize(n), layer.cr.resize(n);
        for (int j = 0; j < layer.h; ++j) {
            for (int i = 0; i < layer.w; ++i) {
                const Rgba p = image.at(i + x0 - x, j + y0 - y);
                layer.image.set(i, j, p);
                const size_t k = static_cast<size_t>(j) * static_cast<size_t>(layer.w) + static_cast<size_t>(i);
                const float a = p.a / 255.0f;
                const LimitedBt709 c = toLimitedBt709(p.r / 255.0f, p.g / 255.0f, p.b / 255.0f);
                layer.alpha[k] = a;
                layer.y709[k] = a * c.y, layer.cb[k] = a * c.cb, layer.cr[k] = a * c.cr;
            }
        }
        overlay->layers_.push_back(std::move(layer));
    };

    // Title cards: the background with the text on it.
    auto card = [&](const TitleCard& title, Caption timing) -> Result<Done, std::string> {
        if (auto problem = captionTextProblem(title.title)) return fail("The title: " + *problem);
        if (!title.subtitle.empty()) {
            if (auto problem = captionTextProblem(title.subtitle)) {
                return fail("The subtitle: " + *problem);
            }
        }
        BackdropSetup backdrop;
        backdrop.width = W;
        backdrop.height = H;
        backdrop.background = setup.background;
        backdrop.backgroundImage = setup.backgroundImage;
        Image picture = renderBackdrop(backdrop);
        const RenderedText text = renderer.titleCard(title, W, H);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                if (text.image.alpha(x, y)) over(picture.pixel(x, y), text.image.pixel(x, y), 1, false);
            }
        }
        addLayer(std::move(picture), 0, 0, timing, true);
        return Done{};
    };
    const double forever = std::numeric_limits<double>::max();
    if (setup.story.intro && end > 0) {
        const TitleCard& intro = *setup.story.intro;
        Caption timing;
        timing.start = -1;
        timing.end = std::min(intro.seconds, end / 2);
        timing.fadeIn = 0;
        timing.fadeOut = std::min(intro.fade, timing.end);
        if (auto made = card(intro, timing); !made) return fail(made.error());
    }
    if (setup.story.outro && end > 0) {
        const TitleCard& outro = *setup.story.outro;
        Caption timing;
        timing.start = end - std::min(outro.seconds, end / 2);
        timing.end = forever;
        timing.fadeIn = std::min(outro.fade, end - timing.start);
        timing.fadeOut = 0;
        if (auto made = card(outro, timing); !made) return fail(made.error());
    }

    // Captions: checked, cut at the end, drawn once, then placed together so they can stack.
    std::vector<Caption> shown;
    for (size_t i = 0; i < setup.story.captions.size(); ++i) {
        const Caption& caption = setup.story.captions[i];
        if (auto problem = captionProblem(caption)) {
            return fail("Caption " + std::to_string(i + 1) + ": " + *problem);
        }
        if (caption.start >= end) continue;  // after the movie: never seen
        shown.push_back(caption);
        shown.back().end = std::min(caption.end, end);
    }
    std::vector<Image> images;
    std::vector<CaptionBox> sizes;
    for (const Caption& caption : shown) {
        RenderedText text = renderer.caption(caption, W, H);
        sizes.push_back({0, 0, text.image.width, text.image.height});
        images.push_back(std::move(text.image));
    }
    const std::vector<CaptionBox> boxes = placeCaptions(shown, sizes, setup.canvas);
    for (size_t i = 0; i < shown.size(); ++i) {
        addLayer(std::move(images[i]), boxes[i].x, boxes[i].y, shown[i], false);
    }
    return overlay;
}

bool CaptionOverlay::showsAt(double t) const {
    return std::any_of(layers_.begin(), layers_.end(),
                       [t](const Layer& layer) { return captionOpacityAt(layer.timing, t) > 0; });
}

std::vector<double> CaptionOverlay::opacitiesAt(double t) const {
    std::vector<double> opacities;
    opacities.reserve(layers_.size());
    for (const Layer& layer : layers_) opacities.push_back(captionOpacityAt(layer.timing, t));
    return opacities;
}

Result<AVFramePtr, MediaError> CaptionOverlay::apply(const AVFrame& picture, double t) const {
    if (!showsAt(t)) {
        AVFramePtr same = refFrame(picture);
        if (!same) return fail(mediaError(AVERROR(ENOMEM)));
        return same;
    }
    auto copy = overlayCopy(picture, width_, height_, "Captions");
    if (!copy) return fail(copy.error());
    AVFramePtr out = std::move(*copy);
    const auto format = static_cast<AVPixelFormat>(picture.format);
    for (const Layer& layer : layers_) {
        const double opacity = captionOpacityAt(layer.timing, t);
        if (opacity <= 0) continue;
        if (format == AV_PIX_FMT_YUV420P) {
            blendYuv420(*out, layer, opacity);
        } else {
            blendYuva444p10(*out, layer, opacity);
        }
    }
    return out;
}

void CaptionOverlay::blendYuv420(AVFrame& frame, const Layer& layer, double opacity) const {
    const auto f = static_cast<float>(opacity);
    const auto at = [&](int i, int j) {
        return static_cast<size_t>(j) * static_cast<size_t>(layer.w) + static_cast<size_t>(i);
    };
    const auto put = [](uint8_t& sample, float value) {
        sample = static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
    };
    for (int j = 0; j < layer.h; ++j) {
        uint8_t* row = frame.data[0] + static_cast<ptrdiff_t>(layer.y + j) * frame.linesize[0];
        for (int i = 0; i < layer.w; ++i) {
            const size_t k = at(i, j);
            const float keep = layer.replaces ? 1 - f : 1 - f * layer.alpha[k];
            uint8_t& sample = row[layer.x + i];
            put(sample, sample * keep + f * layer.y709[k]);
        }
    }
    // Chroma: each sample covers a 2x2 block of the canvas; the layer's share of the block is
    // the mean of its pixels there (pixels off the layer count as transparent).
    const int cx0 = layer.x / 2, cy0 = layer.y / 2;
    const int cx1 = (layer.x + layer.w + 1) / 2, cy1 = (layer.y + layer.h + 1) / 2;
    for (int cy = cy0; cy < cy1; ++cy) {
        uint8_t* cbRow = frame.data[1] + static_cast<ptrdiff_t>(cy) * frame.linesize[1];
        uint8_t* crRow = frame.data[2] + static_cast<ptrdiff_t>(cy) * frame.linesize[2];
        for (int cx = cx0; cx < cx1; ++cx) {
            float a = 0, cb = 0, cr = 0;
            int inside = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const int i = 2 * cx + dx - layer.x, j = 2 * cy + dy - layer.y;
                    if (i < 0 || j < 0 || i >= layer.w || j >= layer.h) continue;
                    const size_t k = at(i, j);
                    a += layer.alpha[k], cb += layer.cb[k], cr += layer.cr[k];
                    ++inside;
                }
            }
            a /= 4, cb /= 4, cr /= 4;
            const float share = layer.replaces ? inside / 4.0f : a;
            const float keep = 1 - f * share;
            put(cbRow[cx], cbRow[cx] * keep + f * cb);
            put(crRow[cx], crRow[cx] * keep + f * cr);
        }
    }
}

void CaptionOverlay::blendYuva444p10(AVFrame& frame, const Layer& layer, double opacity) const {
    const double f = opacity;
    for (int j = 0; j < layer.h; ++j) {
        uint16_t* rows[4];
        for (int p = 0; p < 4; ++p) {
            rows[p] = reinterpret_cast<uint16_t*>(frame.data[p] +
                                                  static_cast<ptrdiff_t>(layer.y + j) * frame.linesize[p]) +
                      layer.x;
        }
        for (int i = 0; i < layer.w; ++i) {
            const size_t k = static_cast<size_t>(j) * static_cast<size_t>(layer.w) + static_cast<size_t>(i);
            const double as = f * layer.alpha[k];
            const double ad = rows[3][i] / 1023.0;
            const double keep = layer.replaces ? 1 - f : 1 - as;
            const double ao = as + ad * keep;
            const float premultiplied[3] = {layer.y709[k], layer.cb[k], layer.cr[k]};
            const uint16_t neutral[3] = {64, 512, 512};
            for (int p = 0; p < 3; ++p) {
                // Straight colour: the premultiplied sum divided by the new alpha.
                const double v = ao > 0 ? (4 * f * premultiplied[p] + rows[p][i] * ad * keep) / ao
                                        : neutral[p];
                rows[p][i] = static_cast<uint16_t>(std::clamp(std::lround(v), 0L, 1023L));
            }
            rows[3][i] = static_cast<uint16_t>(std::clamp(std::lround(ao * 1023), 0L, 1023L));
        }
    }
}

void CaptionOverlay::drawOn(Image& canvas, double t) const {
    if (canvas.width != width_ || canvas.height != height_ || !canvas.isWellFormed()) return;
    for (const Layer& layer : layers_) {
        const double opacity = captionOpacityAt(layer.timing, t);
        if (opacity <= 0) continue;
        for (int j = 0; j < layer.h; ++j) {
            for (int i = 0; i < layer.w; ++i) {
                over(canvas.pixel(layer.x + i, layer.y + j), layer.image.pixel(i, j), opacity,
                     layer.replaces);
            }
        }
    }
}

}  // namespace kestro
