#pragma once
// The live preview: the playing movie placed into the screen opening of the device frame,
// clipped to the opening, with the frame image drawn over it. It is what the export will
// produce, drawn at the size on screen.
//
// Drawing, back to front: the frame's soft shadow; the video, scaled and shifted about the
// player rectangle P and clipped to P's rounded corners; the opening mask (the frame's
// see-through pixels, limited to P) cutting the video; the frame image. Without a frame the
// video area is simply rounded. The mask and the scaled frame are cached per frame image and
// size, so a repaint per decoded picture only composites.

#include "app/preview/preview_geometry.hpp"
#include "core/model/image.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/video_fit_mode.hpp"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace kestro {

class VideoFeed;

class PreviewView : public QWidget {
    Q_OBJECT
public:
    explicit PreviewView(QWidget* parent = nullptr);

    void setFeed(VideoFeed* feed);
    VideoFeed* feed() const { return feed_; }
    void setFrameImage(std::shared_ptr<const Image> image);
    void setScreen(const ScreenRect& screen);
    void setPlacement(double scale, double offsetX, double offsetY);
    void setFitMode(VideoFitMode mode);
    // The stage rounds its corners; the preview draws inside that rounding.
    void setCornerRadius(qreal radius);
    // Room kept around the content for the frame's shadow.
    void setShadowMargin(int margin);
    int shadowMargin() const { return shadowMargin_; }

    // The layout for the current size and inputs (bottom-left coordinates of the content area).
    PreviewLayout layout() const;
    QRectF contentRect() const;
    // How many times the opening mask has been rebuilt (it should not follow every repaint).
    int maskBuilds() const { return maskBuilds_; }
    // What the video is cut with, as last built: the opening mask limited to P, intersected with
    // the rounded video rectangle (and the rounded container without a frame). Alpha only.
    const QImage& cachedMask() const { return clip_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildCaches(const PreviewLayout& layout, const QRectF& frameTopLeft,
                       const QRectF& playerInFrame, qreal dpr);

    QPointer<VideoFeed> feed_;
    std::shared_ptr<const Image> frameImage_;
    ScreenRect screen_{0, 0, 100, 100};
    double scale_ = 100;
    double offsetX_ = 0;
    double offsetY_ = 0;
    VideoFitMode fitMode_ = VideoFitMode::fill;
    qreal cornerRadius_ = 0;
    int shadowMargin_ = 0;

    // Caches, keyed by the frame image and the pixel geometry they were made for. The frame,
    // its shadow and its opening mask follow the frame and its size; the clip follows the
    // video's placement too.
    const Image* cachedFor_ = nullptr;
    QSize cachedSize_;
    QRect cachedPlayer_;
    QImage frameScaled_;
    QImage mask_;
    QImage shadow_;
    QTransform clipTransform_;
    qreal clipContainerRadius_ = -1;
    QImage clip_;
    QImage layer_;
    int maskBuilds_ = 0;
};

}  // namespace kestro
