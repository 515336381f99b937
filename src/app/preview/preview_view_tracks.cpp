// PreviewView's tracks (the taps, the camera, the zoom focus) and the pointer's edits of them: a
// tap added with a modifier held, the focus point dragged.
#include "app/preview/preview_view.hpp"

#include "app/editor/video_feed.hpp"
#include "app/preview/preview_camera.hpp"
#include "app/preview/preview_geometry.hpp"
#include "app/preview/tap_painter.hpp"

#include <QMouseEvent>

#include <algorithm>

namespace kestro {

void PreviewView::setTouches(TouchTrack track, TapStyle style) {
    if (track == touches_ && style == tapStyle_) return;
    touches_ = std::move(track);
    tapStyle_ = style;
    update();
}

void PreviewView::setTapTime(double t) {
    if (t == tapTime_) return;
    tapTime_ = t;
    if (!touches_.empty()) update();
}

bool PreviewView::requestTapAt(QMouseEvent* event) {
    const bool adding = event->button() == Qt::LeftButton &&
                        (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
    const QImage picture = feed_ ? feed_->currentFrame() : QImage();
    if (!adding || !feed_) return false;
    const QRectF content = contentRect();
    const PreviewLayout l = layout();
    const QRectF frame = flipToTopLeft(l.frame, content.height());
    const QSize videoSize = feed_->videoSize().isEmpty() ? picture.size() : feed_->videoSize();
    const QPointF inFrame = event->position() - content.topLeft() - frame.topLeft();
    if (const auto pixel =
            recordingPixelAt(inFrame, l.videoRect(QSizeF(videoSize)), QSizeF(videoSize))) {
        emit tapRequested(*pixel, QSizeF(videoSize));
        event->accept();
        return true;
    }
    return false;
}

void PreviewView::setCamera(CameraTrack track) {
    if (track == camera_) return;
    camera_ = std::move(track);
    update();
}

void PreviewView::setCameraTime(double seconds) {
    if (seconds == cameraTime_) return;
    const CameraState before = cameraState();
    cameraTime_ = seconds;
    if (!(cameraState() == before) || focusMarker_) update();
}

void PreviewView::setFocusMarker(std::optional<QPointF> focus) {
    if (focus == focusMarker_) return;
    focusMarker_ = focus;
    update();
}

void PreviewView::mousePressEvent(QMouseEvent* event) {
    if (requestTapAt(event)) return;
    if (!focusMarker_ || event->button() != Qt::LeftButton || paintedVideo_.isEmpty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragTransform_ = cameraTransform_;
    mouseMoveEvent(event);
}

void PreviewView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragTransform_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF at = recordingPointAt(event->position() - contentRect().topLeft(),
                                        *dragTransform_, paintedVideo_);
    emit focusDragged(std::clamp(at.x(), 0.0, 1.0), std::clamp(at.y(), 0.0, 1.0));
}

void PreviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragTransform_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragTransform_.reset();
    emit focusDragFinished();
}

}  // namespace kestro
