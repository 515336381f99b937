#pragma once
// The captions row of the timeline: a row of controls (add a caption at the playhead, the
// selected caption's position and size, delete it, and the intro and outro titles) over the
// captions lane, which lines up with the trim track above it.
//
// Threads: the interface thread only.

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kestro {

class CaptionLane;
class EditorState;
class SimpleTimelineView;
class TitleCardsDialog;

class CaptionLaneView : public QWidget {
    Q_OBJECT
public:
    CaptionLaneView(EditorState& state, SimpleTimelineView& track, QWidget* parent = nullptr);

    CaptionLane* lane() const { return lane_; }
    QPushButton* addButton() const { return add_; }
    QComboBox* positionPicker() const { return position_; }
    QSpinBox* sizePicker() const { return size_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* titlesButton() const { return titles_; }
    // The titles dialog while it is open (for tests), else null.
    TitleCardsDialog* titlesDialog() const { return dialog_; }

    // A caption at the playhead, selected, its text open for editing.
    void addCaptionAtPlayhead();
    void openTitles();

private:
    void syncControls();

    EditorState& state_;
    CaptionLane* lane_;
    QPushButton* add_;
    QComboBox* position_;
    QSpinBox* size_;
    QPushButton* delete_;
    QPushButton* titles_;
    QLabel* problem_;
    TitleCardsDialog* dialog_ = nullptr;
};

}  // namespace kestro
