#include "core/export/camera_layer_cache.hpp"

#include "core/export/canvas_backdrop.hpp"
#include "core/export/constant_canvas_rows.hpp"
#include "core/export/rounded_rect.hpp"

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

constexpr int kBlock = 128;  // levels are drawn and kept in blocks this many pixels square

// A channel's value where the canvas is all screen: the video shows unchanged.
std::uint16_t screenCode(int channel, bool mov, int valueScale) {
    const int depth = mov ? 4 : 1;
    switch (channel) {
        case 0:
            return static_cast<std::uint16_t>(16 * depth * valueScale);
        case 3:
            return 1023 * 64;
        case kWeight:
            return kWeightOne;
        default:
            return static_cast<std::uint16_t>(128 * depth * valueScale);
    }
}

}  // namespace

// Counts of the frame image's pixels that are not fully transparent, summed over rectangles.
class CameraLayerCache::FrameCoverage {
public:
    explicit FrameCoverage(const Image* frame) {
        if (!frame || frame->empty()) return;
        w_ = frame->width;
        h_ = frame->height;
        sums_.assign(static_cast<size_t>(w_ + 1) * static_cast<size_t>(h_ + 1), 0);
        for (int y = 0; y < h_; ++y) {
            const std::uint8_t* p = frame->pixel(0, y);
            int run = 0;
            for (int x = 0; x < w_; ++x) {
                run += p[static_cast<size_t>(x) * 4 + 3] != 0;
                sum(x + 1, y + 1) = sum(x + 1, y) + run;
            }
        }
    }
    bool any() const { return w_ > 0; }
    // Whether any pixel in [x0, x1) x [y0, y1) of the image shows (clipped to the image).
    bool shows(int x0, int y0, int x1, int y1) const {
        x0 = std::clamp(x0, 0, w_), x1 = std::clamp(x1, 0, w_);
        y0 = std::clamp(y0, 0, h_), y1 = std::clamp(y1, 0, h_);
        if (x1 <= x0 || y1 <= y0) return false;
        return sum(x1, y1) - sum(x0, y1) - sum(x1, y0) + sum(x0, y0) > 0;
    }

private:
    std::int64_t& sum(int x, int y) {
        return sums_[static_cast<size_t>(y) * (w_ + 1) + static_cast<size_t>(x)];
    }
    std::int64_t sum(int x, int y) const {
        return sums_[static_cast<size_t>(y) * (w_ + 1) + static_cast<size_t>(x)];
    }
    int w_ = 0, h_ = 0;
    std::vector<std::int64_t> sums_;
};

struct CameraLayerCache::Level {
    double scale = 1;
    Region region;  // in pixels of the canvas magnified by `scale`
    int width = 0, height = 0;
    bool mov = false;
    // Y, Cb, Cr in the plane's codes times valueScale, alpha (MOV) in 1/64 of its codes, and
    // the weight of the video.
    int valueScale = 256;
    int channels = 4;
    struct Block {
        bool drawn = false;
        // One value per channel throughout (the screen, a plain background, a bezel of one
        // colour): nothing stored.
        bool uniform = false;
        std::array<std::uint16_t, 5> value{};
        std::vector<std::uint16_t> data;  // otherwise channel by channel, kBlock x kBlock each
    };
    int blocksX = 0, blocksY = 0;
    std::vector<Block> blocks;  // empty until the level is first used

    Block& block(int bx, int by) {
        return blocks[static_cast<size_t>(by) * blocksX + static_cast<size_t>(bx)];
    }
    const Block& block(int bx, int by) const {
        return blocks[static_cast<size_t>(by) * blocksX + static_cast<size_t>(bx)];
    }
    int channelIndex(int channel) const { return channel == kWeight ? channels - 1 : channel; }
    std::uint16_t* at(Block& b, int channel, int x, int y) {
        return b.data.data() + static_cast<size_t>(channelIndex(channel)) * kBlock * kBlock +
               static_cast<size_t>(y) * kBlock + static_cast<size_t>(x);
    }
};

