#pragma once
// "Export Settings": format, background (with the custom colour), resolution, the export and
// cancel buttons, and the export's progress and result.

#include "app/ui/section_card.hpp"

namespace kestro {

class ColorWell;
class EditorState;
class ExportProgressArea;
class ExportResolutionSelector;
class ExportWorkflow;
class ModernButton;
class SegmentedPicker;

class ExportSection : public SectionCard {
    Q_OBJECT
public:
    ExportSection(EditorState& state, ExportWorkflow& workflow, QWidget* parent = nullptr);

    SegmentedPicker* formatPicker() const { return format_; }
    SegmentedPicker* backgroundPicker() const { return background_; }
    // Present only while the background is the custom colour; null otherwise.
    ColorWell* colorWell() const { return well_; }
    ExportResolutionSelector* resolutionSelector() const { return resolution_; }
    ModernButton* exportButton() const { return export_; }
    // Present only while exporting.
    ModernButton* cancelButton() const { return cancel_; }
    // Present only while there is a progress or result text.
    ExportProgressArea* progressArea() const { return progress_; }

private:
    void syncFormat();
    void syncBackground();
    void syncExport();
    void syncProgress();

    EditorState& state_;
    ExportWorkflow& workflow_;
    SegmentedPicker* format_;
    SegmentedPicker* background_;
    QWidget* wellSlot_;
    ColorWell* well_ = nullptr;
    ExportResolutionSelector* resolution_;
    ModernButton* export_;
    ModernButton* cancel_;
    ExportProgressArea* progress_;
};

}  // namespace kestro
