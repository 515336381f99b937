#pragma once
// "Export Settings", pinned under the scrolling cards: format, quality, the canvas width (or the
// App Store preview's size) and frame rate in two compact rows, the export and cancel buttons,
// and the export's progress and result. The background and the canvas's shape live in the
// Canvas card.

#include "app/ui/section_card.hpp"

namespace kestro {

class ChoicePicker;
class EditorState;
class ExportProgressArea;
class ExportWorkflow;
class LabeledControl;
class ModernButton;

class ExportSection : public SectionCard {
    Q_OBJECT
public:
    // The format entry that writes a PNG of the picture shown now instead of a movie.
    static QString stillFormatText() { return QStringLiteral("PNG (current frame)"); }
    ExportSection(EditorState& state, ExportWorkflow& workflow, QWidget* parent = nullptr);

    // The export formats, then the App Store preview.
    ChoicePicker* formatPicker() const { return format_; }
    ChoicePicker* qualityPicker() const { return quality_; }
    // The recording's own rate, then the offered rates.
    ChoicePicker* frameRatePicker() const { return frameRate_; }
    // Shown unless an App Store preview is chosen.
    ChoicePicker* resolutionPicker() const { return resolution_; }
    // Shown only while an App Store preview is chosen, in the resolution's place.
    ChoicePicker* appStorePresetPicker() const { return preset_; }
    ModernButton* exportButton() const { return export_; }
    // Present only while exporting.
    ModernButton* cancelButton() const { return cancel_; }
    // Present only while there is a progress or result text.
    ExportProgressArea* progressArea() const { return progress_; }

private:
    void syncChoices();
    void syncExport();
    void syncProgress();

    EditorState& state_;
    ExportWorkflow& workflow_;
    ChoicePicker* format_;
    bool still_ = false;  // "PNG (current frame)" is chosen
    ChoicePicker* quality_;
    ChoicePicker* frameRate_;
    ChoicePicker* resolution_;
    ChoicePicker* preset_;
    LabeledControl* resolutionRow_;
    LabeledControl* presetRow_;
    ModernButton* export_;
    ModernButton* cancel_;
    ExportProgressArea* progress_;
};

}  // namespace kestro
