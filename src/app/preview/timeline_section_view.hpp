#pragma once
// The timeline section: a header (badge, "Timeline", play/pause), the trim track, and the
// read-outs of the trim start, the trimmed length, the trim end and the playhead.
// It reads the editor's state and writes the trim range and playhead back through it.

#include <QWidget>

class QLabel;

namespace kestro {

class EditorState;
class RoundIconButton;
class SimpleTimelineView;

class TimelineSectionView : public QWidget {
    Q_OBJECT
public:
    explicit TimelineSectionView(EditorState& state, QWidget* parent = nullptr);

    SimpleTimelineView* track() const { return track_; }
    RoundIconButton* playPauseButton() const { return playPause_; }
    QString startText() const;
    QString durationText() const;
    QString endText() const;
    QString currentTimeText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void restyle();

    EditorState& state_;
    SimpleTimelineView* track_;
    RoundIconButton* playPause_;
    QLabel* startCaption_;
    QLabel* startValue_;
    QLabel* durationCaption_;
    QLabel* durationValue_;
    QLabel* endCaption_;
    QLabel* endValue_;
    QLabel* current_;
    QList<QWidget*> chips_;
};

}  // namespace kestro
