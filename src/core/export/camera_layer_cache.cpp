#include "core/export/camera_layer_cache.hpp"

#include "core/export/canvas_backdrop.hpp"
#include "core/export/constant_canvas_rows.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kestro {

namespace {

// The levels: each sqrt(2) above the last, up to the camera's largest scale.
constexpr std::array<double, 4> kLevels{1.4142135623730951, 2, 2.8284271247461903, 4};
constexpr int kWeight = 4;         // the channel of the video's weight
constexpr int kWeightOne = 65280;  // a weight of 1, stored (255 * 256: exact in both ways)

// A footprint's taps along one axis, edge samples repeated past the drawn region.
constexpr int kMaxTaps = 8;
struct Taps {
    int first = 0;
    int count = 0;
    std::array<float, kMaxTaps> w{};
};

// Output sample `index` of a plane subsampled by `shift`, on a level `ratio` times the view's
// scale whose drawn region starts at `origin` and is `size` long; `offset` is the view's.
Taps tapsFor(int index, int shift, double offset, double ratio, int origin, int size) {
    const double step = static_cast<double>(1 << shift);
    const double u = ((index + 0.5) * step + offset) * ratio - origin;  // in level pixels
    const double radius = std::max(1.0, ratio * step);
    const int lo = static_cast<int>(std::floor(u - radius));
    const int hi = static_cast<int>(std::floor(u + radius));
    Taps t;
    t.first = std::clamp(lo, 0, size - 1);
    float total = 0;
    for (int i = lo; i <= hi; ++i) {
        const double weight = 1 - std::abs(i + 0.5 - u) / radius;
        if (weight <= 0) continue;
        const int at = std::clamp(i, 0, size - 1) - t.first;
        if (at >= kMaxTaps) break;  // cannot happen with shrinks below 2x
        t.w[static_cast<size_t>(at)] += static_cast<float>(weight);
        t.count = std::max(t.count, at + 1);
        total += static_cast<float>(weight);
    }
    if (total > 0) {
        for (int k = 0; k < t.count; ++k) t.w[static_cast<size_t>(k)] /= total;
    } else {
        t.count = 1;
        t.w[0] = 1;
    }
    return t;
}

struct Region {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
    bool contains(const Region& r) const {
        return r.x0 >= x0 && r.y0 >= y0 && r.x1 <= x1 && r.y1 <= y1;
    }
    void add(const Region& r) {
        if (empty()) {
            *this = r;
            return;
        }
        x0 = std::min(x0, r.x0), y0 = std::min(y0, r.y0);
        x1 = std::max(x1, r.x1), y1 = std::max(y1, r.y1);
    }
};

size_t levelIndex(double scale) {
    for (size_t i = 0; i < kLevels.size(); ++i) {
        if (scale <= kLevels[i] + 1e-9) return i;
    }
    return kLevels.size() - 1;
}

// What of level `level` a view at `view` samples (its filter's reach included), within the
// level's canvas.
Region reachOf(const CanvasView& view, double level, int width, int height) {
    const double ratio = level / view.scale;
    const double pad = std::ceil(3 * ratio) + 2;
    Region r{static_cast<int>(std::floor(view.x * ratio - pad)),
             static_cast<int>(std::floor(view.y * ratio - pad)),
             static_cast<int>(std::ceil((view.x + width) * ratio + pad)),
             static_cast<int>(std::ceil((view.y + height) * ratio + pad))};
    r.x0 = std::max(r.x0, 0);
    r.y0 = std::max(r.y0, 0);
    r.x1 = std::min(r.x1, static_cast<int>(std::ceil(level * width)));
    r.y1 = std::min(r.y1, static_cast<int>(std::ceil(level * height)));
    return r;
}

}  // namespace

struct CameraLayerCache::Level {
    double scale = 1;
    Region region;  // in pixels of the canvas magnified by `scale`
    bool drawn = false;
    int width = 0, height = 0;
    // Y, Cb, Cr in the plane's codes times kValueScale, alpha (MOV) in 1/64 of its codes, and
    // the weight of the video.
    std::array<std::vector<std::uint16_t>, 5> channels;
    int valueScale = 256;
    // Per row: the longest run of pixels that are all screen, [from, to).
    std::vector<int> opaqueFrom, opaqueTo;
};

