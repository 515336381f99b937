#pragma once
// The camera's lane under the trim track: each zoom segment a block at its time, the selected
// one highlighted, with its ends to drag; and, laid out by its owner, the selected segment's
// scale, a delete button and "Zoom on taps". Z adds a segment at the playhead; Delete removes the
// selected one. Every edit goes through the editor's CameraEditor, so the history covers it.
//
// The lane shares the trim track's time axis: it asks the track where a time lies and lines
// up with it.

#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;

namespace kestro {

class EditorState;
class SimpleTimelineView;

class ZoomLaneView : public QWidget {
    Q_OBJECT
public:
    ZoomLaneView(EditorState& state, SimpleTimelineView& track, QWidget* parent = nullptr);

    static constexpr int kLaneHeight = 24;
    // How near a block's end, in pixels, a press takes that end.
    static constexpr qreal kEndReach = 6;

    // Where segment `index` is drawn (widget coordinates).
    QRectF blockRect(int index) const;
    QSlider* scaleSlider() const { return scale_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* zoomOnTapsButton() const { return onTaps_; }
    QString statusText() const;
    // The selected segment's scale, delete and "Zoom on taps", for the owner to lay out.
    QWidget* controls() const { return controls_; }

    QSize sizeHint() const override;

public slots:
    void addAtPlayhead();
    void deleteSelected();
    void zoomOnTaps();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { none, start, end, body };
    qreal xForTime(double t) const;
    double timeForX(qreal x) const;
    void refreshControls();

    EditorState& state_;
    SimpleTimelineView& track_;
    QWidget* controls_;
    QSlider* scale_;
    QLabel* scaleValue_;
    QPushButton* delete_;
    QPushButton* onTaps_;
    QLabel* status_;
    Drag drag_ = Drag::none;
    int dragIndex_ = -1;
    double grabOffset_ = 0;  // body drags: the pointer's time less the segment's start
    bool sliderDragging_ = false;
};

}  // namespace kestro
