#pragma once
// Composes the pictures of an export whose camera moves in (camera_path.hpp). A zoomed picture
// is not the plain canvas enlarged: the canvas is laid out again at the magnified size (the
// frame image, the background and the mask drawn at the output's resolution, the video scaled
// once, straight from the decoded picture), so the recording's text stays as sharp at 2x as
// the source allows.
//
// Each view of the canvas needs its own Compositor. While the camera holds still one
// compositor, its constant canvas drawn afresh, serves every picture; while it moves (the eases
// and pans), each tick has a view of its own, whose constant canvas is sampled from a layer
// cache drawn once for the whole stretch the camera is in (camera_layer_cache.hpp): drawing it
// afresh would cost more than encoding the picture. The ticks at 1x are left to the export's
// plain compositor.
//
// Threads: the compose thread calls compose(); interrupt() may come from any thread, and so may
// viewAt(), which reads only what the constructor set (the picker asks it whether a held frame's
// tick can be left out).

#include "core/export/camera_layer_cache.hpp"
#include "core/export/compositor.hpp"
#include "core/model/image.hpp"
#include "core/model/zoom_segment.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace kestro {

class CameraCompositor {
public:
    // `base` is the export's unzoomed setup; its images are kept alive by the shared pointers
    // given here (the setup's own pointers are replaced). `tickSeconds` is the time between
    // two output pictures; `from` and `to` are the seconds of the recording the export shows:
    // the camera is planned over those only, however far the track's segments reach.
    CameraCompositor(const CompositorSetup& base, std::shared_ptr<const Image> frame,
                     std::shared_ptr<const Image> backgroundImage, CameraTrack track,
                     double tickSeconds, double from, double to);

    // How many canvas pictures a still view's compositor makes (as
    // Compositor::allocatePictures); set before the first compose().
    void setPictureCount(int count) { pictures_ = std::max(1, count); }
    ~CameraCompositor();

    // The view at `t` seconds of the recording.
    CanvasView viewAt(double t) const;

    // The picture of `source` at `t` seconds of the recording; `plain` composes the 1x ticks.
    Result<AVFramePtr, MediaError> compose(const AVFrame& source, double t, Compositor& plain);

    void interrupt();

private:
    Result<Compositor*, MediaError> compositorFor(const CanvasView& view, double t, bool still);
    CameraLayerCache* layersAt(double t);

    CompositorSetup base_;
    std::shared_ptr<const Image> frame_;
    std::shared_ptr<const Image> backgroundImage_;
    CameraTrack track_;
    int pictures_ = 1;
    double tick_ = 0;

    // The stretches of recording time in which the camera is in, each with its layer cache.
    struct Stretch {
        double from = 0, to = 0;
        std::unique_ptr<CameraLayerCache> layers;
    };
    std::vector<Stretch> stretches_;
    size_t stretch_ = SIZE_MAX;  // the one whose layers are drawn

    std::mutex mutex_;                     // guards current_ against interrupt()
    std::unique_ptr<Compositor> current_;  // compose thread; its view in currentView_
    CanvasView currentView_;
    int currentPictures_ = 0;
    std::atomic<bool> interrupted_{false};
};

}  // namespace kestro