namespace {

// Draws `level` over its region from the canvas's own rows: the region is cut into tiles the
// size of the canvas, each drawn as a view at the level's scale. With a shadow the tiles
// overlap by the blur's reach and only their middles are kept, so no seam shows.
void draw(CameraLayerCache::Level& level, const CompositorSetup& base) {
    const bool mov = base.order == CompositorSetup::Order::mov;
    const int W = base.canvasWidth;
    const int H = base.canvasHeight;
    const Region& region = level.region;
    level.width = region.x1 - region.x0;
    level.height = region.y1 - region.y0;
    const size_t n = static_cast<size_t>(level.width) * static_cast<size_t>(level.height);
    for (int c = 0; c < 5; ++c) {
        if (c == 3 && !mov) continue;
        level.channels[static_cast<size_t>(c)].assign(n, 0);
    }
    level.valueScale = mov ? 64 : 256;
    int margin = 0;
    if (base.shadow) {
        const double side =
            level.scale * (base.device.w > 0 && base.device.h > 0
                               ? std::min(base.device.w, base.device.h)
                               : static_cast<double>(std::min(W, H)));
        margin = static_cast<int>(
                     std::ceil((3 * kShadowBlurFraction + kShadowOffsetFraction) * side)) +
                 2;
        margin = std::clamp(margin, 0, (std::min(W, H) - 16) / 2);
    }
    const int stepX = W - 2 * margin;
    const int stepY = H - 2 * margin;
    const double depth = mov ? 4 : 1;
    const double q = level.valueScale;
    std::vector<float> colour(static_cast<size_t>(W) * 3);
    std::vector<float> alpha(static_cast<size_t>(W));
    std::vector<float> weight(static_cast<size_t>(W));
    for (int ty = region.y0 - margin; ty + margin < region.y1; ty += stepY) {
        for (int tx = region.x0 - margin; tx + margin < region.x1; tx += stepX) {
            CompositorSetup setup = base;
            setup.view = {level.scale, static_cast<double>(tx), static_cast<double>(ty)};
            setup.source = nullptr;
            ConstantCanvasRows rows(setup);
            const int ly0 = std::max(margin, region.y0 - ty);
            const int ly1 = std::min(H - margin, region.y1 - ty);
            const int lx0 = std::max(margin, region.x0 - tx);
            const int lx1 = std::min(W - margin, region.x1 - tx);
            for (int y = ly0; y < ly1; ++y) {
                rows.row(y, colour.data(), alpha.data(), weight.data());
                const size_t at = static_cast<size_t>(ty + y - region.y0) * level.width +
                                  static_cast<size_t>(tx - region.x0);
                for (int x = lx0; x < lx1; ++x) {
                    const float* rgb = colour.data() + static_cast<size_t>(x) * 3;
                    const float luma = 0.2126f * rgb[0] + 0.7152f * rgb[1] + 0.0722f * rgb[2];
                    const double codes[3] = {(16 + 219 * luma) * depth,
                                             (128 + 224 * (rgb[2] - luma) / 1.8556f) * depth,
                                             (128 + 224 * (rgb[0] - luma) / 1.5748f) * depth};
                    const size_t i = at + static_cast<size_t>(x);
                    for (int c = 0; c < 3; ++c) {
                        level.channels[static_cast<size_t>(c)][i] = static_cast<std::uint16_t>(
                            std::clamp(std::lround(codes[c] * q), 0L, 65535L));
                    }
                    if (mov) {
                        level.channels[3][i] = static_cast<std::uint16_t>(
                            std::lround(std::clamp(alpha[static_cast<size_t>(x)], 0.0f, 1.0f) *
                                        1023 * 64));
                    }
                    level.channels[kWeight][i] = static_cast<std::uint16_t>(std::lround(
                        std::clamp(weight[static_cast<size_t>(x)], 0.0f, 1.0f) * kWeightOne));
                }
            }
        }
    }
    level.opaqueFrom.assign(static_cast<size_t>(level.height), 0);
    level.opaqueTo.assign(static_cast<size_t>(level.height), 0);
    for (int y = 0; y < level.height; ++y) {
        const std::uint16_t* w =
            level.channels[kWeight].data() + static_cast<size_t>(y) * level.width;
        int best = 0;
        for (int x = 0; x < level.width;) {
            if (w[x] != kWeightOne) {
                ++x;
                continue;
            }
            int end = x + 1;
            while (end < level.width && w[end] == kWeightOne) ++end;
            if (end - x > best) {
                best = end - x;
                level.opaqueFrom[static_cast<size_t>(y)] = x;
                level.opaqueTo[static_cast<size_t>(y)] = end;
            }
            x = end;
        }
    }
    level.drawn = true;
}

// One view's canvas sampled from a drawn level.
class LevelSampler : public CanvasSource {
public:
    LevelSampler(const CameraLayerCache::Level& level, const CanvasView& view, int width,
                 bool mov)
        : level_(level), view_(view), ratio_(level.scale / view.scale), mov_(mov) {
        for (int shift = 0; shift < 2; ++shift) {
            const int count = width >> shift;
            auto& columns = columns_[static_cast<size_t>(shift)];
            columns.reserve(static_cast<size_t>(count));
            for (int x = 0; x < count; ++x) {
                columns.push_back(
                    tapsFor(x, shift, view.x, ratio_, level.region.x0, level.width));
            }
        }
    }

