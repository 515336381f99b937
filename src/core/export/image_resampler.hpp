#pragma once
// Draws an Image, scaled, into a rectangle of a larger canvas, one canvas row at a time, as
// premultiplied float RGBA. Premultiplying before filtering keeps the colour of transparent
// pixels (often black) from bleeding into the anti-aliased edges of a device frame. The filter
// is a tent whose width follows the scale, so a downscale averages every source pixel it covers.
// Only a few source rows are held at once: a full-size float copy of a 1440p frame would cost
// more memory than the whole export otherwise needs.

#include "core/model/image.hpp"

#include <vector>

namespace kestro {

class ImageResampler {
public:
    // The image is drawn so that its full extent covers [x, x + w) x [y, y + h) of a canvas
    // `canvasWidth` pixels wide (top-left origin; a canvas pixel belongs to the image when its
    // centre does). `image` must outlive the resampler.
    ImageResampler(const Image& image, int canvasWidth, double x, double y, double w, double h);

    // Premultiplied RGBA in 0..1, canvasWidth * 4 floats, of canvas row `row`. Rows must be
    // asked for in increasing order.
    const std::vector<float>& row(int row);

private:
    struct Taps {
        int first = 0;
        std::vector<float> weights;  // normalised over the taps inside the image
    };
    static std::vector<Taps> taps(int outCount, int inCount, double offset, double length);
    const std::vector<float>& sourceRow(int sourceRow);

    const Image& image_;
    int canvasWidth_;
    std::vector<Taps> columns_;  // per canvas column
    std::vector<Taps> rows_;     // per canvas row (rows above/below the image have no taps)
    std::vector<std::vector<float>> cache_;  // horizontally filtered source rows
    std::vector<int> cachedRow_;
    std::vector<float> out_;
};

}  // namespace kestro
