#include "core/export/camera_compositor.hpp"

#include "core/export/camera_path.hpp"
#include "core/export/camera_view.hpp"
#include "core/media/av_error.hpp"

#include <algorithm>

namespace kestro {

CameraCompositor::CameraCompositor(const CompositorSetup& base, std::shared_ptr<const Image> frame,
                                   std::shared_ptr<const Image> backgroundImage, CameraTrack track,
                                   double tickSeconds)
    : base_(base),
      frame_(std::move(frame)),
      backgroundImage_(std::move(backgroundImage)),
      track_(std::move(track)),
      tick_(tickSeconds > 0 ? tickSeconds : 1.0 / 30) {
    base_.frame = frame_.get();
    base_.backgroundImage = backgroundImage_.get();
    base_.view = {};
}

CameraCompositor::~CameraCompositor() = default;

CanvasView CameraCompositor::viewAt(double t) const {
    return canvasView(cameraAt(track_, t), base_.placement, base_.canvasWidth, base_.canvasHeight);
}

Result<Compositor*, MediaError> CameraCompositor::compositorFor(const CanvasView& view,
                                                                bool still) {
    // A one-picture compositor cannot serve twice: its picture may still be with the encoder.
    if (current_ && currentView_ == view && currentPictures_ > 1) return current_.get();
    CompositorSetup setup = base_;
    setup.view = view;
    auto made = Compositor::create(setup);
    if (!made) return fail(made.error());
    // A moving camera uses each view once, so one picture is all that compositor needs; the
    // pictures already handed out live on without it.
    const int count = still ? pictures_ : 1;
    auto allocated = (*made)->allocatePictures(count);
    if (!allocated) return fail(allocated.error());
    {
        std::lock_guard lock(mutex_);
        current_ = std::move(*made);
        currentView_ = view;
        currentPictures_ = count;
    }
    if (interrupted_) current_->interrupt();
    return current_.get();
}

Result<AVFramePtr, MediaError> CameraCompositor::compose(const AVFrame& source, double t,
                                                         Compositor& plain) {
    const CanvasView view = viewAt(t);
    if (view.identity()) return plain.compose(source);
    if (interrupted_) return fail(mediaFailure("The export is stopping", AVERROR_EXIT));
    const bool still = viewAt(t + tick_) == view || viewAt(t - tick_) == view;
    auto compositor = compositorFor(view, still);
    if (!compositor) return fail(compositor.error());
    return (*compositor)->compose(source);
}

void CameraCompositor::interrupt() {
    interrupted_ = true;
    std::lock_guard lock(mutex_);
    if (current_) current_->interrupt();
}

}  // namespace kestro
