#include "app/preview/preview_view.hpp"

#include "app/editor/video_feed.hpp"
#include "core/export/canvas_backdrop.hpp"
#include "core/model/screen_mask.hpp"

#include <QPainter>
#include <QPainterPath>

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

}  // namespace

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
    if (frameImage_ == image) return;
    frameImage_ = std::move(image);
    // The full-size pictures are made here, once per frame image; a resize only scales them.
    frameFull_ = QImage();
    maskFull_ = QImage();
    if (frameImage_ && !frameImage_->empty()) {
        frameFull_ = toPremultiplied(*frameImage_);
        if (const std::optional<Image> mask = screenOpeningMask(*frameImage_))
            maskFull_ = toPremultiplied(*mask);
        ++openingMaskRuns_;
    }
    cachedSize_ = QSize();  // whatever was scaled belongs to the previous image
    backdrop_ = QImage();
    update();
}

void PreviewView::setScreen(const ScreenRect& screen) {
    screen_ = screen;
    backdrop_ = QImage();
    update();
}

void PreviewView::setCanvas(PreviewCanvas canvas) {
    canvas_ = std::move(canvas);
    backdrop_ = QImage();
    update();
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
    }
    return l;
}

void PreviewView::rebuildCaches(const PreviewLayout& l, const QRectF& frameTopLeft,
                                const QRectF& playerInFrame, qreal dpr) {
    const QSize px(std::max(1, int(std::lround(frameTopLeft.width() * dpr))),
                   std::max(1, int(std::lround(frameTopLeft.height() * dpr))));
    const QRect playerPx =
        QRectF(playerInFrame.topLeft() * dpr, playerInFrame.size() * dpr).toAlignedRect();
    const bool frameChanged = cachedSize_ != px || cachedPlayer_ != playerPx;
    if (!frameChanged && clipContainerRadius_ == l.containerCornerRadius) return;

    if (frameChanged) {
        cachedSize_ = px;
        cachedPlayer_ = playerPx;
        frameScaled_ = QImage();
        mask_ = QImage();
        if (!frameFull_.isNull()) {
            frameScaled_ = frameFull_.scaled(px, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            frameScaled_.setDevicePixelRatio(dpr);
            // The opening mask: the frame's see-through pixels, and nothing outside P.
            if (!maskFull_.isNull()) {
                mask_ = QImage(px, QImage::Format_ARGB32_Premultiplied);
                mask_.fill(Qt::transparent);
                QPainter p(&mask_);
                p.setClipRect(playerPx);
                p.drawImage(0, 0,
                            maskFull_.scaled(px, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                ++maskBuilds_;
            }
        }
    }

    // Everything that cuts the video, in one alpha image, so a repaint composites once instead
    // of rasterising rounded clip paths for every picture. Like the export, the video shows
    // inside P's rounded corners wherever it is placed; the clip does not move with it.
    clipContainerRadius_ = l.containerCornerRadius;
    clip_ = QImage(px, QImage::Format_ARGB32_Premultiplied);
    clip_.setDevicePixelRatio(dpr);
    clip_.fill(Qt::transparent);
    QPainter p(&clip_);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frameLocal(QPointF(0, 0), frameTopLeft.size());
    if (l.hasFrame && !mask_.isNull()) {
        p.drawImage(frameLocal, mask_);
    } else if (l.hasFrame) {
        p.fillRect(frameLocal, Qt::black);  // no mask could be made: the video shows in P
    } else {
        QPainterPath container;
        container.addRoundedRect(frameLocal, l.containerCornerRadius, l.containerCornerRadius);
        p.fillPath(container, Qt::black);
    }
    QPainterPath rounded;
    rounded.addRoundedRect(playerInFrame, l.playerCornerRadius, l.playerCornerRadius);
    QImage roundedMask(px, QImage::Format_ARGB32_Premultiplied);
    roundedMask.setDevicePixelRatio(dpr);
    roundedMask.fill(Qt::transparent);
    {
        QPainter rp(&roundedMask);
        rp.setRenderHint(QPainter::Antialiasing);
        rp.fillPath(rounded, Qt::black);
    }
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    p.drawImage(frameLocal, roundedMask);
}

void PreviewView::rebuildBackdrop(const QRectF& canvasTopLeft, const QRectF& deviceInCanvas,
                                  const QRectF& playerInCanvas, qreal dpr) {
    const QSize px(std::max(1, int(std::lround(canvasTopLeft.width() * dpr))),
                   std::max(1, int(std::lround(canvasTopLeft.height() * dpr))));
    const QRectF device(deviceInCanvas.topLeft() * dpr, deviceInCanvas.size() * dpr);
    const QRectF player(playerInCanvas.topLeft() * dpr, playerInCanvas.size() * dpr);
    if (!backdrop_.isNull() && backdropSize_ == px && backdropDevice_ == device &&
        backdropPlayer_ == player) {
        return;
    }
    backdropSize_ = px;
    backdropDevice_ = device;
    backdropPlayer_ = player;
    // The export's own backdrop, at this size: the same background and the same shadow.
    BackdropSetup setup;
    setup.width = px.width();
    setup.height = px.height();
    setup.background = canvas_.background;
    setup.backgroundImage = canvas_.backgroundImage.get();
    setup.shadow = canvas_.shadow;
    setup.device = {device.x(), device.y(), device.width(), device.height()};
    setup.frame = frameImage_ && frameImage_->isWellFormed() ? frameImage_.get() : nullptr;
    setup.frameRect = setup.device;
    setup.screen = {player.x(), player.y(), player.width(), player.height()};
    const Image painted = renderBackdrop(setup);
    backdrop_ = toPremultiplied(painted);
    backdrop_.setDevicePixelRatio(dpr);
}

void PreviewView::paintEvent(QPaintEvent*) {
    const QRectF content = contentRect();
    if (content.width() <= 0 || content.height() <= 0) return;
    const PreviewLayout l = layout();
    const qreal dpr = devicePixelRatioF();
    // Content-local, top-left rectangles.
    const QRectF frame = flipToTopLeft(l.frame, content.height());
    const QRectF player = flipToTopLeft(l.player, l.frame.height());
    rebuildCaches(l, frame, player, dpr);

    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(content.topLeft());

    if (canvas_.layout) {
        const QRectF canvas = flipToTopLeft(l.canvas, content.height());
        const QRectF deviceInCanvas = frame.translated(-canvas.topLeft());
        rebuildBackdrop(canvas, deviceInCanvas, player.translated(deviceInCanvas.topLeft()), dpr);
        p.drawImage(canvas.topLeft(), backdrop_);
    }

    const QImage picture = feed_ ? feed_->currentFrame() : QImage();
    if (feed_ && !picture.isNull()) {
        const QSize layerPx = clip_.size();
        if (layer_.size() != layerPx) layer_ = QImage(layerPx, QImage::Format_ARGB32_Premultiplied);
        layer_.setDevicePixelRatio(dpr);
        layer_.fill(Qt::transparent);
        {
            QPainter lp(&layer_);
            lp.setRenderHint(QPainter::SmoothPixmapTransform);
            const QSize videoSize =
                feed_->videoSize().isEmpty() ? picture.size() : feed_->videoSize();
            // Placed where the export places it.
            const QRectF target = l.videoRect(QSizeF(videoSize));
            // A rectangular clip is cheap and spares drawing the part outside P.
            lp.setClipRect(player);
            // Inside P the export shows black where the video does not reach.
            if (!target.contains(player)) lp.fillRect(player, Qt::black);
            lp.drawImage(target, picture);
            // Decode straight to the size the picture is drawn at.
            feed_->setTargetSize((target.size() * dpr).toSize());
            lp.setClipping(false);
            lp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            lp.drawImage(0, 0, clip_);
        }
        p.drawImage(frame.topLeft(), layer_);
    }
    if (!frameScaled_.isNull()) p.drawImage(frame.topLeft(), frameScaled_);
}

}  // namespace kestro
