#pragma once
// The constant canvas of one view before it becomes the output's pixels, row by row: what the
// background, the device's shadow, the frame image and the screen opening make of each pixel,
// as straight colour, alpha and the video's weight (how much of the pixel the video shows).
// The compositor turns these rows into its constant picture; the camera's layer cache draws
// them once at a larger scale and samples the moving views from that.
//
// One thread uses it; rows are asked for in increasing order.

#include "core/export/canvas_backdrop.hpp"
#include "core/export/compositor.hpp"
#include "core/export/image_resampler.hpp"
#include "core/export/rounded_rect.hpp"

#include <memory>
#include <vector>

namespace kestro {

class ConstantCanvasRows {
public:
    // The images in `setup` must outlive this.
    explicit ConstantCanvasRows(const CompositorSetup& setup);
    ~ConstantCanvasRows();

    // Canvas row `y` of the view: `colour` gets width * 3 straight RGB values in 0..1 (MOV:
    // already divided by the alpha the video leaves), `alpha` and `weight` width values each.
    void row(int y, float* colour, float* alpha, float* weight);

private:
    int width_ = 0;
    bool mov_ = false;
    RoundedRect rounded_{};
    std::unique_ptr<ImageResampler> frame_;
    std::unique_ptr<CanvasBackdrop> backdrop_;
    std::vector<float> none_;
};

}  // namespace kestro
