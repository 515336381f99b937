#pragma once
// "Taps": how Kestro draws the touches over the recording. Whether they show, the circle's size
// (in percent of the recording's width), its colour and its opacity; each change is an edit of
// the editor state (Undo takes it back), which the preview and the export both draw from. A
// line under the controls says what there is to draw: the recording's taps, or how to add one.

#include "app/ui/section_card.hpp"

class QCheckBox;
class QDoubleSpinBox;
class QEvent;
class QLabel;
class QSlider;

namespace kestro {

class ColorWell;
class EditorState;

class TapsSection : public SectionCard {
    Q_OBJECT
public:
    explicit TapsSection(EditorState& state, QWidget* parent = nullptr);

    QCheckBox* showBox() const { return show_; }
    QDoubleSpinBox* sizeBox() const { return size_; }
    ColorWell* colourWell() const { return colour_; }
    QSlider* opacitySlider() const { return opacity_; }
    QLabel* opacityText() const { return opacityText_; }
    QLabel* note() const { return note_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void sync();
    void restyleNote();

    EditorState& state_;
    QCheckBox* show_;
    QDoubleSpinBox* size_;
    ColorWell* colour_;
    QSlider* opacity_;
    QLabel* opacityText_;
    QLabel* note_;
    bool syncing_ = false;
};

}  // namespace kestro
