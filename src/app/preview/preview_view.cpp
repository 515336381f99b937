#include "app/preview/preview_view.hpp"

#include "app/editor/video_feed.hpp"
#include "app/preview/preview_camera.hpp"
#include "app/preview/preview_pictures.hpp"
#include "app/preview/tap_painter.hpp"
#include "app/ui/shadow.hpp"
#include "core/model/frame_image.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kestro {
namespace {

// Draws `image` at `target`: at its own size when it was made for it, stretched while a picture
// for the new size is being made.
void drawFitted(QPainter& p, const QRectF& target, const QImage& image, bool current) {
    if (current) {
        p.drawImage(target.topLeft(), image);
        return;
    }
    // Shown for a moment only: a smooth stretch of a large picture would cost more than the
    // wait it covers.
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(target, image);
    p.restore();
}

}  // namespace

template <class Result>
void PreviewView::submit(const char* name, std::function<Result()> work,
                         std::function<void(Result)> done) {
    if (!holdJobs_) {
        tasks_.run<Result>(name, std::move(work), std::move(done));
        return;
    }
    heldJobs_.push_back([work = std::move(work), done = std::move(done)] { done(work()); });
}

void PreviewView::runHeldJob(int index) {
    if (index < 0 || index >= int(heldJobs_.size())) return;
    std::function<void()> job = std::move(heldJobs_[std::size_t(index)]);
    heldJobs_.erase(heldJobs_.begin() + index);
    job();
}

PreviewView::PreviewView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PreviewView::setFeed(VideoFeed* feed) {
    if (feed_ == feed) return;
    if (feed_) disconnect(feed_, nullptr, this, nullptr);
    feed_ = feed;
    if (feed_) connect(feed_, &VideoFeed::frameReady, this, qOverload<>(&QWidget::update));
    update();
}

void PreviewView::setFrameImage(std::shared_ptr<const Image> image) {
    if (requestedImage_ == image) return;
    requestedImage_ = image;
    const std::uint64_t generation = ++frameGeneration_;
    if (!image || image->empty()) {
        framePending_ = false;
        installFrame(std::move(image), {}, {});
        return;
    }
    // The full-size pictures are made once per frame image, off the interface thread; a resize
    // only scales them.
    framePending_ = true;
    submit<PreparedFrame>(
        "kestro-preview-frame", [image] { return prepareFrame(*image); },
        [this, generation, image](PreparedFrame prepared) {
            if (generation != frameGeneration_) return;
            framePending_ = false;
            installFrame(image, std::move(prepared.full), std::move(prepared.mask));
        });
}

void PreviewView::installFrame(std::shared_ptr<const Image> image, QImage full, QImage mask) {
    frameImage_ = std::move(image);
    frameFull_ = std::move(full);
    maskFull_ = std::move(mask);
    if (frameImage_) ++openingMaskRuns_;
    invalidateScaled();  // whatever was scaled belongs to the previous image
    invalidateBackdrop();
    requestPictures();
    update();
}

// A scaled picture still being made was made from the old inputs: it is voided here rather than
// when the next request is made, since it may land before the next paint and would then pass
// for current. The next paint asks again.
void PreviewView::invalidateScaled() {
    cachedSize_ = QSize();
    ++scaleGeneration_;
    scalePending_ = true;
}

void PreviewView::invalidateBackdrop() {
    backdropCurrent_ = false;
    ++backdropGeneration_;
    backdropPending_ = canvas_.layout.has_value();
}

void PreviewView::setScreen(const ScreenRect& screen) {
    if (screen == screen_) return;
    screen_ = screen;
    invalidateScaled();
    invalidateBackdrop();
    requestPictures();
    update();
}

void PreviewView::setCanvas(PreviewCanvas canvas) {
    canvas_ = std::move(canvas);
    invalidateBackdrop();
    requestPictures();
    update();
    emit canvasChanged();
}

void PreviewView::setPlacement(double scale, double offsetX, double offsetY) {
    scale_ = scale;
    offsetX_ = offsetX;
    offsetY_ = offsetY;
    update();
}

