#pragma once
// "Source & Frame": importing a movie or clearing it, and choosing the device frame and which
// way round it is shown.

#include "app/ui/section_card.hpp"

namespace kestro {

class EditorState;
class FramePresetPicker;
class ModernButton;
class SegmentedPicker;

class SourceSection : public SectionCard {
    Q_OBJECT
public:
    explicit SourceSection(EditorState& state, QWidget* parent = nullptr);

    ModernButton* importButton() const { return import_; }
    // "Reset": present only while a movie is loaded.
    ModernButton* resetButton() const { return reset_; }
    FramePresetPicker* framePicker() const { return picker_; }
    // Auto, Portrait, Landscape: which way round the frame is shown.
    SegmentedPicker* orientationPicker() const { return orientation_; }

private:
    void sync();

    EditorState& state_;
    ModernButton* import_;
    ModernButton* reset_;
    FramePresetPicker* picker_;
    SegmentedPicker* orientation_;
};

}  // namespace kestro
