#pragma once
// The captions lane under the trim track: one block per caption, on the track's own time
// scale (a caption's output time plus the trim start), so a block sits under the part of the
// recording it is shown over.
//
// Pointer rules: a press on a block selects it; from within kEdgeReach of either end it drags
// that end, from its middle it moves the whole block. The block follows the pointer while
// dragging and the story is changed once, on release (one undo step). A double-click on a block
// edits its text in place: Return keeps it (text the export cannot draw is refused, the editor
// stays open and says why), Escape drops it, Shift+Return breaks the line (shown as ⏎). Delete
// or Backspace removes the selected caption. A press on no block clears the selection.
//
// Threads: the interface thread only.

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <utility>


namespace kestro {

class EditorState;
class SimpleTimelineView;

class CaptionLane : public QWidget {
    Q_OBJECT
public:
    // `track` gives the time scale; it must share a window with the lane.
    CaptionLane(EditorState& state, SimpleTimelineView& track, QWidget* parent = nullptr);

    std::optional<int> selected() const { return selected_; }
    void select(std::optional<int> index);
    // Opens the in-place editor on a caption's block (and selects it).
    void editText(int index);
    QLineEdit* textEditor() const { return editor_; }

    // The lane's x of an output time, and the block of a caption (as drawn, a drag included).
    qreal xForOutputTime(double seconds) const;
    QRectF blockRect(int index) const;

    static constexpr int kLaneHeight = 24;
    static constexpr qreal kEdgeReach = 6;
    static constexpr QChar kLineBreakMark = QChar(0x23CE);

    QSize sizeHint() const override { return {400, kLaneHeight}; }
    QSize minimumSizeHint() const override { return {120, kLaneHeight}; }

signals:
    void selectionChanged(std::optional<int> index);
    // Why the text in the in-place editor was refused.
    void textRefused(const QString& problem);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Drag { none, start, end, move };
    std::optional<int> blockAt(const QPointF& point) const;
    // The caption's row in the lane and how many rows there are.
    std::pair<int, int> rowOf(int index) const;
    double outputTimeForX(qreal x) const;
    void commitText();
    void closeEditor();
    void storyChanged();

    EditorState& state_;
    SimpleTimelineView& track_;
    std::optional<int> selected_;
    Drag drag_ = Drag::none;
    qreal pressX_ = 0;
    double dragStart_ = 0;  // the dragged caption's times as drawn
    double dragEnd_ = 0;
    QPointer<QLineEdit> editor_;
    int editing_ = -1;
};

}  // namespace kestro