void PreviewView::setFitMode(VideoFitMode mode) {
    fitMode_ = mode;
    update();
}

void PreviewView::setCaptionPicture(QImage picture) {
    if (picture.isNull() && captionPicture_.isNull()) return;
    captionPicture_ = std::move(picture);
    update();
}

void PreviewView::setShadowMargin(int margin) {
    shadowMargin_ = std::max(0, margin);
    update();
}

QRectF PreviewView::contentRect() const {
    return QRectF(rect()).adjusted(shadowMargin_, shadowMargin_, -shadowMargin_, -shadowMargin_);
}

PreviewLayout PreviewView::layout() const {
    const QRectF content = contentRect();
    const QSizeF frameSize = frameImage_ && !frameImage_->empty()
                                 ? QSizeF(frameImage_->width, frameImage_->height)
                                 : QSizeF();
    // On the export's canvas a missing frame leaves the recording filling the device box, as the
    // export fills it.
    const ScreenRect screen =
        canvas_.layout && frameSize.isEmpty() ? ScreenRect{0, 0, 100, 100} : screen_;
    PreviewLayout l = computePreviewLayout(QRectF(QPointF(0, 0), content.size()), frameSize, screen,
                                           scale_, offsetX_, offsetY_, fitMode_, canvas_.layout);
    if (!canvas_.roundedScreen) {
        l.containerCornerRadius = 0;
        l.playerCornerRadius = 0;
    } else if (!frameSize.isEmpty()) {
        // The frame's own corner radius, as the export takes it.
        if (const auto fraction = openingCornerFraction(*frameImage_, screen)) {
            l.playerCornerRadius = screenCornerRadius(
                CanvasRect{l.player.x(), l.player.y(), l.player.width(), l.player.height()},
                fraction);
        }
    }
    return l;
}

void PreviewView::rebuildCaches(const PreviewLayout& l, const QRectF& frameTopLeft,
                                const QRectF& playerInFrame, qreal dpr) {
    const QSize px(std::max(1, int(std::lround(frameTopLeft.width() * dpr))),
                   std::max(1, int(std::lround(frameTopLeft.height() * dpr))));
    const QRect playerPx =
        QRectF(playerInFrame.topLeft() * dpr, playerInFrame.size() * dpr).toAlignedRect();
    if (cachedSize_ == px && cachedPlayer_ == playerPx &&
        clipContainerRadius_ == l.containerCornerRadius) {
        return;
    }
    cachedSize_ = px;
    cachedPlayer_ = playerPx;
    clipContainerRadius_ = l.containerCornerRadius;

    CacheInputs in;
    in.frameFull = frameFull_;
    in.maskFull = maskFull_;
    in.px = px;
    in.playerPx = playerPx;
    in.dpr = dpr;
    in.frameLocal = QRectF(QPointF(0, 0), frameTopLeft.size());
    in.playerInFrame = playerInFrame;
    in.playerRadius = l.playerCornerRadius;
    in.containerRadius = l.containerCornerRadius;
    in.hasFrame = l.hasFrame;
    // Smooth scaling of a phone-sized picture and rasterising the clip take a while; until
    // these land, the previous pictures are drawn stretched to the new place.
    const std::uint64_t generation = ++scaleGeneration_;
    scalePending_ = true;
    submit<Caches>(
        "kestro-preview-scale", [in] { return buildCaches(in); },
        [this, generation](Caches caches) {
            if (generation != scaleGeneration_) return;
            scalePending_ = false;
            frameScaled_ = std::move(caches.frame);
            mask_ = std::move(caches.mask);
            clip_ = std::move(caches.clip);
            if (!mask_.isNull()) ++maskBuilds_;
            update();
        });
}

