#include "core/export/image_resampler.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

std::vector<ImageResampler::Taps> ImageResampler::taps(int outCount, int inCount, double offset,
                                                       double length) {
    std::vector<Taps> result(static_cast<size_t>(std::max(outCount, 0)));
    if (inCount <= 0 || length <= 0) return result;
    const double scale = length / inCount;              // canvas pixels per source pixel
    const double support = std::max(1.0, 1.0 / scale);  // in source pixels
    for (int i = 0; i < outCount; ++i) {
        const double centre = (i + 0.5 - offset) / scale - 0.5;  // in source pixel indices
        const int first = static_cast<int>(std::floor(centre - support)) + 1;
        const int last = static_cast<int>(std::ceil(centre + support)) - 1;
        Taps& t = result[static_cast<size_t>(i)];
        std::vector<float> weights;
        for (int j = first; j <= last; ++j) {
            weights.push_back(
                static_cast<float>(std::max(0.0, 1.0 - std::abs(j - centre) / support)));
        }
        // Pixels whose centre lies off the drawn rectangle stay empty; inside it the filter is
        // clamped to the image, so an image that exactly covers the canvas keeps its edges.
        if (i + 0.5 < offset || i + 0.5 > offset + length) continue;
        const int lo = std::max(first, 0);
        const int hi = std::min(last, inCount - 1);
        if (lo > hi) continue;
        double inside = 0;
        for (int j = lo; j <= hi; ++j) inside += weights[static_cast<size_t>(j - first)];
        if (inside <= 0) continue;
        t.first = lo;
        for (int j = lo; j <= hi; ++j) {
            t.weights.push_back(
                static_cast<float>(weights[static_cast<size_t>(j - first)] / inside));
        }
    }
    return result;
}

ImageResampler::ImageResampler(const Image& image, int canvasWidth, double x, double y, double w,
                               double h)
    : image_(image), canvasWidth_(canvasWidth) {
    const int canvasRows = static_cast<int>(std::ceil(y + h)) + 1;
    columns_ = taps(canvasWidth, image.width, x, w);
    rows_ = taps(std::max(canvasRows, 0), image.height, y, h);
    size_t window = 4;
    for (const Taps& t : rows_) window = std::max(window, t.weights.size() + 1);
    cache_.assign(window, {});
    cachedRow_.assign(window, -1);
    out_.assign(static_cast<size_t>(canvasWidth) * 4, 0.0f);
}

const std::vector<float>& ImageResampler::sourceRow(int sourceRow) {
    const size_t slot = static_cast<size_t>(sourceRow) % cache_.size();
    std::vector<float>& row = cache_[slot];
    if (cachedRow_[slot] == sourceRow) return row;
    cachedRow_[slot] = sourceRow;
    row.assign(static_cast<size_t>(canvasWidth_) * 4, 0.0f);
    const std::uint8_t* src = image_.pixel(0, sourceRow);
    for (int x = 0; x < canvasWidth_; ++x) {
        const Taps& t = columns_[static_cast<size_t>(x)];
        float r = 0, g = 0, b = 0, a = 0;
        for (size_t k = 0; k < t.weights.size(); ++k) {
            const std::uint8_t* p = src + static_cast<size_t>(t.first + static_cast<int>(k)) * 4;
            const float alpha = p[3] * (1.0f / 255.0f);
            const float wa = t.weights[k] * alpha;
            r += wa * p[0];
            g += wa * p[1];
            b += wa * p[2];
            a += t.weights[k] * alpha;
        }
        float* o = row.data() + static_cast<size_t>(x) * 4;
        o[0] = r * (1.0f / 255.0f);
        o[1] = g * (1.0f / 255.0f);
        o[2] = b * (1.0f / 255.0f);
        o[3] = a;
    }
    return row;
}

const std::vector<float>& ImageResampler::row(int canvasRow) {
    std::fill(out_.begin(), out_.end(), 0.0f);
    if (canvasRow < 0 || canvasRow >= static_cast<int>(rows_.size())) return out_;
    const Taps& t = rows_[static_cast<size_t>(canvasRow)];
    for (size_t k = 0; k < t.weights.size(); ++k) {
        const std::vector<float>& src = sourceRow(t.first + static_cast<int>(k));
        const float w = t.weights[k];
        for (size_t i = 0; i < out_.size(); ++i) out_[i] += w * src[i];
    }
    return out_;
}

}  // namespace kestro
