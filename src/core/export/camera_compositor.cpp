#include "core/export/camera_compositor.hpp"

#include "core/export/camera_path.hpp"
#include "core/export/camera_view.hpp"
#include "core/media/av_error.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kestro {

CameraCompositor::CameraCompositor(const CompositorSetup& base, std::shared_ptr<const Image> frame,
                                   std::shared_ptr<const Image> backgroundImage, CameraTrack track,
                                   double tickSeconds, double from, double to)
    : base_(base),
      frame_(std::move(frame)),
      backgroundImage_(std::move(backgroundImage)),
      track_(std::move(track)),
      tick_(tickSeconds > 0 ? tickSeconds : 1.0 / 30) {
    base_.frame = frame_.get();
    base_.backgroundImage = backgroundImage_.get();
    base_.view = {};
    base_.source = nullptr;
    // The views to come, sampled finely over the track where the export shows it, grouped by
    // stretch: each stretch's cache is drawn over what its views show. Segments may reach far
    // past the recording (they come from the user), so the exported range bounds the work.
    double first = 0, last = 0;
    bool any = false;
    for (const ZoomSegment& raw : track_) {
        const ZoomSegment s = sanitizedSegment(raw);
        first = any ? std::min(first, s.start) : s.start;
        last = any ? std::max(last, s.end) : s.end;
        any = true;
    }
    const double step = std::min(tick_, 1.0 / 120) / 4;
    if (std::isfinite(from) && std::isfinite(to) && to >= from) {
        first = std::max(first, from - tick_);
        last = std::min(last, to + tick_);
    }
    if (!any || !(last > first)) return;
    std::vector<CanvasView> views;
    double stretchFrom = 0;
    const auto steps = static_cast<std::int64_t>(std::ceil((last - first) / step)) + 1;
    for (std::int64_t i = 0; i <= steps; ++i) {
        const double t = std::min(first + static_cast<double>(i) * step, last);
        const CanvasView view = viewAt(t);
        if (!view.identity()) {
            if (views.empty()) stretchFrom = t;
            // A held view is the same at every step: once is enough for the cache's plan.
            if (views.empty() || !(views.back() == view)) views.push_back(view);
        }
        if ((view.identity() || i == steps) && !views.empty()) {
            stretches_.push_back(
                {stretchFrom - step, t + step, std::make_unique<CameraLayerCache>(base_, views)});
            views.clear();
        }
    }
}

CameraCompositor::~CameraCompositor() = default;

CanvasView CameraCompositor::viewAt(double t) const {
    return canvasView(cameraAt(track_, t), base_.placement, base_.canvasWidth, base_.canvasHeight);
}

CameraLayerCache* CameraCompositor::layersAt(double t) {
    for (size_t i = 0; i < stretches_.size(); ++i) {
        if (t < stretches_[i].from || t > stretches_[i].to) continue;
        // The stretch before is over: its layers are not needed again.
        if (stretch_ != i && stretch_ < stretches_.size()) stretches_[stretch_].layers->release();
        stretch_ = i;
        return stretches_[i].layers.get();
    }
    return nullptr;
}

Result<Compositor*, MediaError> CameraCompositor::compositorFor(const CanvasView& view, double t,
                                                                bool still) {
    // A one-picture compositor cannot serve twice: its picture may still be with the encoder.
    if (current_ && currentView_ == view && currentPictures_ > 1) return current_.get();
    CompositorSetup setup = base_;
    setup.view = view;
    std::unique_ptr<CanvasSource> source;
    if (!still) {
        if (CameraLayerCache* layers = layersAt(t)) source = layers->sourceFor(view);
        setup.source = source.get();
    }
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
    auto compositor = compositorFor(view, t, still);
    if (!compositor) return fail(compositor.error());
    return (*compositor)->compose(source);
}

void CameraCompositor::interrupt() {
    interrupted_ = true;
    std::lock_guard lock(mutex_);
    if (current_) current_->interrupt();
}

}  // namespace kestro
