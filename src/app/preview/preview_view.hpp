#pragma once
// The live preview: the playing movie placed into the screen opening of the device frame,
// clipped to the opening, with the frame image drawn over it, on the export's canvas. It is
// what the export will produce, drawn at the size on screen.
//
// Drawing, back to front: the canvas's backdrop (background and the device's shadow, painted by
// the export's own CanvasBackdrop at the preview's size); the video, placed as the export places it
// (black inside P where it does not reach) and clipped to the player rectangle P's rounded
// corners; the opening mask (the frame's see-through pixels, limited to P) cutting the video;
// the frame image. Without a frame the video area is simply rounded. The full-size frame and
// mask pictures are made once per frame image; their scaled copies are cached per size, so a
// repaint per decoded picture only composites.
//
// The canvas sits on the stage as a card: its corners rounded (radius 12) and lifted by two soft
// shadows, the accent's and a faint black one.
//
// Threads: everything here is called on the interface thread. The pictures that take long to
// make (the full-size frame and mask, their scaled copies, the backdrop and the card's shadows)
// are made on the pool (preview_pictures.hpp) from copies of their inputs; until one lands, the
// previous picture is drawn stretched to the new place. A change of the inputs a picture was made from (a new frame image, screen or
// canvas) voids every request already made, so a result that lands afterwards is dropped and
// never taken for the current picture; preparing() stays true until pictures for the current
// inputs have landed.

#include "app/editor/background_task.hpp"
#include "app/editor/video_feed.hpp"
#include "app/preview/preview_geometry.hpp"
#include "app/preview/preview_pictures.hpp"
#include "core/export/background_fill.hpp"
#include "core/export/camera_path.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/model/image.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/touch_track.hpp"
#include "core/model/video_fit_mode.hpp"

#include <QImage>
#include <QTransform>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kestro {


// The canvas the export will write, as the preview needs it.
struct PreviewCanvas {
    // From canvasLayoutFor(); none: the frame image alone stands for the canvas, with nothing
    // behind it.
    std::optional<CanvasLayout> layout;
    BackgroundFill background = BackgroundFill::transparent();
    std::shared_ptr<const Image> backgroundImage;  // decoded, for an "image" background
    bool shadow = false;
    // The export rounds the screen's corners as a phone's are; an App Store preview is written
    // square, as the recording itself is.
    bool roundedScreen = true;
};

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
    void setCanvas(PreviewCanvas canvas);
    const PreviewCanvas& canvas() const { return canvas_; }
    // Captions and title cards, a picture of the export canvas's size drawn over the whole
    // canvas (null: none show). Only drawn on the export's canvas.
    void setCaptionPicture(QImage picture);
    const QImage& captionPicture() const { return captionPicture_; }
    // Room kept around the content, so the canvas never touches the view's edge.
    void setShadowMargin(int margin);
    int shadowMargin() const { return shadowMargin_; }
    // The taps drawn over the video (as the export draws them), at recording time `t`.
    void setTouches(TouchTrack track, TapStyle style);
    void setTapTime(double t);

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
    // Whether a picture for the latest frame image, size or canvas is still being made.
    bool preparing() const { return framePending_ || scalePending_ || backdropPending_; }

    // For tests: while held, the pictures' jobs are kept instead of started, and each runs (its
    // work, then its result) on the calling thread when runHeldJob() picks it, in any order.
    void holdJobs(bool hold) { holdJobs_ = hold; }
    int heldJobCount() const { return int(heldJobs_.size()); }
    void runHeldJob(int index);

    static constexpr qreal kStageCornerRadius = kestro::kStageCornerRadius;

    // The camera: the canvas is shown magnified as the export shows it at `seconds` of the
    // recording.
    void setCamera(CameraTrack track);
    void setCameraTime(double seconds);
    CameraState cameraState() const { return cameraAt(camera_, cameraTime_); }
    // A focus point to show and drag (fractions of the recording); none: no marker, no drag.
    void setFocusMarker(std::optional<QPointF> focus);
    // The transform the camera puts on the canvas as last painted (identity at 1x).
    const QTransform& cameraTransform() const { return cameraTransform_; }

