#pragma once
// The timeline section, kept low so the preview gets the room: one row of read-outs (play/pause,
// the trim start, the output's length (the trimmed range at its speeds), the trim end, the lane's
// tools and the playhead's time) over the trim track, which shows a filmstrip of the movie, and
// the lanes under it (speed, captions and the camera's zoom). When the section is too narrow for
// the whole row, the lane's tools take a row of their own under the read-outs. It reads the
// editor's state and writes the trim range and playhead back through it.

#include <QWidget>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QStackedWidget;

namespace kestro {

class EditorState;
class Filmstrip;
class RoundIconButton;
class SimpleTimelineView;
class CaptionLaneView;
class SpeedLaneView;
class TimeReadout;
class ZoomLaneView;

class TimelineSectionView : public QWidget {
    Q_OBJECT
public:
    // `filmstrip`: where the track's pictures come from; null: the application's decoder.
    explicit TimelineSectionView(EditorState& state, QWidget* parent = nullptr,
                                 Filmstrip* filmstrip = nullptr);

    SimpleTimelineView* track() const { return track_; }
    SpeedLaneView* speedLane() const { return speedLane_; }
    RoundIconButton* playPauseButton() const { return playPause_; }
    Filmstrip* filmstrip() const { return filmstrip_; }
    TimeReadout* currentTimeReadout() const { return current_; }
    ZoomLaneView* zoomLane() const { return zoomLane_; }
    CaptionLaneView* captionLane() const { return captionLane_; }
    // Shows lane `index` (kZoomLane, kSpeedLane or kCaptionLane) under the track.
    static constexpr int kZoomLane = 0;
    static constexpr int kSpeedLane = 1;
    static constexpr int kCaptionLane = 2;
    void showLane(int index);
    int shownLane() const;
    QString startText() const;
    QString durationText() const;
    QString endText() const;
    QString currentTimeText() const;

    // Height of a filmstrip picture: the track less a small inset.
    static constexpr int kThumbnailHeight = 56;
    static constexpr int kMaximumThumbnails = 12;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void restyle();
    void requestFilmstrip();
    void placeLaneTools();

    EditorState& state_;
    Filmstrip* filmstrip_;
    SimpleTimelineView* track_;
    SpeedLaneView* speedLane_;
    RoundIconButton* playPause_;
    QLabel* startCaption_;
    TimeReadout* startValue_;
    QLabel* durationCaption_;
    TimeReadout* durationValue_;
    QLabel* endCaption_;
    TimeReadout* endValue_;
    TimeReadout* current_;
    ZoomLaneView* zoomLane_;
    CaptionLaneView* captionLane_;
    QStackedWidget* lanes_;
    QComboBox* lanePicker_;
    QWidget* laneTools_;       // the lane picker and the zoom's controls
    QHBoxLayout* readouts_;    // the read-out row
    QHBoxLayout* toolsRow_;    // under it: the tools when the read-out row has no room for them
};

}  // namespace kestro
