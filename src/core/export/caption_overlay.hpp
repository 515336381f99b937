#pragma once
// Captions and title cards laid over the composed pictures of an export, and over the editor's
// preview canvas with the same pixels. Every caption is drawn once, when the overlay is made,
// and kept in the output's colour terms; per picture only its opacity changes, and pictures
// outside every caption's interval pass through untouched.
//
// Made on one thread, then used by one thread at a time (the exporter's compose thread).

#include "core/export/background_fill.hpp"
#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/model/image.hpp"
#include "core/result.hpp"
#include "core/text/caption.hpp"
#include "core/text/caption_placement.hpp"

#include <memory>
#include <string>
#include <vector>

namespace kestro {

class TextRenderer;

struct CaptionOverlaySetup {
    PlacementCanvas canvas;  // the canvas size and the device box on it
    StoryText story;
    double duration = 0;  // seconds of output: later captions are cut there, the outro ends there
    // What a title card shows behind its text.
    BackgroundFill background;
    const Image* backgroundImage = nullptr;  // the picture of an "image" background
};

class CaptionOverlay {
public:
    // Fails with a message for people when a caption or title cannot be drawn.
    static Result<std::unique_ptr<CaptionOverlay>, std::string> create(
        const CaptionOverlaySetup& setup, TextRenderer& renderer);
    ~CaptionOverlay();

    // Whether anything shows at output time `t` (seconds).
    bool showsAt(double t) const;
    // How strongly each drawn piece shows at `t`, in drawing order: two times with the same
    // list give the same picture.
    std::vector<double> opacitiesAt(double t) const;

    // The picture at output time `t`: a new reference to `picture` when nothing shows, else a
    // copy with the text drawn on it (`picture` is left as it was). Takes the composed
    // picture formats: 8-bit 4:2:0 and 10-bit 4:4:4 with alpha (colour stored straight).
    Result<AVFramePtr, MediaError> apply(const AVFrame& picture, double t) const;

    // The same drawing on a straight RGBA canvas of the overlay's size (the preview).
    void drawOn(Image& canvas, double t) const;

private:
    struct Layer;
    CaptionOverlay() = default;
    void blendYuv420(AVFrame& frame, const Layer& layer, double opacity) const;
    void blendYuva444p10(AVFrame& frame, const Layer& layer, double opacity) const;

    int width_ = 0;
    int height_ = 0;
    std::vector<Layer> layers_;  // title cards first, then captions, drawn in this order
};

}  // namespace kestro
