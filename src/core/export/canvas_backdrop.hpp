#pragma once
// What lies under the device on the canvas, row by row: the background (colour, gradient or
// picture) with the device's drop shadow over it, as premultiplied RGBA. The export's constant
// canvas is made from it once per export, and the preview paints the same rows at its own size,
// so both show one backdrop.
//
// The shadow follows the device's outline: the frame image's alpha where it is drawn, and the
// rounded screen opening (the video fills it, with or without a frame). It is blurred and moved
// down in proportion to the device's size, so it looks the same at every canvas size.

#include "core/export/background_fill.hpp"
#include "core/export/camera_view.hpp"
#include "core/export/image_resampler.hpp"
#include "core/export/render_geometry.hpp"
#include "core/model/image.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kestro {

// The shadow's look, in fractions of the device box's shorter side, and its opacity.
inline constexpr double kShadowBlurFraction = 0.0375;
inline constexpr double kShadowOffsetFraction = 0.025;
inline constexpr double kShadowOpacity = 90.0 / 255.0;

struct BackdropSetup {
    int width = 0;  // the canvas
    int height = 0;
    BackgroundFill background;
    // The decoded picture of an "image" background; without it such a background is left
    // transparent. Must outlive the backdrop.
    const Image* backgroundImage = nullptr;
    bool shadow = false;
    CanvasRect device;             // the device box, top-left origin: sizes the shadow
    const Image* frame = nullptr;  // trimmed frame image, straight RGBA; null for none
    CanvasRect frameRect;          // where the frame image is drawn, top-left origin
    CanvasRect screen;             // the grown screen rectangle, top-left origin
    std::optional<double> screenCornerFraction;  // the frame's rounding of its opening
    // The camera's view of the canvas: the background is laid out over the whole magnified
    // canvas and seen through it. The rectangles above are given as the output shows them.
    CanvasView view;
};

class CanvasBackdrop {
public:
    explicit CanvasBackdrop(const BackdropSetup& setup);
    ~CanvasBackdrop();

    // Premultiplied RGBA in 0..1, width * 4 floats, of canvas row `y`; rows in increasing order.
    const std::vector<float>& row(int y);

private:
    void makeShadow(const BackdropSetup& setup);

    int width_ = 0;
    int height_ = 0;
    BackgroundFill background_;
    CanvasView view_;
    std::unique_ptr<ImageResampler> picture_;
    // The device's blurred silhouette, one byte per canvas pixel, and how far down it is drawn.
    std::vector<std::uint8_t> shadow_;
    int shadowShift_ = 0;
    std::vector<float> row_;
};

// The whole backdrop as straight RGBA.
Image renderBackdrop(const BackdropSetup& setup);

}  // namespace kestro
