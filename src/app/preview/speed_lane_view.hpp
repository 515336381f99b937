#pragma once
// The speed lane under the trim track: one block per speed segment, on the same time scale as
// the track above it (the whole recording, the same side insets). Double-click empty room adds
// a 2x segment; drag a block to move it or its edges to retime it; right-click for its factor
// or to delete it (Delete removes the selected one, + and - double or halve its factor). Every
// change goes through SpeedTrackState, so each is one undo step and refused edits (overlaps)
// leave the lane as it was.

#include <QWidget>

#include <optional>

namespace kestro {

class SpeedTrackState;

class SpeedLaneView : public QWidget {
    Q_OBJECT
public:
    explicit SpeedLaneView(SpeedTrackState& track, QWidget* parent = nullptr);

    void setDuration(double seconds);
    double duration() const { return duration_; }
    int selectedIndex() const { return selected_; }
    void setSelectedIndex(int index);

    // Where time `seconds` lies across the lane, and back; the same mapping as the trim track.
    QRectF laneRect() const;
    qreal xForTime(double seconds) const;
    double timeForX(qreal x) const;

    // What double-clicking empty room at `seconds` adds: up to kNewSegmentSeconds, cut short
    // by the next block or the end; none without room for kShortestSegment.
    std::optional<std::pair<double, double>> roomAt(double seconds) const;

    static constexpr int kLaneHeight = 26;
    static constexpr double kNewSegmentSeconds = 2;
    static constexpr double kNewSegmentFactor = 2;
    static constexpr double kShortestSegment = 0.1;
    static constexpr qreal kEdgeReach = 6;

    QSize sizeHint() const override;

signals:
    // The lane's menu asked to shorten the recording's waits to `seconds` each.
    void shortenWaitsRequested(double seconds);

public:
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Grip { body, startEdge, endEdge };
    struct Drag {
        int index = -1;
        Grip grip = Grip::body;
        double pressTime = 0;
        double start = 0;  // the block as it is being dragged
        double end = 0;
        bool moved = false;
    };
    int blockAt(qreal x, Grip* grip = nullptr) const;
    // The free room around segment `index`: from the previous block's end (or 0) to the next
    // block's start (or the duration).
    std::pair<double, double> freeAround(int index) const;
    void showFactorMenu(int index, const QPoint& globalPos);

    SpeedTrackState& track_;
    double duration_ = 0;
    int selected_ = -1;
    std::optional<Drag> drag_;
};

}  // namespace kestro
