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
    // The images in `setup` must outlive this. The rows cover canvas columns [x0, x1) of the
    // view (the whole width when x1 is not above x0).
    explicit ConstantCanvasRows(const CompositorSetup& setup, int x0 = 0, int x1 = 0);
    ~ConstantCanvasRows();

    // Canvas row `y` of the view: `colour` gets (x1 - x0) * 3 straight RGB values in 0..1 (MOV:
    // already divided by the alpha the video leaves), `alpha` and `weight` x1 - x0 values each.
    void row(int y, float* colour, float* alpha, float* weight);

    // Where the frame image is drawn for `setup`'s view (top-left origin): it fills the device
    // box (MOV) or is fitted into it (MP4).
    static CanvasRect frameRectOf(const CompositorSetup& setup);

private:
    void background(int y);

    int width_ = 0;
    int x0_ = 0;
    bool mov_ = false;
    RoundedRect rounded_{};
    std::unique_ptr<ImageResampler> frame_;
    // The backdrop: the shared one over whole rows (needed for the shadow, which depends on
    // its neighbours), or worked out here for the columns asked for.
    std::unique_ptr<CanvasBackdrop> backdrop_;
    std::unique_ptr<ImageResampler> picture_;
    BackgroundFill fill_;
    CanvasView view_;
    double magnifiedWidth_ = 0, magnifiedHeight_ = 0;
    std::vector<float> row_;
    std::vector<float> none_;
};

}  // namespace kestro