namespace {

using Level = CameraLayerCache::Level;
using FrameCoverage = CameraLayerCache::FrameCoverage;

// Stores one pixel of drawn rows (straight colour, alpha, weight) at level pixel (x, y),
// relative to the region.
void store(Level& level, Level::Block& block, int x, int y, const float* rgb, float alpha,
           float weight) {
    const double depth = level.mov ? 4 : 1;
    const double q = level.valueScale;
    const float luma = 0.2126f * rgb[0] + 0.7152f * rgb[1] + 0.0722f * rgb[2];
    const double codes[3] = {(16 + 219 * luma) * depth,
                             (128 + 224 * (rgb[2] - luma) / 1.8556f) * depth,
                             (128 + 224 * (rgb[0] - luma) / 1.5748f) * depth};
    const int bx = x % kBlock, by = y % kBlock;
    for (int c = 0; c < 3; ++c) {
        *level.at(block, c, bx, by) =
            static_cast<std::uint16_t>(std::clamp(codes[c] * q + 0.5, 0.0, 65535.0));
    }
    if (level.mov) {
        *level.at(block, 3, bx, by) =
            static_cast<std::uint16_t>(std::clamp(alpha, 0.0f, 1.0f) * 1023 * 64 + 0.5f);
    }
    *level.at(block, kWeight, bx, by) =
        static_cast<std::uint16_t>(std::clamp(weight, 0.0f, 1.0f) * kWeightOne + 0.5f);
}

void allocate(Level& level, Level::Block& block) {
    block.data.assign(static_cast<size_t>(level.channels) * kBlock * kBlock, 0);
}

// Draws one block as a view at the level's scale whose corner is the block's.
void drawBlock(Level& level, int bx, int by, const CompositorSetup& base) {
    Level::Block& block = level.block(bx, by);
    allocate(level, block);
    const int x0 = bx * kBlock, y0 = by * kBlock;
    const int w = std::min(kBlock, level.width - x0);
    const int h = std::min(kBlock, level.height - y0);
    CompositorSetup setup = base;
    setup.view = {level.scale, static_cast<double>(level.region.x0 + x0),
                  static_cast<double>(level.region.y0 + y0)};
    ConstantCanvasRows rows(setup, 0, w);
    std::vector<float> colour(static_cast<size_t>(w) * 3), alpha(static_cast<size_t>(w)),
        weight(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        rows.row(y, colour.data(), alpha.data(), weight.data());
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(x);
            store(level, block, x0 + x, y0 + y, colour.data() + i * 3, alpha[i], weight[i]);
        }
    }
    block.drawn = true;
    // A block of one value is kept as that value (its unused corner past the region's edge
    // repeats it too, as the sampler clamps to the region).
    bool uniform = true;
    for (int c = 0; c < 5 && uniform; ++c) {
        if (c == 3 && !level.mov) continue;
        const std::uint16_t* p = level.at(block, c, 0, 0);
        block.value[static_cast<size_t>(c)] = p[0];
        for (int y = 0; y < h && uniform; ++y) {
            uniform = std::all_of(p + static_cast<size_t>(y) * kBlock,
                                  p + static_cast<size_t>(y) * kBlock + w,
                                  [&](std::uint16_t v) { return v == p[0]; });
        }
    }
    if (uniform) {
        block.uniform = true;
        block.data = {};
    }
}

// With a shadow, whose blur reaches across blocks, the level is drawn whole in tiles the size
// of the canvas that overlap by the blur's reach, and only their middles are kept.
void drawWithShadow(Level& level, const CompositorSetup& base) {
    const int W = base.canvasWidth;
    const int H = base.canvasHeight;
    const Region& region = level.region;
    const double side = level.scale * (base.device.w > 0 && base.device.h > 0
                                           ? std::min(base.device.w, base.device.h)
                                           : static_cast<double>(std::min(W, H)));
    int margin =
        static_cast<int>(std::ceil((3 * kShadowBlurFraction + kShadowOffsetFraction) * side)) + 2;
    margin = std::clamp(margin, 0, (std::min(W, H) - 16) / 2);
    const int stepX = W - 2 * margin;
    const int stepY = H - 2 * margin;
    for (auto& block : level.blocks) {
        allocate(level, block);
        block.uniform = false;
        block.drawn = true;
    }
    std::vector<float> colour(static_cast<size_t>(W) * 3);
    std::vector<float> alpha(static_cast<size_t>(W));
    std::vector<float> weight(static_cast<size_t>(W));
    for (int ty = region.y0 - margin; ty + margin < region.y1; ty += stepY) {
        for (int tx = region.x0 - margin; tx + margin < region.x1; tx += stepX) {
            CompositorSetup setup = base;
            setup.view = {level.scale, static_cast<double>(tx), static_cast<double>(ty)};
            ConstantCanvasRows rows(setup);
            const int ly0 = std::max(margin, region.y0 - ty);
            const int ly1 = std::min(H - margin, region.y1 - ty);
            const int lx0 = std::max(margin, region.x0 - tx);
            const int lx1 = std::min(W - margin, region.x1 - tx);
            for (int y = ly0; y < ly1; ++y) {
                rows.row(y, colour.data(), alpha.data(), weight.data());
                const int ry = ty + y - region.y0;
                for (int x = lx0; x < lx1; ++x) {
                    const int rx = tx + x - region.x0;
                    const size_t i = static_cast<size_t>(x);
                    store(level, level.block(rx / kBlock, ry / kBlock), rx, ry,
                          colour.data() + i * 3, alpha[i], weight[i]);
                }
            }
        }
    }
}

