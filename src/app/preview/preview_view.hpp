#pragma once
// The live preview: the playing movie placed into the screen opening of the device frame,
// clipped to the opening, with the frame image drawn over it. It is what the export will
// produce, drawn at the size on screen.
//
// Drawing, back to front: the frame's soft shadow; the video, placed as the export places it
// (black inside P where it does not reach) and clipped to the player rectangle P's rounded
// corners; the opening mask (the frame's see-through pixels, limited to P) cutting the video;
// the frame image. Without a frame the video area is simply rounded. The full-size frame and
// mask pictures are made once per frame image; their scaled copies are cached per size, so a
// repaint per decoded picture only composites.

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
    // Room kept around the content for the frame's shadow.
    void setShadowMargin(int margin);
    int shadowMargin() const { return shadowMargin_; }

    // The layout for the current size and inputs (bottom-left coordinates of the content area).
    PreviewLayout layout() const;
    QRectF contentRect() const;
    // How many times the opening mask has been scaled to the view (it should not follow every
    // repaint), and how many times it was worked out from a frame image (once per image).
    int maskBuilds() const { return maskBuilds_; }
    int openingMaskRuns() const { return openingMaskRuns_; }
    // What the video is cut with, as last built: the opening mask limited to P, intersected with
    // P's rounded rectangle (and the rounded container without a frame). Alpha only.
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
    int shadowMargin_ = 0;

    // The frame image and its opening mask at full size, premultiplied; made in setFrameImage().
    QImage frameFull_;
    QImage maskFull_;
    int openingMaskRuns_ = 0;
    // Caches, keyed by the pixel geometry they were made for (setFrameImage() clears the key).
    // The scaled frame, its shadow and its opening mask follow the size and P; the clip follows
    // the rounded container too.
    QSize cachedSize_;
    QRect cachedPlayer_;
    QImage frameScaled_;
    QImage mask_;
    QImage shadow_;
    qreal clipContainerRadius_ = -1;
    QImage clip_;
    QImage layer_;
    int maskBuilds_ = 0;
};

}  // namespace kestro