void PreviewView::rebuildBackdrop(const QRectF& canvasTopLeft, const QRectF& deviceInCanvas,
                                  const QRectF& playerInCanvas, qreal dpr) {
    const QSize px(std::max(1, int(std::lround(canvasTopLeft.width() * dpr))),
                   std::max(1, int(std::lround(canvasTopLeft.height() * dpr))));
    const QRectF device(deviceInCanvas.topLeft() * dpr, deviceInCanvas.size() * dpr);
    const QRectF player(playerInCanvas.topLeft() * dpr, playerInCanvas.size() * dpr);
    if (backdropCurrent_ && backdropSize_ == px && backdropDevice_ == device &&
        backdropPlayer_ == player) {
        return;
    }
    backdropCurrent_ = true;
    backdropSize_ = px;
    backdropDevice_ = device;
    backdropPlayer_ = player;
    // The export's own backdrop, at this size: the same background and the same shadow. Its
    // shadow blur is slow, so it is painted on the pool, with the card's own shadows when the
    // canvas's size changed; the images it reads are kept alive by the job.
    StageInputs in;
    in.setup.width = px.width();
    in.setup.height = px.height();
    in.setup.background = canvas_.background;
    in.setup.shadow = canvas_.shadow;
    in.setup.device = {device.x(), device.y(), device.width(), device.height()};
    in.setup.frameRect = in.setup.device;
    in.setup.screen = {player.x(), player.y(), player.width(), player.height()};
    if (frameImage_ && frameImage_->isWellFormed() && canvas_.roundedScreen)
        in.setup.screenCornerFraction = openingCornerFraction(*frameImage_, screen_);
    in.backgroundImage = canvas_.backgroundImage;
    in.frame = frameImage_ && frameImage_->isWellFormed() ? frameImage_ : nullptr;
    in.dpr = dpr;
    if (canvasTopLeft.size() != stageShadowsFor_) in.shadowsFor = canvasTopLeft.size();
    const std::uint64_t generation = ++backdropGeneration_;
    backdropPending_ = true;
    submit<StagePictures>(
        "kestro-preview-backdrop", [in] { return paintStage(in); },
        [this, generation](StagePictures painted) {
            if (generation != backdropGeneration_) return;
            backdropPending_ = false;
            backdrop_ = std::move(painted.backdrop);
            if (!painted.shadowsFor.isEmpty()) {
                stageShadowsFor_ = painted.shadowsFor;
                stageGlow_ = std::move(painted.glow);
                stageShade_ = std::move(painted.shade);
            }
            update();
        });
}

// Asks for whatever picture the current inputs and size still lack. Called on every paint, and
// at once when an input changes, so that preparing() is true exactly while a picture for the
// current inputs is on its way, painted or not.
void PreviewView::requestPictures() {
    const QRectF content = contentRect();
    if (content.width() <= 0 || content.height() <= 0) {
        // Nothing to make at this size; the next size asks again.
        scalePending_ = false;
        backdropPending_ = false;
        return;
    }
    const PreviewLayout l = layout();
    const qreal dpr = devicePixelRatioF();
    // Content-local, top-left rectangles.
    const QRectF frame = flipToTopLeft(l.frame, content.height());
    const QRectF player = flipToTopLeft(l.player, l.frame.height());
    rebuildCaches(l, frame, player, dpr);
    if (canvas_.layout) {
        const QRectF canvas = flipToTopLeft(l.canvas, content.height());
        const QRectF deviceInCanvas = frame.translated(-canvas.topLeft());
        rebuildBackdrop(canvas, deviceInCanvas, player.translated(deviceInCanvas.topLeft()), dpr);
    }
}

