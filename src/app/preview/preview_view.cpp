#include "app/preview/preview_view.hpp"

#include "app/editor/video_feed.hpp"
#include "app/preview/preview_camera.hpp"
#include "app/preview/tap_painter.hpp"
#include "app/ui/shadow.hpp"
#include "core/export/canvas_backdrop.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/screen_mask.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kestro {
namespace {

// Straight RGBA as a premultiplied QImage of its own, ready to be scaled and drawn; the
// conversion copies, so the result does not depend on the core image's lifetime.
QImage toPremultiplied(const Image& img) {
    if (img.empty()) return {};
    return QImage(img.rgba.data(), img.width, img.height, static_cast<qsizetype>(img.stride()),
                  QImage::Format_RGBA8888)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The full-size frame picture and its opening mask, made on the pool.
struct PreparedFrame {
    QImage full;
    QImage mask;
};

PreparedFrame prepareFrame(const Image& image) {
    PreparedFrame prepared;
    prepared.full = toPremultiplied(image);
    if (const std::optional<Image> mask = screenOpeningMask(image))
        prepared.mask = toPremultiplied(*mask);
    return prepared;
}

// What cuts the video and what is drawn over it, for one size of the view; made on the pool.
struct CacheInputs {
    QImage frameFull;
    QImage maskFull;
    QSize px;
    QRect playerPx;
    qreal dpr = 1;
    QRectF frameLocal;     // the frame's rectangle, in points, at the origin
    QRectF playerInFrame;  // P, in points, inside it
    qreal playerRadius = 0;
    qreal containerRadius = 0;
    bool hasFrame = false;
};

struct Caches {
    QImage frame;  // the frame image scaled to px
    QImage mask;   // its opening mask, limited to P
    QImage clip;   // everything that cuts the video, alpha only
};

Caches buildCaches(const CacheInputs& in) {
    Caches out;
    if (!in.frameFull.isNull()) {
        out.frame = in.frameFull.scaled(in.px, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        out.frame.setDevicePixelRatio(in.dpr);
        // The opening mask: the frame's see-through pixels, and nothing outside P.
        if (!in.maskFull.isNull()) {
            out.mask = QImage(in.px, QImage::Format_ARGB32_Premultiplied);
            out.mask.fill(Qt::transparent);
            QPainter p(&out.mask);
            p.setClipRect(in.playerPx);
            p.drawImage(0, 0,
                        in.maskFull.scaled(in.px, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
    }

    // Everything that cuts the video, in one alpha image, so a repaint composites once instead
    // of rasterising rounded clip paths for every picture. Like the export, the video shows
    // inside P's rounded corners wherever it is placed; the clip does not move with it.
    out.clip = QImage(in.px, QImage::Format_ARGB32_Premultiplied);
    out.clip.setDevicePixelRatio(in.dpr);
    out.clip.fill(Qt::transparent);
    QPainter p(&out.clip);
    p.setRenderHint(QPainter::Antialiasing);
    if (in.hasFrame && !out.mask.isNull()) {
        p.drawImage(in.frameLocal, out.mask);
    } else if (in.hasFrame) {
        p.fillRect(in.frameLocal, Qt::black);  // no mask could be made: the video shows in P
    } else {
        QPainterPath container;
        container.addRoundedRect(in.frameLocal, in.containerRadius, in.containerRadius);
        p.fillPath(container, Qt::black);
    }
    QPainterPath rounded;
    rounded.addRoundedRect(in.playerInFrame, in.playerRadius, in.playerRadius);
    QImage roundedMask(in.px, QImage::Format_ARGB32_Premultiplied);
    roundedMask.setDevicePixelRatio(in.dpr);
    roundedMask.fill(Qt::transparent);
    {
        QPainter rp(&roundedMask);
        rp.setRenderHint(QPainter::Antialiasing);
        rp.fillPath(rounded, Qt::black);
    }
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    p.drawImage(in.frameLocal, roundedMask);
    return out;
}

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
    // shadow blur is slow, so it is painted on the pool; the images it reads are kept alive by
    // the job.
    BackdropSetup setup;
    setup.width = px.width();
    setup.height = px.height();
    setup.background = canvas_.background;
    setup.shadow = canvas_.shadow;
    setup.device = {device.x(), device.y(), device.width(), device.height()};
    setup.frameRect = setup.device;
    setup.screen = {player.x(), player.y(), player.width(), player.height()};
    if (frameImage_ && frameImage_->isWellFormed() && canvas_.roundedScreen)
        setup.screenCornerFraction = openingCornerFraction(*frameImage_, screen_);
    std::shared_ptr<const Image> frame =
        frameImage_ && frameImage_->isWellFormed() ? frameImage_ : nullptr;
    const std::uint64_t generation = ++backdropGeneration_;
    backdropPending_ = true;
    submit<QImage>(
        "kestro-preview-backdrop",
        [setup, backgroundImage = canvas_.backgroundImage, frame, dpr]() mutable {
            setup.backgroundImage = backgroundImage.get();
            setup.frame = frame.get();
            QImage painted = toPremultiplied(renderBackdrop(setup));
            // The canvas's rounded corners, smoothed once here rather than clipped per paint.
            // (An image covering everything: a composition only reaches the pixels drawn.)
            QImage rounded(painted.size(), QImage::Format_ARGB32_Premultiplied);
            rounded.fill(Qt::transparent);
            {
                QPainter shape(&rounded);
                shape.setRenderHint(QPainter::Antialiasing);
                QPainterPath path;
                const qreal r = kStageCornerRadius * dpr;
                path.addRoundedRect(QRectF(rounded.rect()), r, r);
                shape.fillPath(path, Qt::black);
            }
            {
                QPainter corners(&painted);
                corners.setCompositionMode(QPainter::CompositionMode_DestinationIn);
                corners.drawImage(0, 0, rounded);
            }
            painted.setDevicePixelRatio(dpr);
            return painted;
        },
        [this, generation](QImage painted) {
            if (generation != backdropGeneration_) return;
            backdropPending_ = false;
            backdrop_ = std::move(painted);
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
        QColor glow = QColor::fromRgbF(0.988f, 0.639f, 0.067f);
        glow.setAlphaF(0.2f);
        paintShadow(p, canvas, kStageCornerRadius, {glow, 12, QPointF(0, 6)});
        paintShadow(p, canvas, kStageCornerRadius, {QColor(0, 0, 0, 13), 4, QPointF(0, 2)});
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
