#pragma once
// "Source & Frame": importing a movie or clearing it, and choosing the device frame.

#include "app/ui/section_card.hpp"

namespace kestro {

class EditorState;
class FramePresetPicker;
class ModernButton;

class SourceSection : public SectionCard {
    Q_OBJECT
public:
    explicit SourceSection(EditorState& state, QWidget* parent = nullptr);

    ModernButton* importButton() const { return import_; }
    // "Reset": present only while a movie is loaded.
    ModernButton* resetButton() const { return reset_; }
    FramePresetPicker* framePicker() const { return picker_; }

private:
    void sync();

    EditorState& state_;
    ModernButton* import_;
    ModernButton* reset_;
    FramePresetPicker* picker_;
};

}  // namespace kestro