// Lays out a level's blocks and finds those that are all screen: inside the opening by more
// than its anti-aliased rim, and clear of every pixel of the frame image that shows (with the
// reach of the frame's resampling).
void prepare(Level& level, const CompositorSetup& base, const FrameCoverage& frame) {
    level.width = level.region.x1 - level.region.x0;
    level.height = level.region.y1 - level.region.y0;
    level.mov = base.order == CompositorSetup::Order::mov;
    level.valueScale = level.mov ? 64 : 256;
    level.channels = level.mov ? 5 : 4;
    level.blocksX = (level.width + kBlock - 1) / kBlock;
    level.blocksY = (level.height + kBlock - 1) / kBlock;
    level.blocks.assign(static_cast<size_t>(level.blocksX) * level.blocksY, {});
    CompositorSetup at = base;
    at.view = {level.scale, 0, 0};
    RoundedRect opening = RoundedRect::screen(
        at.view.apply(toTopLeftOrigin(base.screen, base.canvasHeight)), base.screenCornerFraction);
    if (!base.roundedScreen) opening.radius = 0;
    const CanvasRect frameRect = ConstantCanvasRows::frameRectOf(at);
    const bool framed = base.frame && !base.frame->empty() && frame.any();
    for (int by = 0; by < level.blocksY; ++by) {
        for (int bx = 0; bx < level.blocksX; ++bx) {
            const int x0 = level.region.x0 + bx * kBlock - 1;
            const int y0 = level.region.y0 + by * kBlock - 1;
            const int x1 = std::min(level.region.x0 + (bx + 1) * kBlock, level.region.x1);
            const int y1 = std::min(level.region.y0 + (by + 1) * kBlock, level.region.y1);
            bool screen = opening.coverage(x0, y0) >= 1 && opening.coverage(x1, y0) >= 1 &&
                          opening.coverage(x0, y1) >= 1 && opening.coverage(x1, y1) >= 1;
            if (screen && framed) {
                const double kx = base.frame->width / frameRect.w;
                const double ky = base.frame->height / frameRect.h;
                screen = !frame.shows(static_cast<int>(std::floor((x0 - frameRect.x) * kx)) - 2,
                                      static_cast<int>(std::floor((y0 - frameRect.y) * ky)) - 2,
                                      static_cast<int>(std::ceil((x1 + 1 - frameRect.x) * kx)) + 2,
                                      static_cast<int>(std::ceil((y1 + 1 - frameRect.y) * ky)) + 2);
            }
            if (screen) {
                Level::Block& block = level.block(bx, by);
                block.uniform = block.drawn = true;
                for (int c = 0; c < 5; ++c) {
                    block.value[static_cast<size_t>(c)] =
                        screenCode(c, level.mov, level.valueScale);
                }
            }
        }
    }
}

// One view's canvas sampled from a level.
class LevelSampler : public CanvasSource {
public:
    LevelSampler(const Level& level, const CanvasView& view, int width)
        : level_(level), view_(view), ratio_(level.scale / view.scale) {
        for (int shift = 0; shift < 2; ++shift) {
            const int count = width >> shift;
            auto& columns = columns_[static_cast<size_t>(shift)];
            columns.reserve(static_cast<size_t>(count));
            for (int x = 0; x < count; ++x) {
                columns.push_back(tapsFor(x, shift, view.x, ratio_, level.region.x0, level.width));
                firstBlock_[static_cast<size_t>(shift)].push_back(columns.back().first / kBlock);
                lastBlock_[static_cast<size_t>(shift)].push_back(
                    (columns.back().first + columns.back().count - 1) / kBlock);
            }
        }
    }

