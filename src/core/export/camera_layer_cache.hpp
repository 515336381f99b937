#pragma once
// The constant canvas (background, shadow, frame image and the screen's mask) of a moving
// camera's views, drawn once and sampled for every view instead of drawn again for each.
//
// The canvas is drawn at a few magnifications (levels 1.41x, 2x, 2.83x and 4x), each over only
// the part of the magnified canvas that the camera's views at that level show. A view at scale
// s is sampled from the smallest level at or above s, so every sample comes from a sharper
// drawing shrunk by at most 1.41x, never from a smaller one enlarged. The tent filter of the
// shrink is as wide as the shrink, so thin lines neither alias nor blur. Samples are taken in
// the output's codes (YCbCr, alpha, the video's weight), which are affine in the colours the
// canvas is drawn in, so sampling them is sampling the picture.
//
// Where the whole footprint of an output pixel is screen (the video's weight is 1 throughout),
// nothing is sampled: most of a zoomed picture is the recording.
//
// One thread uses a cache (the export's compose thread).

#include "core/export/camera_view.hpp"
#include "core/export/compositor.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kestro {

class CameraLayerCache {
public:
    // `base` is the export's unzoomed setup; its images must outlive the cache. `views` are the
    // moving views to come (or a fine sampling of them): each level is drawn over what they show.
    CameraLayerCache(const CompositorSetup& base, const std::vector<CanvasView>& views);
    ~CameraLayerCache();

    // A source of `view`'s constant canvas, drawing its level first if needed; null when the
    // view is not one the cache was planned for (its canvas must then be drawn afresh).
    std::unique_ptr<CanvasSource> sourceFor(const CanvasView& view);

    // Forgets the drawn levels (they are drawn again when next needed).
    void release();

    // The magnification a view at `scale` is sampled from.
    static double levelFor(double scale);

    struct Level;
    class FrameCoverage;

private:
    CompositorSetup base_;
    std::vector<std::unique_ptr<Level>> levels_;
    std::unique_ptr<FrameCoverage> frame_;  // made with the first level
};

}  // namespace kestro