signals:
    // setCanvas() was called: what lies on the canvas may have to follow it.
    void canvasChanged();
    // Alt (Option) or Ctrl (Command) and a click on the video: a tap asked for at this pixel
    // of the recording, which is `recording` pixels large.
    void tapRequested(QPointF pixel, QSizeF recording);
    // The marker dragged to a point of the recording (fractions, clamped); then the drag's end.
    void focusDragged(double x, double y);
    void focusDragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A modifier-click on the video asks for a tap there; whether it did.
    bool requestTapAt(QMouseEvent* event);
    void rebuildCaches(const PreviewLayout& layout, const QRectF& frameTopLeft,
                       const QRectF& playerInFrame, qreal dpr);
    void rebuildBackdrop(const QRectF& canvasTopLeft, const QRectF& deviceInCanvas,
                         const QRectF& playerInCanvas, qreal dpr);
    void installFrame(std::shared_ptr<const Image> image, QImage full, QImage mask);
    void invalidateBackdrop();
    void invalidateScaled();
    void requestPictures();
    template <class Result>
    void submit(const char* name, std::function<Result()> work, std::function<void(Result)> done);

    QPointer<VideoFeed> feed_;
    std::shared_ptr<const Image> frameImage_;
    ScreenRect screen_{0, 0, 100, 100};
    double scale_ = 100;
    double offsetX_ = 0;
    double offsetY_ = 0;
    VideoFitMode fitMode_ = VideoFitMode::fill;
    PreviewCanvas canvas_;
    QImage captionPicture_;
    int shadowMargin_ = 0;
    TouchTrack touches_;
    TapStyle tapStyle_;
    double tapTime_ = 0;
    CameraTrack camera_;
    double cameraTime_ = 0;
    std::optional<QPointF> focusMarker_;
    // As last painted: the camera's transform and the video's rectangle under it (content
    // coordinates). A drag keeps the transform it started under, so the point under the
    // pointer stays put while the camera follows the new focus.
    QTransform cameraTransform_;
    QRectF paintedVideo_;
    std::optional<QTransform> dragTransform_;

    // The frame image and its opening mask at full size, premultiplied; made in setFrameImage().
    QImage frameFull_;
    QImage maskFull_;
    int openingMaskRuns_ = 0;
    // Caches, keyed by the pixel geometry they were made for (setFrameImage() clears the key).
    // The scaled frame and its opening mask follow the size and P; the clip follows the rounded
    // container too; the backdrop follows the canvas's size, the device box and P, and is
    // dropped whenever the canvas, the frame or the screen changes.
    QSize cachedSize_;
    QRect cachedPlayer_;
    QImage frameScaled_;
    QImage mask_;
    QImage backdrop_;
    // The canvas card's shadows, made with the backdrop for the card's size in points.
    QSizeF stageShadowsFor_;
    QImage stageGlow_;
    QImage stageShade_;
    QSize backdropSize_;
    QRectF backdropDevice_;
    QRectF backdropPlayer_;
    qreal clipContainerRadius_ = -1;
    QImage clip_;
    QImage layer_;
    int maskBuilds_ = 0;

    // The latest request of each kind; a result made for an earlier one is dropped.
    std::shared_ptr<const Image> requestedImage_;
    std::uint64_t frameGeneration_ = 0;
    std::uint64_t scaleGeneration_ = 0;
    std::uint64_t backdropGeneration_ = 0;
    bool framePending_ = false;
    bool scalePending_ = false;
    bool backdropPending_ = false;
    bool backdropCurrent_ = false;  // backdrop_ was made for the backdrop key above
    bool holdJobs_ = false;
    std::vector<std::function<void()>> heldJobs_;
    // Declared last, so it is destroyed first: no picture lands on a view that is going.
    BackgroundTasks tasks_{this};
};

}  // namespace kestro