    void planeRow(int plane, int shiftX, int shiftY, int row, int x0, int x1, std::uint16_t* values,
                  std::uint16_t* weights) const override {
        const Taps rows = tapsFor(row, shiftY, view_.y, ratio_, level_.region.y0, level_.height);
        const std::vector<Taps>& columns = columns_[static_cast<size_t>(std::min(shiftX, 1))];
        const int width = std::min(x1, static_cast<int>(columns.size()));
        const bool alpha = plane == 3;
        // Per column of blocks: the one value every row under the footprint has there, if any.
        const int by0 = rows.first / kBlock;
        const int by1 = (rows.first + rows.count - 1) / kBlock;
        const auto channel = static_cast<size_t>(plane);
        // Runs of block columns that share one value throughout, numbered; -1 elsewhere.
        runOf_.assign(static_cast<size_t>(level_.blocksX), -1);
        int runs = 0;
        for (int bx = 0; bx < level_.blocksX; ++bx) {
            const Level::Block& a = level_.block(bx, by0);
            const Level::Block& b = level_.block(bx, by1);
            if (!(a.uniform && b.uniform && a.value[channel] == b.value[channel] &&
                  a.value[kWeight] == b.value[kWeight])) {
                continue;
            }
            const bool joins = bx > 0 && runOf_[static_cast<size_t>(bx - 1)] >= 0 &&
                               level_.block(bx - 1, by0).value[channel] == a.value[channel] &&
                               level_.block(bx - 1, by0).value[kWeight] == a.value[kWeight];
            runOf_[static_cast<size_t>(bx)] = joins ? runOf_[static_cast<size_t>(bx - 1)] : runs++;
        }
        // The scales are powers of two: multiplying by the inverse is dividing, exactly.
        const double inverseScale = 1.0 / (alpha ? 64 : level_.valueScale);
        const int maxValue = level_.mov ? 1023 : 255;
        auto code = [&](float v) {
            return static_cast<std::uint16_t>(std::clamp(
                static_cast<int>(static_cast<double>(v) * inverseScale + 0.5), 0, maxValue));
        };
        auto weightOf = [](float w) {
            return static_cast<std::uint16_t>(std::clamp(static_cast<int>(w / 255 + 0.5f), 0, 256));
        };
        // Pixels whose footprint lies in blocks of one shared value take it; the others are
        // sampled, run by run.
        const auto& firstBlock = firstBlock_[static_cast<size_t>(std::min(shiftX, 1))];
        const auto& lastBlock = lastBlock_[static_cast<size_t>(std::min(shiftX, 1))];
        auto runAt = [&](int at) {
            const int a = runOf_[static_cast<size_t>(firstBlock[static_cast<size_t>(at)])];
            return a == runOf_[static_cast<size_t>(lastBlock[static_cast<size_t>(at)])] ? a : -1;
        };
        int x = std::max(x0, 0);
        while (x < width) {
            const int run = runAt(x);
            int end = x + 1;
            while (end < width && runAt(end) == run) ++end;
            if (run >= 0) {
                const Level::Block& block = level_.block(firstBlock[static_cast<size_t>(x)], by0);
                std::fill(values + x, values + end, code(block.value[channel]));
                if (!alpha) std::fill(weights + x, weights + end, weightOf(block.value[kWeight]));
            } else {
                sample(rows, columns, x, end, plane, values, weights, code, weightOf);
            }
            x = end;
        }
    }

    void screenSpans(int plane, int shiftX, int shiftY, int row, int width,
                     std::vector<Span>& spans) const override {
        spans.clear();
        const Taps rows = tapsFor(row, shiftY, view_.y, ratio_, level_.region.y0, level_.height);
        const int by0 = rows.first / kBlock;
        const int by1 = (rows.first + rows.count - 1) / kBlock;
        const auto channel = static_cast<size_t>(plane);
        const std::uint16_t screen =
            screenCode(plane, level_.mov, plane == 3 ? 64 : level_.valueScale);
        auto isScreen = [&](int bx) {
            for (const int by : {by0, by1}) {
                const Level::Block& b = level_.block(bx, by);
                if (!b.uniform || b.value[channel] != screen || b.value[kWeight] != kWeightOne) {
                    return false;
                }
            }
            return true;
        };
        // A footprint's first and last block columns grow with the sample: the samples within
        // a run of screen block columns are one span.
        const size_t at = static_cast<size_t>(std::min(shiftX, 1));
        const auto& firstBlock = firstBlock_[at];
        const auto& lastBlock = lastBlock_[at];
        const auto end =
            firstBlock.begin() + std::min<std::ptrdiff_t>(width, std::ssize(firstBlock));
        for (int bx = 0; bx < level_.blocksX;) {
            if (!isScreen(bx)) {
                ++bx;
                continue;
            }
            int last = bx;
            while (last + 1 < level_.blocksX && isScreen(last + 1)) ++last;
            const auto from = std::lower_bound(firstBlock.begin(), end, bx);
            const auto to = std::upper_bound(lastBlock.begin(),
                                             lastBlock.begin() + (end - firstBlock.begin()), last);
            const int x0 = static_cast<int>(from - firstBlock.begin());
            const int x1 = static_cast<int>(to - lastBlock.begin());
            if (x1 > x0) spans.push_back({x0, x1});
            bx = last + 1;
        }
    }

private:
    template <class Code, class Weight>
    void sample(const Taps& rows, const std::vector<Taps>& columns, int x0, int x1, int plane,
                std::uint16_t* values, std::uint16_t* weights, Code code, Weight weightOf) const {
        const bool alpha = plane == 3;
        {
            // Down the footprint first, over the columns these pixels reach.
            const int c0 = columns[static_cast<size_t>(x0)].first;
            const Taps& last = columns[static_cast<size_t>(x1 - 1)];
            const int c1 = last.first + last.count;
            sumV_.assign(static_cast<size_t>(c1 - c0), 0.0f);
            sumW_.assign(static_cast<size_t>(c1 - c0), 0.0f);
            for (int k = 0; k < rows.count; ++k) {
                const float w = rows.w[static_cast<size_t>(k)];
                addRow(plane, rows.first + k, c0, c1, w, sumV_.data());
                if (!alpha) addRow(kWeight, rows.first + k, c0, c1, w, sumW_.data());
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
                values[x] = code(v);
                if (!alpha) weights[x] = weightOf(w);
            }
        }
    }