    void planeRow(int plane, int shiftX, int shiftY, int row, int width, std::uint16_t* values,
                  std::uint16_t* weights) const override {
        const Taps rows = tapsFor(row, shiftY, view_.y, ratio_, level_.region.y0, level_.height);
        const std::vector<Taps>& columns = columns_[static_cast<size_t>(std::min(shiftX, 1))];
        width = std::min(width, static_cast<int>(columns.size()));
        // Where every row under the footprint is screen.
        int from = INT_MIN, to = INT_MAX;
        for (int k = 0; k < rows.count; ++k) {
            from = std::max(from, level_.opaqueFrom[static_cast<size_t>(rows.first + k)]);
            to = std::min(to, level_.opaqueTo[static_cast<size_t>(rows.first + k)]);
        }
        auto opaque = [&](int x) {
            const Taps& t = columns[static_cast<size_t>(x)];
            return t.first >= from && t.first + t.count <= to;
        };
        int left = 0;
        while (left < width && !opaque(left)) ++left;
        int right = width;
        while (right > left && !opaque(right - 1)) --right;
        const bool alpha = plane == 3;
        const int depth = mov_ ? 4 : 1;
        const std::uint16_t screenValue = static_cast<std::uint16_t>(
            alpha ? 1023 : (plane == 0 ? 16 : 128) * depth);
        for (int x = left; x < right; ++x) {
            values[x] = screenValue;
            if (!alpha) weights[x] = 256;
        }
        const std::vector<std::uint16_t>& source = level_.channels[static_cast<size_t>(plane)];
        const std::vector<std::uint16_t>& weight = level_.channels[kWeight];
        const double valueScale = alpha ? 64 : level_.valueScale;
        const int maxValue = mov_ ? 1023 : 255;
        for (const auto& [x0, x1] : {std::pair{0, left}, std::pair{right, width}}) {
            if (x1 <= x0) continue;
            // Down the footprint first, over the columns these pixels reach.
            const int c0 = columns[static_cast<size_t>(x0)].first;
            const Taps& last = columns[static_cast<size_t>(x1 - 1)];
            const int c1 = last.first + last.count;
            sumV_.assign(static_cast<size_t>(c1 - c0), 0.0f);
            sumW_.assign(static_cast<size_t>(c1 - c0), 0.0f);
            for (int k = 0; k < rows.count; ++k) {
                const size_t at = static_cast<size_t>(rows.first + k) * level_.width;
                const float w = rows.w[static_cast<size_t>(k)];
                for (int c = c0; c < c1; ++c) {
                    sumV_[static_cast<size_t>(c - c0)] += w * source[at + static_cast<size_t>(c)];
                    if (!alpha) {
                        sumW_[static_cast<size_t>(c - c0)] +=
                            w * weight[at + static_cast<size_t>(c)];
                    }
                }
            }
            // Then across it.
            for (int x = x0; x < x1; ++x) {
                const Taps& t = columns[static_cast<size_t>(x)];
                float v = 0, w = 0;
                for (int k = 0; k < t.count; ++k) {
                    const size_t c = static_cast<size_t>(t.first + k - c0);
                    v += t.w[static_cast<size_t>(k)] * sumV_[c];
                    w += t.w[static_cast<size_t>(k)] * sumW_[c];
                }
                values[x] = static_cast<std::uint16_t>(
                    std::clamp(static_cast<int>(std::lround(v / valueScale)), 0, maxValue));
                if (!alpha) {
                    weights[x] = static_cast<std::uint16_t>(
                        std::clamp(static_cast<int>(std::lround(w / 255)), 0, 256));
                }
            }
        }
    }

private:
    const CameraLayerCache::Level& level_;
    CanvasView view_;
    double ratio_;
    bool mov_;
    std::array<std::vector<Taps>, 2> columns_;
    mutable std::vector<float> sumV_, sumW_;
};

}  // namespace

double CameraLayerCache::levelFor(double scale) {
    return kLevels[levelIndex(scale)];
}

CameraLayerCache::CameraLayerCache(const CompositorSetup& base,
                                   const std::vector<CanvasView>& views)
    : base_(base) {
    base_.source = nullptr;
    for (double scale : kLevels) {
        auto level = std::make_unique<Level>();
        level->scale = scale;
        levels_.push_back(std::move(level));
    }
    for (const CanvasView& view : views) {
        if (!(view.scale > 1)) continue;
        Level& level = *levels_[levelIndex(view.scale)];
        level.region.add(reachOf(view, level.scale, base_.canvasWidth, base_.canvasHeight));
    }
}

CameraLayerCache::~CameraLayerCache() = default;

std::unique_ptr<CanvasSource> CameraLayerCache::sourceFor(const CanvasView& view) {
    if (!(view.scale > 1)) return nullptr;
    Level& level = *levels_[levelIndex(view.scale)];
    if (level.region.empty() ||
        !level.region.contains(
            reachOf(view, level.scale, base_.canvasWidth, base_.canvasHeight))) {
        return nullptr;
    }
    if (!level.drawn) draw(level, base_);
    return std::make_unique<LevelSampler>(level, view, base_.canvasWidth,
                                          base_.order == CompositorSetup::Order::mov);
}

void CameraLayerCache::release() {
    for (auto& level : levels_) {
        level->drawn = false;
        for (auto& channel : level->channels) channel = {};
        level->opaqueFrom = {};
        level->opaqueTo = {};
    }
}

}  // namespace kestro