void PreviewView::paintEvent(QPaintEvent*) {
    const QRectF content = contentRect();
    if (content.width() <= 0 || content.height() <= 0) return;
    requestPictures();
    const PreviewLayout l = layout();
    const qreal dpr = devicePixelRatioF();
    const QRectF frame = flipToTopLeft(l.frame, content.height());
    const QRectF player = flipToTopLeft(l.player, l.frame.height());

    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(content.topLeft());

    // The camera magnifies everything on the canvas, the stage's own shadows aside.
    const QImage picture = feed_ ? feed_->currentFrame() : QImage();
    const QSize videoSize = feed_ && !feed_->videoSize().isEmpty() ? feed_->videoSize()
                                                                    : picture.size();
    const QRectF canvasRect = flipToTopLeft(l.canvas, content.height());
    paintedVideo_ = l.videoRect(QSizeF(videoSize)).translated(frame.topLeft());
    cameraTransform_ = videoSize.isEmpty()
                           ? QTransform()
                           : previewCameraTransform(cameraState(), canvasRect,
                                                    canvas_.layout ? l.canvasScale : 1.0,
                                                    paintedVideo_);
    if (canvas_.layout) {
        const QRectF canvas = canvasRect;
        // Made with the backdrop; until they land, those of the previous size are stretched.
        drawShadowPicture(p, canvas, stageGlow_, stageGlow());
        drawShadowPicture(p, canvas, stageShade_, stageShade());
        // A device that reaches the canvas's edge is cut by the same rounded corners.
        QPainterPath stage;
        stage.addRoundedRect(canvas, kStageCornerRadius, kStageCornerRadius);
        p.setClipPath(stage);
        p.setTransform(cameraTransform_, true);
        if (!backdrop_.isNull()) drawFitted(p, canvas, backdrop_, !backdropPending_);
    } else if (!cameraTransform_.isIdentity()) {
        p.setClipRect(canvasRect);
        p.setTransform(cameraTransform_, true);
    }

    if (feed_ && !picture.isNull() && !clip_.isNull()) {
        // Zoomed, the video is drawn at the magnified size, so it stays as sharp as its source.
        const qreal zoom = std::max<qreal>(1, cameraTransform_.m11());
        const QSize layerPx = zoom > 1 ? (QSizeF(cachedSize_) * zoom).toSize() : cachedSize_;
        if (layer_.size() != layerPx) layer_ = QImage(layerPx, QImage::Format_ARGB32_Premultiplied);
        layer_.setDevicePixelRatio(dpr * layerPx.width() / std::max(1, cachedSize_.width()));
        layer_.fill(Qt::transparent);
        {
            QPainter lp(&layer_);
            lp.setRenderHint(QPainter::SmoothPixmapTransform);
            // Placed where the export places it.
            const QRectF target = l.videoRect(QSizeF(videoSize));
            // A rectangular clip is cheap and spares drawing the part outside P.
            lp.setClipRect(player);
            // Inside P the export shows black where the video does not reach.
            if (!target.contains(player)) lp.fillRect(player, Qt::black);
            lp.drawImage(target, picture);
            paintTaps(lp, touches_, tapStyle_, target, player, QSizeF(videoSize), tapTime_, dpr);
            // Decode straight to the size the picture is drawn at.
            feed_->setTargetSize((target.size() * dpr * zoom).toSize());
            lp.setClipping(false);
            lp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            drawFitted(lp, QRectF(QPointF(0, 0), frame.size()), clip_, !scalePending_);
        }
        p.drawImage(frame.topLeft(), layer_);
    }
    if (!frameScaled_.isNull()) drawFitted(p, frame, frameScaled_, !scalePending_);
    // Captions lie over the output as it is shown, whatever the camera does under them.
    p.resetTransform();
    p.translate(content.topLeft());
    p.setClipping(false);
    if (canvas_.layout && !captionPicture_.isNull())
        p.drawImage(flipToTopLeft(l.canvas, content.height()), captionPicture_);
    if (focusMarker_) {
        // Drawn at its size on screen, whatever the zoom.
        const QPointF at = p.transform().map(
            QPointF(paintedVideo_.x() + focusMarker_->x() * paintedVideo_.width(),
                    paintedVideo_.y() + focusMarker_->y() * paintedVideo_.height()));
        p.resetTransform();
        p.setClipping(false);
        p.setRenderHint(QPainter::Antialiasing);
        for (const auto& [colour, width] : {std::pair{QColor(0, 0, 0, 140), 4.0},
                                            std::pair{QColor(255, 255, 255), 2.0}}) {
            p.setPen(QPen(colour, width));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(at, 11, 11);
            p.drawLine(at - QPointF(5, 0), at + QPointF(5, 0));
            p.drawLine(at - QPointF(0, 5), at + QPointF(0, 5));
        }
    }
}

}  // namespace kestro