    // Adds `w` times columns [c0, c1) of row `y` of `channel` to `sum`.
    void addRow(int channel, int y, int c0, int c1, float w, float* sum) const {
        const int by = y / kBlock;
        const int ry = y % kBlock;
        for (int bx = c0 / kBlock; bx * kBlock < c1; ++bx) {
            const int from = std::max(c0, bx * kBlock);
            const int to = std::min(c1, (bx + 1) * kBlock);
            const Level::Block& block = level_.block(bx, by);
            float* out = sum + (from - c0);
            if (block.uniform || !block.drawn) {
                const float v = w * block.value[static_cast<size_t>(channel)];
                addScaled(out, nullptr, v, to - from);
                continue;
            }
            const std::uint16_t* in =
                block.data.data() +
                static_cast<size_t>(level_.channelIndex(channel)) * kBlock * kBlock +
                static_cast<size_t>(ry) * kBlock + static_cast<size_t>(from - bx * kBlock);
            addScaled(out, in, w, to - from);
        }
    }

    // out[i] += w * in[i] (w alone without `in`) for i < n, eight at a time where it can, which
    // compilers turn into vector code at their usual optimisation.
    static void addScaled(float* out, const std::uint16_t* in, float w, int n) {
        int i = 0;
        if (in) {
            for (; i + 8 <= n; i += 8) {
                for (int k = 0; k < 8; ++k) out[i + k] += w * in[i + k];
            }
            for (; i < n; ++i) out[i] += w * in[i];
        } else {
            for (; i + 8 <= n; i += 8) {
                for (int k = 0; k < 8; ++k) out[i + k] += w;
            }
            for (; i < n; ++i) out[i] += w;
        }
    }

    const Level& level_;
    CanvasView view_;
    double ratio_;
    std::array<std::vector<Taps>, 2> columns_;
    mutable std::vector<float> sumV_, sumW_;
    // Per output column of each plane width: the block columns its footprint starts and ends in.
    std::array<std::vector<int>, 2> firstBlock_, lastBlock_;
    mutable std::vector<int> runOf_;
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
    const Region reach = reachOf(view, level.scale, base_.canvasWidth, base_.canvasHeight);
    if (level.region.empty() || !level.region.contains(reach)) return nullptr;
    if (level.blocks.empty()) {
        if (!frame_) frame_ = std::make_unique<FrameCoverage>(base_.frame);
        prepare(level, base_, *frame_);
        if (base_.shadow) drawWithShadow(level, base_);
    }
    // Every block the view reaches that is not all screen.
    const int bx0 = (reach.x0 - level.region.x0) / kBlock;
    const int by0 = (reach.y0 - level.region.y0) / kBlock;
    const int bx1 = (reach.x1 - 1 - level.region.x0) / kBlock;
    const int by1 = (reach.y1 - 1 - level.region.y0) / kBlock;
    for (int by = by0; by <= by1; ++by) {
        for (int bx = bx0; bx <= bx1; ++bx) {
            const Level::Block& block = level.block(bx, by);
            if (!block.drawn) drawBlock(level, bx, by, base_);
        }
    }
    return std::make_unique<LevelSampler>(level, view, base_.canvasWidth);
}

void CameraLayerCache::release() {
    for (auto& level : levels_) {
        level->blocks = {};
    }
    frame_.reset();
}

}  // namespace kestro
