#pragma once
// The 60-point trim track: the selected range, a handle at each end of it and the red playhead.
//
// Pointer rules: a press on a handle belongs to that handle (the handle itself, from its centre
// outwards, plus a small margin outside the range; inside the range a press scrubs, so a click
// at the very start of a full range moves the playhead), which moves only after the pointer
// has travelled 10 points and then follows it (start stays in [0, end - 0.1], end in
// [start + 0.1, duration]); a press anywhere else scrubs at once, keeping the playhead inside
// the trim range and asking for a seek on every move and a pausing seek on release. With no
// movie (duration 0) nothing moves, but a release still asks for the pausing seek.
//
// The view holds the values it shows; edits are reported through the signals and written back
// by the owner (the editor), which may also set the values at any time.

#include <QImage>
#include <QPainterPath>
#include <QWidget>

#include <vector>

namespace kestro {

class SimpleTimelineView : public QWidget {
    Q_OBJECT
public:
    explicit SimpleTimelineView(QWidget* parent = nullptr);

    void setDuration(double seconds);
    void setTrimStart(double seconds);
    void setTrimEnd(double seconds);
    void setCurrentTime(double seconds);
    // Pictures spread evenly over the track (the filmstrip); none: the plain track.
    void setThumbnails(std::vector<QImage> thumbnails);
    const std::vector<QImage>& thumbnails() const { return thumbnails_; }
    double duration() const { return duration_; }
    double trimStart() const { return trimStart_; }
    double trimEnd() const { return trimEnd_; }
    double currentTime() const { return currentTime_; }

    static constexpr int kTrackHeight = 60;
    static constexpr int kHandleHeight = 70;
    static constexpr qreal kHandleDragThreshold = 10;
    static constexpr double kMinimumRange = 0.1;
    // Room left and right of the track so a handle at either end is drawn whole and can be
    // taken from outside the range.
    static constexpr int kSideInset = 8;
    // How far outside the range, from a handle's centre, a press still takes the handle.
    static constexpr qreal kHandleReach = 7;

    // The track rectangle inside the widget (the handles stick out above and below it).
    QRectF trackRect() const;
    // x of a time from the track's left edge, and the time under such an x (clamped).
    qreal xForTime(double seconds) const;
    double timeForX(qreal x) const;

    QSize sizeHint() const override { return {400, kHandleHeight + 2}; }
    QSize minimumSizeHint() const override { return {120, kHandleHeight + 2}; }

signals:
    void trimStartEdited(double seconds);
    void trimEndEdited(double seconds);
    void currentTimeEdited(double seconds);
    void seekRequested(double seconds, bool pauseAfter);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Drag { none, scrub, startHandle, endHandle };
    // Which handle a press at x lands on, if any.
    Drag handleAt(qreal x) const;
    void scrubTo(qreal x);
    void paintFilmstrip(QPainter& p, const QPainterPath& trackShape, const QRectF& track,
                        qreal w) const;

    double duration_ = 0;
    double trimStart_ = 0;
    double trimEnd_ = 0;
    double currentTime_ = 0;
    Drag drag_ = Drag::none;
    bool handleActive_ = false;
    qreal pressX_ = 0;
    std::vector<QImage> thumbnails_;
};

}  // namespace kestro
